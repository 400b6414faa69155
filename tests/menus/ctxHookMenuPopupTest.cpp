// Popup menu windows in the menu loop: submenus placed against their item, printing, columns, the
// system menu, and a thousand openings that leave nothing behind.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "menus/MenuPalette.h"
#include "msghook/Thunk.h"
#include "runtime/Handles.h"
#include "tests/menus/MenuTestForm.h"
#include "tests/support/MenuCloser.h"
#include "tests/support/TestCanvas.h"

namespace menutest {
namespace {

class MenuPopups : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.Load()); }
    menus::ctxHookMenu& ctl() { return form.ctxHookMenu1; }
    // Shows the form at the screen's top left and lets it reach the screen, which popups capture.
    void ShowSettled() {
        form.Show(SW_SHOWNORMAL);
        ::SetWindowPos(form.hWnd(), nullptr, 0, 0, 500, 400, SWP_NOZORDER);
        for (int i = 0; i < 10; ++i) {
            MSG m;
            while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&m);
            ::Sleep(10);
        }
    }
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

// The popup's frame and shadow as WM_PRINT copies them, over a form of a known colour behind it.
TEST_F(MenuPopups, PrintingAPopupDrawsItsFrameAndAShadowOverWhatLiesBehindAndPutsTheDcBack) {
    constexpr COLORREF kBehind = RGB(0x60, 0xA0, 0xE0);
    form.SetBackColor(kBehind);
    ShowSettled();
    const COLORREF border = ctl().Palette().menuBorder;
    std::vector<COLORREF> right, below;
    int w = 0, h = 0, frameRight = -1, frameBottom = -1;
    POINT origin{-1, -1};
    int clip = -1;
    form.onIdle = [&](int) {
        if (ctl().Popups().size() != 1) return true;
        const HWND popup = ctl().Popups()[0];
        RECT wr{};
        ::GetWindowRect(popup, &wr);
        w = wr.right - wr.left, h = wr.bottom - wr.top;
        rt::WindowDC screen(nullptr);
        rt::UniqueDC dc(::CreateCompatibleDC(screen.get()));
        rt::UniqueBitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
        rt::SelectGuard select(dc.get(), bmp.get());
        ::SendMessageW(popup, WM_PRINT, reinterpret_cast<WPARAM>(dc.get()), PRF_NONCLIENT | PRF_CLIENT);
        // The frame's right and bottom edges, found from outside in, then what lies past them.
        for (int x = w - 1; x >= 0 && frameRight < 0; --x)
            if (::GetPixel(dc.get(), x, h / 2) == border) frameRight = x;
        for (int y = h - 1; y >= 0 && frameBottom < 0; --y)
            if (::GetPixel(dc.get(), w / 2, y) == border) frameBottom = y;
        for (int x = frameRight + 1; x < w; ++x)
            right.push_back(::GetPixel(dc.get(), x, h / 2));
        for (int y = frameBottom + 1; y < h; ++y)
            below.push_back(::GetPixel(dc.get(), w / 2, y));
        ::GetViewportOrgEx(dc.get(), &origin);
        rt::UniqueRgn rgn(::CreateRectRgn(0, 0, 0, 0));
        clip = ::GetClipRgn(dc.get(), rgn.get());
        return true;
    };
    form.Open(form.file, 60, 60);
    ASSERT_GT(frameRight, w / 2);
    ASSERT_GT(frameBottom, h / 2);
    // Three columns darkened by 64, 43 and 21 of 255 towards black; below, as many rows as the window
    // holds (the frame's bottom edge lies two rows above the window's when the system outlines the
    // client itself, as Wine does).
    const COLORREF shade[] = {menus::Blend(0, kBehind, 64), menus::Blend(0, kBehind, 43),
                              menus::Blend(0, kBehind, 21)};
    ASSERT_GE(right.size(), 3u);
    EXPECT_EQ(std::vector<COLORREF>(right.begin(), right.begin() + 3),
              std::vector<COLORREF>(shade, shade + 3));
    ASSERT_GE(below.size(), 2u);
    for (size_t d = 0; d < std::min<size_t>(below.size(), 3); ++d)
        EXPECT_EQ(below[d], shade[d]) << d;
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(clip, 0) << "a clip region was left on the DC";
}

// The popup of an open menu-bar item: its frame image opens the edge next to the item in the item's
// fill, and the item is drawn open with its shadow.
TEST_F(MenuPopups, AMenuBarPopupJoinsTheOpenItemInItsFrameImage) {
    ShowSettled();
    RECT item{}, window{};
    std::vector<COLORREF> edge;
    int frameTop = -1, frameLeft = -1;
    form.onIdle = [&](int) {
        if (ctl().Popups().size() != 1) return true;
        const HWND popup = ctl().Popups()[0];
        ::GetWindowRect(popup, &window);
        ::GetMenuItemRect(form.hWnd(), form.bar, 0, &item);
        const drawing::cMemDC* image = ctl().FrameImage(popup);
        if (!image) return true;
        // The frame's top left corner is its first pixel in the border colour.
        const COLORREF border = ctl().Palette().menuBorder;
        for (int y = 0; y < 4 && frameTop < 0; ++y)
            for (int x = 0; x < 4 && frameTop < 0; ++x)
                if (image->GetPixel(x, y) == border) frameLeft = x, frameTop = y;
        for (int x = 0; x < image->Width(); ++x)
            edge.push_back(image->GetPixel(x, frameTop));
        return true;
    };
    // The menu loop runs inside the dispatch of this message; should it never go idle, it still ends.
    testsupport::MenuCloser closer(3000);
    ::PostMessageW(form.hWnd(), WM_SYSCOMMAND, SC_KEYMENU, L'f');
    const DWORD end = ::GetTickCount() + 3000;
    MSG m;
    while (edge.empty() && ::GetTickCount() < end) {
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&m);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    ASSERT_FALSE(edge.empty()) << "the menu bar's File popup did not open";
    ASSERT_GE(frameTop, 0);
    // The popup opens under the item, overlapping it by a row, at its left edge.
    EXPECT_EQ(window.top, item.bottom - 1);
    const int offset = item.left - window.left, width = item.right - item.left;
    const COLORREF fill = ctl().Colours().barOpenFill, border = ctl().Palette().menuBorder;
    for (int x = frameLeft; x < static_cast<int>(edge.size()) - 6; ++x) {
        const bool open = x > frameLeft && x >= offset + 1 && x < offset + width - 1;
        EXPECT_EQ(edge[x], open ? fill : border) << x;
    }
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

TEST_F(MenuPopups, TwoHundredOpeningsWithPicturesLeaveHandlesAndThunksAsTheyWere) {
    // Pictures in every state, with the effects of MenuDrawStyle 2, drawn at each opening.
    ctl().SetMenuDrawStyle(2);
    ctl().SetMenuControls({{L"mnuNew", -1, L"新建(&N)"},
                           {L"mnuSave", -1, L"保存(&S)\tCtrl+S"},
                           {L"mnuWrap", -1, L"自动换行(&W)"},
                           {L"mnuOpen", -1, L"打开(&O)...\tCtrl+O"}});
    for (const wchar_t* name : {L"mnuNew", L"mnuSave", L"mnuWrap", L"mnuOpen"})
        ctl().SetBitmapByCaption(
            name,
            rt::PictureObject::FromBitmap(testsupport::MakeDib(
                20, 20, [](int x, int y) { return (x + y) % 5 ? 0xFF2060A0u : 0xFFFF00FFu; })),
            0xFF00FF);
    const auto openOnce = [&] {
        form.onIdle = [&](int n) {
            // Down to 新建, then to 打开: both drawn selected, and drawn again as they were.
            if (n <= 2) ::PostMessageW(form.hWnd(), WM_KEYDOWN, VK_DOWN, 0);
            return n > 2;
        };
        form.Open(form.file, 40, 40);
    };
    for (int i = 0; i < 5; ++i)
        openOnce();
    const long gdi = rt::LiveHandles::Gdi(), user = rt::LiveHandles::User();
    const long thunks = msghook::WndProcThunk::LiveCount();
    const size_t records = ctl().Records().Count(), highlights = form.highlights.size();
    // Counts are compared exactly, so one opening that keeps anything shows; the warm-up above filled the caches.
    for (int i = 0; i < 200; ++i)
        openOnce();
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
    EXPECT_EQ(msghook::WndProcThunk::LiveCount(), thunks);
    EXPECT_EQ(ctl().Records().Count(), records);
    // Each opening selected two items, drawn by the control, and closed.
    EXPECT_GE(form.highlights.size() - highlights, 600u);
}

} // namespace
} // namespace menutest
