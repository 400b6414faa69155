// Popup menu windows in the menu loop: submenus placed against their item, printing, columns, the
// system menu, and a thousand openings that leave nothing behind.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "MenuTestForm.h"
#include "msghook/Thunk.h"
#include "runtime/Handles.h"

namespace menutest {
namespace {

class MenuPopups : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.Load()); }
    menus::ctxHookMenu& ctl() { return form.ctxHookMenu1; }
    MenuForm form;
};

TEST_F(MenuPopups, ASubmenuOpensLevelWithTheItemThatOpensIt) {
    RECT item{}, sub{};
    size_t popups = 0;
    form.onIdle = [&](int n) {
        // The mnemonic of "最近的文件(&R)" selects it and opens its submenu.
        if (n == 1) ::PostMessageW(form.hWnd(), WM_CHAR, L'r', 0);
        if (n == 1) return false;
        popups = ctl().Popups().size();
        ::GetMenuItemRect(nullptr, form.file, 5, &item);
        if (popups == 2) ::GetWindowRect(ctl().Popups().back(), &sub);
        return true;
    };
    form.Open(form.file, 60, 60);
    ASSERT_EQ(popups, 2u);
    EXPECT_EQ(sub.top, item.top);
    EXPECT_GE(sub.left, item.right - 8) << "the submenu does not open beside its item";
}

TEST_F(MenuPopups, PrintingAPopupDrawsItsFrameAndPutsTheDcBack) {
    COLORREF edge = CLR_INVALID, margin = CLR_INVALID;
    POINT origin{-1, -1};
    int clip = -1;
    form.onIdle = [&](int) {
        if (ctl().Popups().size() != 1) return true;
        const HWND popup = ctl().Popups()[0];
        RECT wr{};
        ::GetWindowRect(popup, &wr);
        const int w = wr.right - wr.left, h = wr.bottom - wr.top;
        rt::WindowDC screen(nullptr);
        rt::UniqueDC dc(::CreateCompatibleDC(screen.get()));
        rt::UniqueBitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
        rt::SelectGuard select(dc.get(), bmp.get());
        ::SendMessageW(popup, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()), PRF_NONCLIENT | PRF_CLIENT);
        edge = ::GetPixel(dc.get(), 0, h / 2);
        margin = ::GetPixel(dc.get(), w - 3, h / 2); // between the items and the shadow's place
        ::GetViewportOrgEx(dc.get(), &origin);
        rt::UniqueRgn rgn(::CreateRectRgn(0, 0, 0, 0));
        clip = ::GetClipRgn(dc.get(), rgn.get());
        return true;
    };
    form.Open(form.file, 60, 60);
    EXPECT_EQ(edge, ctl().Palette().menuBorder);
    EXPECT_EQ(margin, ctl().Palette().itemBack);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(clip, 0) << "a clip region was left on the DC";
}

TEST_F(MenuPopups, AutoColumnBreaksPopupsButNeverTheMenuBar) {
    ctl().SetAutoColumn(3);
    form.Open(form.file);
    // 新建 打开 — 保存 | 自动换行 最近的文件 — 退出
    for (UINT pos = 0; pos < 8; ++pos)
        EXPECT_EQ((ItemType(form.file, pos) & MFT_MENUBREAK) != 0, pos == 4) << pos;
    ctl().SetAutoColumn(1);
    ctl().SetBitmapSize(17); // refreshes, which converts the menu bar again
    for (UINT pos = 0; pos < 3; ++pos)
        EXPECT_EQ(ItemType(form.bar, pos) & MFT_MENUBREAK, 0u) << pos;
}

TEST_F(MenuPopups, TheSystemMenuIsConvertedTakenOverAndStillChoosesItsCommand) {
    const HMENU sys = ::GetSystemMenu(form.hWnd(), FALSE);
    ASSERT_TRUE(sys);
    RECT window{};
    form.onIdle = [&](int n) {
        if (ctl().Popups().size() == 1) ::GetWindowRect(ctl().Popups()[0], &window);
        if (n == 1) ::PostMessageW(form.hWnd(), WM_CHAR, L'c', 0);
        return n > 3;
    };
    EXPECT_EQ(form.Open(sys, 150, 80), SC_CLOSE);
    EXPECT_EQ(window.left, 150);
    EXPECT_EQ(window.top, 80);
    for (int i = 0; i < ::GetMenuItemCount(sys); ++i) {
        EXPECT_NE(ItemType(sys, static_cast<UINT>(i)) & MFT_OWNERDRAW, 0u) << i;
        EXPECT_TRUE(ctl().Records().Read(ItemData(sys, static_cast<UINT>(i)))) << i;
    }
}

TEST_F(MenuPopups, AThousandOpeningsLeaveHandlesAndThunksAsTheyWere) {
    const auto openOnce = [&] {
        form.onIdle = [&](int n) {
            if (n == 1) ::PostMessageW(form.hWnd(), WM_KEYDOWN, VK_DOWN, 0);
            return n > 1;
        };
        form.Open(form.file, 40, 40);
    };
    for (int i = 0; i < 5; ++i)
        openOnce();
    const long gdi = rt::LiveHandles::Gdi(), user = rt::LiveHandles::User();
    const long thunks = msghook::WndProcThunk::LiveCount();
    const size_t records = ctl().Records().Count(), highlights = form.highlights.size();
    for (int i = 0; i < 1000; ++i)
        openOnce();
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
    EXPECT_EQ(msghook::WndProcThunk::LiveCount(), thunks);
    EXPECT_EQ(ctl().Records().Count(), records);
    // Each opening selected an item, drawn by the control, and closed.
    EXPECT_GE(form.highlights.size() - highlights, 2000u);
}

} // namespace
} // namespace menutest
