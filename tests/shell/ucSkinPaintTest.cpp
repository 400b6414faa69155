// What the skin frame paints: caption, glyph cells, text, outlines, and when it paints nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/shell/ucSkinTest.h"

using namespace skintest;
namespace sk = viewer::skin;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kOpening = RGB(57, 57, 51);

bool IsInk(COLORREF c) {
    return GetRValue(c) > 140 || GetGValue(c) > 140;
}

int CountColour(const Pixels& shot, int left, int top, int right, int bottom, COLORREF colour) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (shot.At(x, y) == colour) ++n;
    return n;
}

class ucSkinPaint : public ::testing::Test {
  protected:
    void TearDown() override { form_.Unload(); }

    void ShowWith(rt::PropertyBag bag) {
        form_.SetStored(std::move(bag));
        ShowForm(form_);
    }
    Pixels Shot() { return Painted(form_.skin); }
    int W() const { return form_.skin.Width(); }
    int H() const { return form_.skin.Height(); }
    void Activate(bool active) { ::SendMessageW(form_.hWnd(), WM_NCACTIVATE, active ? 1 : 0, 0); }

    SkinForm form_;
};

TEST_F(ucSkinPaint, TheControlCoversTheClientAreaOfTheCaptionlessForm) {
    ShowWith(MainWindowBag());
    EXPECT_EQ(::GetWindowLongPtrW(form_.hWnd(), GWL_STYLE) & WS_CAPTION, 0);
    RECT client{};
    ::GetClientRect(form_.hWnd(), &client);
    EXPECT_EQ(form_.skin.Left(), 0);
    EXPECT_EQ(form_.skin.Top(), 0);
    EXPECT_EQ(W(), client.right);
    EXPECT_EQ(H(), client.bottom);
    EXPECT_GT(W(), 400) << "the caption's height and nothing else was given back to the client area";
}

TEST_F(ucSkinPaint, CaptionIsTheSkinGradientStretchedAcross) {
    ShowWith(MainWindowBag());
    Activate(true);
    const Pixels shot = Shot();
    const Pixels& skin = SkinBitmap();
    for (int x : {150, W() - 88, W() - 6}) {
        for (int y = 2; y <= 22; ++y)
            ASSERT_EQ(shot.At(x, y), skin.At(40, PELMOR_SKIN_CAPTION_Y + y - 2)) << "at " << x << "," << y;
    }
    EXPECT_EQ(skin.At(0, PELMOR_SKIN_CAPTION_Y), RGB(102, 102, 102));
    EXPECT_EQ(skin.At(0, PELMOR_SKIN_CAPTION_Y + 20), RGB(36, 36, 36));
}

TEST_F(ucSkinPaint, OutlinesTakeTheActiveAndInactiveColours) {
    ShowWith(MainWindowBag());
    const int w = W(), h = H();

    Activate(false);
    Pixels shot = Shot();
    EXPECT_EQ(shot.At(w / 2, 0), RGB(73, 73, 75));
    EXPECT_EQ(shot.At(0, h / 2), RGB(73, 73, 75));
    EXPECT_EQ(shot.At(w - 1, h / 2), RGB(73, 73, 75));
    EXPECT_EQ(shot.At(w / 2, h - 1), RGB(73, 73, 75));
    EXPECT_EQ(shot.At(w / 2, 1), RGB(121, 121, 125));
    EXPECT_EQ(shot.At(1, h / 2), RGB(121, 121, 125));
    EXPECT_EQ(shot.At(w - 2, h / 2), RGB(121, 121, 125));
    EXPECT_EQ(shot.At(w / 2, h - 2), RGB(121, 121, 125));
    // Rounded: the very corners are left to the background.
    EXPECT_EQ(shot.At(0, 0), kBlack);
    EXPECT_EQ(shot.At(w - 1, h - 1), kBlack);

    Activate(true);
    shot = Shot();
    EXPECT_EQ(shot.At(w / 2, 0), kBlack);
    EXPECT_EQ(shot.At(1, h / 2), RGB(139, 139, 136));
    EXPECT_EQ(shot.At(w / 2, h - 2), RGB(139, 139, 136));
}

TEST_F(ucSkinPaint, TheOpeningIsFramedOnePixelOutsideIt) {
    ShowWith(MainWindowBag());
    const Pixels shot = Shot();
    const int w = W(), h = H();
    EXPECT_EQ(shot.At(3, h / 2), kOpening);
    EXPECT_EQ(shot.At(w - 4, h / 2), kOpening);
    EXPECT_EQ(shot.At(w / 2, 23), kOpening);
    EXPECT_EQ(shot.At(w / 2, h - 4), kOpening);
    EXPECT_EQ(shot.At(2, h / 2), kBlack);
    EXPECT_EQ(shot.At(4, h / 2), kBlack);
    EXPECT_EQ(shot.At(w / 2, 24), kBlack);
    EXPECT_EQ(shot.At(w / 2, h - 3), kBlack);
}

TEST_F(ucSkinPaint, CaptionTextTakesTheActiveAndInactiveColours) {
    ShowWith(MainWindowBag());
    Activate(true);
    Pixels shot = Shot();
    const int textRight = W() - 85;
    EXPECT_GT(CountColour(shot, 21, 6, textRight, 23, RGB(220, 220, 220)), 5);
    EXPECT_EQ(CountColour(shot, 21, 6, textRight, 23, RGB(191, 190, 190)), 0);
    Activate(false);
    shot = Shot();
    EXPECT_GT(CountColour(shot, 21, 6, textRight, 23, RGB(191, 190, 190)), 5);
    EXPECT_EQ(CountColour(shot, 21, 6, textRight, 23, RGB(220, 220, 220)), 0);
}

TEST_F(ucSkinPaint, EveryGlyphSitsAtItsLayoutPositionInTheNormalRow) {
    ShowWith(MainWindowBag());
    const Pixels shot = Shot();
    const int w = W();
    EXPECT_TRUE(ShowsCell(shot, w - 17, 6, 22, 0)) << "close";
    EXPECT_TRUE(ShowsCell(shot, w - 34, 6, 11, 0)) << "maximize";
    EXPECT_TRUE(ShowsCell(shot, w - 51, 6, 0, 0)) << "minimize";
    EXPECT_TRUE(ShowsCell(shot, w - 68, 6, 44, 0)) << "stay on top, off";
    EXPECT_TRUE(ShowsCell(shot, w - 85, 6, 33, 0)) << "menu";
    for (int i = 0; i < sk::kButtonCount; ++i) {
        EXPECT_EQ(form_.skin.ButtonState(i), sk::kNormal) << i;
        RECT r{};
        ::GetWindowRect(form_.skin.ImgBt(i).hWnd(), &r);
        ::MapWindowPoints(HWND_DESKTOP, form_.skin.hWnd(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.top, 6) << i;
        EXPECT_EQ(r.right - r.left, 11) << i;
        EXPECT_EQ(r.bottom - r.top, 11) << i;
        EXPECT_TRUE(::IsWindowVisible(form_.skin.ImgBt(i).hWnd())) << i;
    }
    EXPECT_EQ(form_.skin.ImgBt(sk::kCloseButton).Left(), w - 17);
    EXPECT_EQ(form_.skin.ImgBt(sk::kMenuButton).Left(), w - 85);
}

TEST_F(ucSkinPaint, TheFormsSmallIconIsDrawnSixteenSquareAtThreeThree) {
    // No caption text, so switching the icon off changes nothing but the icon's own square.
    form_.SetCaption(L"");
    ShowWith(MainWindowBag());
    Activate(true);
    const Pixels withIcon = Shot();
    form_.skin.SetDrawIcon(false);
    const Pixels without = Shot();
    int inside = 0, outside = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < W(); ++x)
            if (withIcon.At(x, y) != without.At(x, y))
                ++(x >= 3 && x < 19 && y >= 3 && y < 19 ? inside : outside);
    EXPECT_GT(inside, 40) << "no icon drawn in the 16 x 16 square at (3, 3)";
    EXPECT_EQ(outside, 0) << "the icon spilled outside its square";
}

TEST_F(ucSkinPaint, MenuAndPinAreNotDrawnAndNotClickableWhenTheirPropertiesAreFalse) {
    rt::PropertyBag bag = MainWindowBag();
    bag.WriteBool(L"MenuButton", false, true);
    bag.WriteBool(L"TopMostButton", false, true);
    ShowWith(bag);
    const Pixels shot = Shot();
    const int w = W();
    EXPECT_TRUE(ShowsCaptionBackground(shot, w - 85, 6));
    EXPECT_TRUE(ShowsCaptionBackground(shot, w - 68, 6));
    EXPECT_TRUE(ShowsCell(shot, w - 17, 6, 22, 0));
    EXPECT_FALSE(::IsWindowVisible(form_.skin.ImgBt(sk::kMenuButton).hWnd()));
    EXPECT_FALSE(::IsWindowVisible(form_.skin.ImgBt(sk::kTopMostButton).hWnd()));
    EXPECT_EQ(form_.skin.ButtonState(sk::kMenuButton), 0);
    EXPECT_EQ(form_.skin.ButtonState(sk::kTopMostButton), 0);
}

TEST_F(ucSkinPaint, MissingBoxesShowGreyGlyphsAndHideTheirHitAreas) {
    form_.SetMinButton(false);
    form_.SetMaxButton(false);
    ShowWith(MainWindowBag());
    const Pixels shot = Shot();
    const int w = W();
    EXPECT_TRUE(ShowsCell(shot, w - 51, 6, 0, 22)) << "minimize, disabled";
    EXPECT_TRUE(ShowsCell(shot, w - 34, 6, 11, 22)) << "maximize, disabled";
    EXPECT_TRUE(ShowsCell(shot, w - 17, 6, 22, 0)) << "close";
    EXPECT_FALSE(::IsWindowVisible(form_.skin.ImgBt(sk::kMinButton).hWnd()));
    EXPECT_FALSE(::IsWindowVisible(form_.skin.ImgBt(sk::kMaxButton).hWnd()));
    EXPECT_TRUE(::IsWindowVisible(form_.skin.ImgBt(sk::kCloseButton).hWnd()));
}

TEST_F(ucSkinPaint, MaximizedDropsTheRoundedOutlinesButKeepsTheOpeningFrame) {
    ShowWith(MainWindowBag());
    Activate(false);
    ::ShowWindow(form_.hWnd(), SW_MAXIMIZE);
    Pump();
    ASSERT_TRUE(::IsZoomed(form_.hWnd()));
    Activate(false);
    Pixels shot = Shot();
    int w = W(), h = H();
    EXPECT_EQ(shot.At(w / 2, h - 1), kBlack);
    EXPECT_EQ(shot.At(w / 2, h - 2), kBlack);
    EXPECT_EQ(shot.At(0, h / 2), kBlack);
    EXPECT_EQ(shot.At(1, h / 2), kBlack);
    EXPECT_EQ(shot.At(w / 2, 0), kBlack);
    EXPECT_EQ(shot.At(3, h / 2), kOpening);
    EXPECT_EQ(shot.At(w / 2, h - 4), kOpening);
    EXPECT_TRUE(ShowsCell(shot, w - 34, 6, 66, 0)) << "restore glyph while maximized";

    ::ShowWindow(form_.hWnd(), SW_RESTORE);
    Pump();
    Activate(false);
    shot = Shot();
    w = W();
    h = H();
    EXPECT_EQ(shot.At(w / 2, h - 1), RGB(73, 73, 75));
    EXPECT_TRUE(ShowsCell(shot, w - 34, 6, 11, 0)) << "maximize glyph again";
}

TEST_F(ucSkinPaint, ALongCaptionIsCutBeforeTheButtonsAndEndsInDots) {
    rt::PropertyBag bag = MainWindowBag();
    bag.WriteBool(L"MenuButton", false, true);
    bag.WriteBool(L"TopMostButton", false, true);
    ShowWith(bag);
    std::wstring caption;
    for (int i = 0; i < 60; ++i)
        caption += L"行情WM";
    ::SetWindowTextW(form_.hWnd(), caption.c_str());
    Activate(true);
    const Pixels shot = Shot();
    const int textRight = W() - 85;

    int rightmost = -1;
    for (int x = 21; x < W() - 52; ++x)
        for (int y = 6; y < 23; ++y)
            if (IsInk(shot.At(x, y))) rightmost = x;
    ASSERT_GE(rightmost, 0) << "no caption text drawn";
    EXPECT_LT(rightmost, textRight) << "text runs into the buttons' place";
    EXPECT_GT(rightmost, textRight - 20) << "text stops well short of its box";

    // The last thing drawn is a dot: a few pixels low in the line, not a full-height character.
    int top = 99, bottom = -1;
    for (int x = rightmost - 1; x <= rightmost; ++x)
        for (int y = 6; y < 23; ++y)
            if (IsInk(shot.At(x, y))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_LE(bottom - top, 3) << "ink from row " << top << " to " << bottom;
    EXPECT_GE(top, 12);
}

TEST_F(ucSkinPaint, NothingIsPaintedWhileTheFormIsMinimized) {
    ShowWith(MainWindowBag());
    const int w = W(), h = H();
    ::ShowWindow(form_.hWnd(), SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(::IsIconic(form_.hWnd()));
    const Pixels before = Painted(form_.skin.hWnd(), w, h);
    ::SetWindowTextW(form_.hWnd(), L"最小化时改的标题");
    Activate(true);
    Activate(false);
    ::SendMessageW(form_.hWnd(), WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(Painted(form_.skin.hWnd(), w, h), before);

    ::ShowWindow(form_.hWnd(), SW_RESTORE);
    Pump();
    ASSERT_EQ(W(), w);
    EXPECT_FALSE(Shot() == before) << "the new caption shows after restoring";
}

TEST_F(ucSkinPaint, PaintsMakeNoObjectsAndALiveResizeMakesBuffersOnlyNowAndThen) {
    ShowWith(MainWindowBag());
    Activate(true);
    const long made = rt::LiveHandles::Made(rt::HandleKind::Gdi);
    for (int i = 0; i < 40; ++i)
        Activate(i % 2 == 0);
    EXPECT_EQ(rt::LiveHandles::Made(rt::HandleKind::Gdi), made) << "GDI objects made by paints";

    // A pixel at a time, as the size loop moves it: larger by 60 in both directions and back.
    RECT wr{};
    ::GetWindowRect(form_.hWnd(), &wr);
    const int w0 = wr.right - wr.left, h0 = wr.bottom - wr.top;
    const long buffers = form_.skin.BufferAllocations();
    for (int step = -60; step <= 60; ++step) {
        const int grow = 60 - (step < 0 ? -step : step);
        ::SetWindowPos(form_.hWnd(), nullptr, 0, 0, w0 + grow, h0 + grow, SWP_NOMOVE | SWP_NOZORDER);
    }
    // The frame buffer, the caption strip and its background each grew once.
    EXPECT_LE(form_.skin.BufferAllocations() - buffers, 3);
    ASSERT_EQ(W(), form_.skin.ScaleWidth());

    // Back at its first size inside larger buffers, the frame is painted exactly as a new one is.
    SkinForm fresh;
    ShowForm(fresh);
    ::SetWindowPos(fresh.hWnd(), nullptr, 0, 0, w0, h0, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ::SendMessageW(fresh.hWnd(), WM_NCACTIVATE, 0, 0);
    Activate(false);
    ASSERT_EQ(fresh.skin.Width(), W());
    EXPECT_TRUE(Painted(fresh.skin) == Shot());
    fresh.Unload();
}

TEST_F(ucSkinPaint, AKeptLookIsOnlyCopiedAndWhatChangedSinceIsDrawnAgain) {
    ShowWith(MainWindowBag());
    Activate(false);
    Activate(true);
    const long drawn = form_.skin.FrameCompositions();
    for (int i = 0; i < 6; ++i)
        Activate(i % 2 == 0);
    EXPECT_EQ(form_.skin.FrameCompositions(), drawn) << "active and inactive are both kept";

    // A hover drawn over the kept picture does not come back with it.
    SendMouse(form_.skin.ImgBt(sk::kCloseButton).hWnd(), WM_MOUSEMOVE, 3, 3);
    ASSERT_TRUE(ShowsCell(Shot(), W() - 17, 6, 22, 11));
    Activate(true);
    Activate(false);
    EXPECT_TRUE(ShowsCell(Shot(), W() - 17, 6, 22, 0));
    ::SetWindowTextW(form_.hWnd(), L"");
    Activate(false);
    EXPECT_EQ(CountColour(Shot(), 21, 6, W() - 85, 23, RGB(191, 190, 190)), 0) << "the old caption is kept";
}

TEST_F(ucSkinPaint, APaintReachesTheScreenAtOnceThroughTheHitAreas) {
    ShowWith(MainWindowBag());
    ::SetWindowPos(form_.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Pump();
    const int w = W(), h = H();
    for (bool active : {false, true}) {
        // Nothing pumped: no WM_PAINT of the frame or its hit areas runs in between.
        Activate(active);
        const Pixels screen = OnScreen(form_.skin.hWnd());
        EXPECT_EQ(screen.At(w / 2, h - 2), active ? RGB(139, 139, 136) : RGB(121, 121, 125));
        EXPECT_EQ(screen.At(w / 2, 1), active ? RGB(139, 139, 136) : RGB(121, 121, 125));
        EXPECT_TRUE(ShowsCell(screen, w - 17, 6, 22, 0));
        EXPECT_TRUE(ShowsCell(screen, w - 85, 6, 33, 0));
    }
}

TEST_F(ucSkinPaint, TheScreenGetsThePaintedFrameBackAfterACoveringWindowGoes) {
    ShowWith(MainWindowBag());
    ::SetWindowPos(form_.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Pump();
    const Pixels painted = Shot();
    RECT wr{};
    ::GetWindowRect(form_.hWnd(), &wr);
    {
        rt::UniqueWindow cover(::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                                                 wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top,
                                                 nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(cover);
        ::UpdateWindow(cover.get());
        Pump();
    }
    Pump();
    ::UpdateWindow(form_.hWnd());
    const Pixels screen = OnScreen(form_.skin.hWnd());
    const int w = W(), h = H();
    const POINT samples[] = {{w / 2, 0}, {w / 2, 1}, {150, 12}, {w - 88, 20}, {3, h / 2}, {w / 2, h - 4}};
    for (const POINT& p : samples)
        EXPECT_EQ(screen.At(p.x, p.y), painted.At(p.x, p.y)) << p.x << "," << p.y;
    // Under the close button's hit area the glyph shows through.
    EXPECT_TRUE(ShowsCell(screen, w - 17, 6, 22, 0));
}

} // namespace
