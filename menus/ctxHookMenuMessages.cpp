// How the menu control answers the menu messages of its form, of the form's MDI client, and the
// commands a frame's control sends to its active child's.
#include "menus/ctxHookMenu.h"

#include "menus/PopupGeometry.h"
#include "menus/ctxHookMenuSink.h"

namespace menus {

void ctxHookMenu::pvBefore(bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam,
                           LPARAM lParam) {
    if (hWnd == form_) {
        pvFormMessage(bHandled, lReturn, uMsg, wParam, lParam);
    } else if (hWnd == mdiClient_) {
        if (uMsg == WM_MDISETMENU) pvFormMessage(bHandled, lReturn, uMsg, wParam, lParam);
    } else if (Popup* popup = pvFindPopup(hWnd)) {
        pvPopupMessage(*popup, bHandled, lReturn, uMsg, wParam, lParam);
    }
}

void ctxHookMenu::pvFormMessage(bool& bHandled, LRESULT& lReturn, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const HWND child = pvActiveChild();
    const auto handled = [&](LRESULT result) {
        bHandled = true;
        lReturn = result;
    };
    if (uMsg == InitMenuMsg()) {
        handled(pvInitMenuCommand(wParam, lParam));
        return;
    }
    switch (uMsg) {
    case WM_INITMENUPOPUP:
        // The form's own code may add, remove or enable items first.
        handled(formSub_->CallOrigWndProc(uMsg, wParam, lParam));
        pvFollowDpi();
        pvInitMenu(reinterpret_cast<HMENU>(wParam), MenuKind::Popup);
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (wParam != 0) break;
        if (child && ::SendMessageW(child, uMsg, wParam, lParam) != 0) {
            handled(1);
        } else if (uMsg == WM_MEASUREITEM ? pvMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))
                                          : pvDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            handled(1);
        }
        break;
    case WM_NCCALCSIZE:
        // A menu bar set after the form was made shows up here first.
        if (!menuBar_) {
            if (const HMENU bar = MenuBarOf(form_)) {
                menuBar_ = bar;
                pvInitMenu(bar, MenuKind::Bar);
            }
        }
        break;
    case WM_MENUSELECT:
        pvMenuSelect(bHandled, lReturn, wParam, lParam);
        break;
    case WM_MENUCHAR: {
        const uint16_t character = LOWORD(wParam);
        if (child) {
            const LRESULT answer = ::SendMessageW(
                child, InitMenuMsg(), InitMenuWParam(InitMenuCommand::MenuChar, character), lParam);
            if (answer != 0) {
                handled(answer);
                break;
            }
        }
        LRESULT result = 0;
        if (HandleMenuChar(reinterpret_cast<HMENU>(lParam), static_cast<wchar_t>(character), result))
            handled(result);
        break;
    }
    case WM_SYSCOLORCHANGE:
        pvRefreshMetrics();
        break;
    case WM_SETTINGCHANGE:
        // The system menu font is read at a refresh only.
        if (wParam == SPI_SETNONCLIENTMETRICS) pvRefreshMetrics();
        break;
    case WM_NCDESTROY:
        pvDetach();
        break;
    case WM_DPICHANGED:
        pvFollowDpi();
        break;
    case WM_ENTERMENULOOP:
        if (child && ::SendMessageW(child, InitMenuMsg(), InitMenuWParam(InitMenuCommand::EnterMenuLoop),
                                    reinterpret_cast<LPARAM>(menuBar_)) == 1) {
            ::SendMessageW(child, InitMenuMsg(), InitMenuWParam(InitMenuCommand::SetFrameOwner),
                           reinterpret_cast<LPARAM>(form_));
            handled(1);
        } else {
            menuLoop_ = true;
            pvFollowDpi();
            pvAdoptPopups();
        }
        break;
    case WM_EXITMENULOOP:
        if (child &&
            ::SendMessageW(child, InitMenuMsg(), InitMenuWParam(InitMenuCommand::ExitMenuLoop), 0) == 1)
            handled(1);
        pvEndMenuLoop();
        pvRaiseHighlight(L"");
        break;
    case WM_MDISETMENU: {
        const HMENU bar = reinterpret_cast<HMENU>(wParam);
        if (bar && bar != menuBar_) {
            pvRestoreMenus();
            menuBar_ = bar;
            pvInitMenu(bar, MenuKind::Bar);
        }
        break;
    }
    default:
        break;
    }
}

LRESULT ctxHookMenu::pvInitMenuCommand(WPARAM wParam, LPARAM lParam) {
    switch (static_cast<InitMenuCommand>(LOWORD(wParam))) {
    case InitMenuCommand::InitPopup:
        pvInitMenu(reinterpret_cast<HMENU>(lParam), MenuKind::Popup);
        break;
    case InitMenuCommand::InitMenuBar:
        pvInitMenu(reinterpret_cast<HMENU>(lParam), MenuKind::Bar);
        break;
    case InitMenuCommand::ExitMenuLoop:
        pvEndMenuLoop();
        break;
    case InitMenuCommand::EnterMenuLoop:
        menuLoop_ = true;
        menuBar_ = reinterpret_cast<HMENU>(lParam);
        pvAdoptPopups();
        break;
    case InitMenuCommand::SetFrameOwner:
        frameOwner_ = reinterpret_cast<HWND>(lParam);
        break;
    case InitMenuCommand::MenuChar: {
        LRESULT result = 0;
        if (HandleMenuChar(reinterpret_cast<HMENU>(lParam), static_cast<wchar_t>(HIWORD(wParam)), result))
            return result;
        break;
    }
    }
    return 1;
}

void ctxHookMenu::pvMenuSelect(bool& bHandled, LRESULT& lReturn, WPARAM wParam, LPARAM lParam) {
    // The newest popup is not on screen yet: its item rectangles are not final until it is, so look
    // again once it shows.
    if (menuLoop_ && !popups_.empty() && !::IsWindowVisible(popups_.back().hWnd) && !reposted_) {
        reposted_ = true;
        ::PostMessageW(form_, WM_MENUSELECT, wParam, lParam);
        bHandled = true;
        lReturn = 0;
        return;
    }
    reposted_ = false;

    const HMENU menu = reinterpret_cast<HMENU>(lParam);
    const UINT item = LOWORD(wParam);
    const UINT flags = HIWORD(wParam);
    const HMENU sub = menu ? ::GetSubMenu(menu, static_cast<int>(item)) : nullptr;
    currentSubmenu_ = sub ? sub : menu;

    if (flags & MF_SYSMENU) {
        trackedMenu_ = nullptr;
    } else {
        const bool forwarded = (static_cast<uint32_t>(wParam) & kForwardedMenuSelect) != 0;
        const HWND owner = forwarded && frameOwner_ ? frameOwner_ : form_;
        RECT rect{};
        if (menu && ::GetMenuItemRect(menu == menuBar_ ? owner : nullptr, menu, item, &rect))
            selectedItem_ = rect;
        // Our items keep their right-justify flag in their record only.
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_DATA;
        uint32_t type = 0;
        if (menu && ::GetMenuItemInfoW(menu, item, TRUE, &mii)) {
            const ItemRecord* record = (mii.fType & MFT_OWNERDRAW) ? records_.Find(mii.dwItemData) : nullptr;
            type = record ? record->type : mii.fType;
        }
        selectedRightJustified_ = (type & MFT_RIGHTJUSTIFY) != 0;
        trackedMenu_ = menu;
    }

    if (const HWND child = pvActiveChild())
        ::SendMessageW(child, WM_MENUSELECT, ForwardedMenuSelectWParam(static_cast<uint32_t>(wParam)),
                       lParam);
}

void ctxHookMenu::pvEndMenuLoop() {
    menuLoop_ = reposted_ = false;
    // What the loop selected never places a popup of the next one.
    trackedMenu_ = nullptr;
    MSG m;
    while (form_ && ::PeekMessageW(&m, form_, WM_MENUSELECT, WM_MENUSELECT, PM_REMOVE | PM_NOYIELD))
        continue;
}

} // namespace menus
