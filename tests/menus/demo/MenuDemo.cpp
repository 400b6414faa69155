// Demonstration of the owner-drawn menus (not shipped): a form with a menu bar whose File menu holds
// pictures, check marks, a grayed item, separators and a submenu, drawn by the menu control.
//   menu_demo.exe [--log file] [--seconds n]
// The log gets the form's and the first bar item's screen rectangles, the item height and the colours
// of the frame, the selection box and the open bar item ("ready ..."), for the end-to-end test that opens the
// menu with real input.
#include <windows.h>

#include <cstdio>
#include <string>

#include "menus/ctxHookMenu.h"
#include "runtime/Form.h"
#include "tests/support/DemoMain.h"
#include "tests/support/TestCanvas.h"

namespace {

// A 16 × 16 picture: a magenta border two pixels wide around a square of one colour.
rt::Picture Square(uint32_t colour) {
    return rt::PictureObject::FromBitmap(testsupport::MakeDib(16, 16, [colour](int x, int y) {
        return x < 2 || y < 2 || x > 13 || y > 13 ? 0xFFFF00FFu : colour;
    }));
}

class frmMenuDemo : public demo::DemoForm {
  public:
    frmMenuDemo(FILE* log, UINT seconds) : DemoForm(log, seconds) {
        SetCaption(L"菜单演示");
        SetClientSize(480, 320);
        SetBackColor(0x00F0E8E0);
    }

  protected:
    void CreateControls() override {
        const HMENU recent = ::CreatePopupMenu();
        ::AppendMenuW(recent, MF_STRING, 111, L"1 行情.txt");
        const HMENU file = ::CreatePopupMenu();
        ::AppendMenuW(file, MF_STRING, 101, L"新建(&N)");
        ::AppendMenuW(file, MF_STRING, 102, L"打开(&O)...\tCtrl+O");
        ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(file, MF_STRING | MF_GRAYED, 103, L"保存(&S)\tCtrl+S");
        ::AppendMenuW(file, MF_STRING | MF_CHECKED, 104, L"自动换行(&W)");
        ::AppendMenuW(file, MF_STRING | MF_CHECKED, 105, L"显示网格(&G)");
        ::AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"最近的文件(&R)");
        ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(file, MF_STRING, 106, L"退出(&X)");
        const HMENU edit = ::CreatePopupMenu();
        ::AppendMenuW(edit, MF_STRING, 201, L"撤销(&U)\tCtrl+Z");
        const HMENU bar = ::CreateMenu();
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"编辑(&E)");
        ::SetMenu(hWnd(), bar);
        AddUserControl(ctxHookMenu1, L"ctxHookMenu1", 0, 0, 10, 10, nullptr);
        ctxHookMenu1.SetMenuControls({{L"mnuNew", -1, L"新建(&N)"},
                                      {L"mnuOpen", -1, L"打开(&O)...\tCtrl+O"},
                                      {L"mnuGrid", -1, L"显示网格(&G)"}});
        ctxHookMenu1.SetBitmapByCaption(L"mnuNew", Square(0xFF20A040), 0xFF00FF);
        ctxHookMenu1.SetBitmapByCaption(L"mnuOpen", Square(0xFFD08020), 0xFF00FF);
        ctxHookMenu1.SetBitmapByCaption(L"mnuGrid", Square(0xFF2050C0), 0xFF00FF);
    }

    void LogReady() override {
        RECT f{}, item{};
        ::GetWindowRect(hWnd(), &f);
        ::GetMenuItemRect(hWnd(), ::GetMenu(hWnd()), 0, &item);
        const menus::MenuColours c = ctxHookMenu1.Colours();
        Log("ready form %ld %ld %ld %ld item %ld %ld %ld %ld metrics %d colours %#x %#x %#x %#x\n", f.left,
            f.top, f.right, f.bottom, item.left, item.top, item.right, item.bottom,
            ctxHookMenu1.Metrics().itemHeight, c.menuBorder, c.selectionBorder, c.barOpenFill,
            c.barOpenBorder);
    }

  private:
    menus::ctxHookMenu ctxHookMenu1;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    return demo::RunDemo<frmMenuDemo>(nCmdShow);
}
