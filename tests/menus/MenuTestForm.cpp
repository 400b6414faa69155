#include "tests/menus/MenuTestForm.h"

#include <gtest/gtest.h>

namespace menutest {

namespace {

constexpr UINT_PTR kGuardTimer = 0x4D45;

void Append(HMENU menu, UINT flags, UINT_PTR id, const wchar_t* text) {
    ::AppendMenuW(menu, flags, id, text);
}

} // namespace

std::vector<ItemSnapshot> Snapshot(HMENU menu) {
    std::vector<ItemSnapshot> out;
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        mii.dwTypeData = text;
        mii.cch = 256;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        out.push_back({mii.fType, mii.wID, (mii.fType & MFT_OWNERDRAW) ? L"" : text});
        if (mii.hSubMenu) {
            const auto sub = Snapshot(mii.hSubMenu);
            out.insert(out.end(), sub.begin(), sub.end());
        }
    }
    return out;
}

UINT ItemType(HMENU menu, UINT position) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE;
    return ::GetMenuItemInfoW(menu, position, TRUE, &mii) ? mii.fType : 0xFFFFFFFF;
}

ULONG_PTR ItemData(HMENU menu, UINT position) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    return ::GetMenuItemInfoW(menu, position, TRUE, &mii) ? mii.dwItemData : 0;
}

MenuForm::MenuForm() {
    SetCaption(L"菜单测试窗口");
    SetClientSize(400, 300);
    ctxHookMenu1.Highlight = [this](const std::wstring& caption) { highlights.push_back(caption); };
}

MenuForm::~MenuForm() {
    if (IsLoaded()) Unload();
}

void MenuForm::CreateControls() {
    recent = ::CreatePopupMenu();
    Append(recent, MF_STRING, kRecent1, L"1 行情.txt");
    file = ::CreatePopupMenu();
    Append(file, MF_STRING, kNew, L"新建(&N)");
    Append(file, MF_STRING, kOpen, L"打开(&O)...\tCtrl+O");
    Append(file, MF_SEPARATOR, 0, nullptr);
    Append(file, MF_STRING | MF_GRAYED, kSave, L"保存(&S)\tCtrl+S");
    Append(file, MF_STRING | MF_CHECKED, kWrap, L"自动换行(&W)");
    Append(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"最近的文件(&R)");
    Append(file, MF_SEPARATOR, 0, nullptr);
    Append(file, MF_STRING, kExit, L"退出(&X)");
    edit = ::CreatePopupMenu();
    Append(edit, MF_STRING, kUndo, L"撤销(&U)\tCtrl+Z");
    help = ::CreatePopupMenu();
    Append(help, MF_STRING, kAbout, L"关于 A&&B(&A)");
    bar = ::CreateMenu();
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
    Append(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"编辑(&E)");
    Append(bar, MF_POPUP | MF_RIGHTJUSTIFY, reinterpret_cast<UINT_PTR>(help), L"帮助(&H)");
    ::SetMenu(hWnd(), bar);
    AddUserControl(ctxHookMenu1, L"ctxHookMenu1", 0, 0, 10, 10, stored);
}

int MenuForm::Open(HMENU menu, int x, int y) {
    idleCount_ = 0;
    // Should the menu never go idle as the test expects, it still ends.
    const UINT_PTR guard = ::SetTimer(hWnd(), kGuardTimer, 3000, nullptr);
    const int command = static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD, x, y, 0, hWnd(), nullptr));
    ::KillTimer(hWnd(), guard);
    return command;
}

LRESULT MenuForm::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITMENUPOPUP:
        ++initMenuPopups;
        // The form's own code adds an item the first time its menu opens.
        if (reinterpret_cast<HMENU>(wParam) == edit && !pasteAdded_) {
            pasteAdded_ = true;
            Append(edit, MF_STRING, kPaste, L"粘贴(&P)\tCtrl+V");
        }
        return 0;
    case WM_TIMER:
        if (wParam == kGuardTimer) {
            ADD_FAILURE() << "the menu did not end by itself";
            ::EndMenu();
            return 0;
        }
        break;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU && (!onIdle || onIdle(++idleCount_))) ::EndMenu();
        return 0;
    case WM_MENUSELECT:
        menuSelects.push_back(wParam);
        break;
    case WM_MEASUREITEM:
        ++unhandledMeasures;
        break;
    default:
        break;
    }
    return Form::WindowProc(msg, wParam, lParam);
}

} // namespace menutest
