// Persistence, property setters and the start-up of the skin frame control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/shell/ucSkinTest.h"
#include "tests/support/SwallowedErrors.h"

using namespace skintest;

namespace {

std::vector<std::wstring> Keys(const rt::PropertyBag& bag) {
    std::vector<std::wstring> keys;
    for (const auto& e : bag.Entries())
        keys.push_back(e.first);
    return keys;
}

// The caption row of the frame, where the text and the glyphs are.
Pixels CaptionRow(const viewer::ucSkin& skin) {
    return Painted(skin.hWnd(), skin.Width(), 23);
}

TEST(ucSkinProperties, WritesEveryChangedKeyInOrderAndReadsThemBack) {
    SkinForm source;
    ASSERT_TRUE(source.Load());
    source.skin.SetDrawIcon(true);
    source.skin.SetMinWidth(320);
    source.skin.SetMinHeight(-4);
    source.skin.SetDrawBorder(true);
    source.skin.SetMenuButton(true);
    source.skin.SetTopMostButton(true);
    const rt::PropertyBag saved = source.skin.SaveProperties();
    EXPECT_EQ(Keys(saved), (std::vector<std::wstring>{L"DrawIcon", L"MinWidth", L"MinHeight", L"DrawBorder",
                                                      L"MenuButton", L"TopMostButton"}));
    source.Unload();

    SkinForm copy(saved);
    ASSERT_TRUE(copy.Load());
    EXPECT_TRUE(copy.skin.DrawIcon());
    EXPECT_EQ(copy.skin.MinWidth(), 320);
    EXPECT_EQ(copy.skin.MinHeight(), -4);
    EXPECT_TRUE(copy.skin.DrawBorder());
    EXPECT_TRUE(copy.skin.MenuButton());
    EXPECT_TRUE(copy.skin.TopMostButton());
    EXPECT_EQ(copy.skin.SaveProperties(), saved);
    copy.Unload();
}

TEST(ucSkinProperties, FalseAndZeroValuesSurviveTheRoundTripToo) {
    SkinForm source;
    ASSERT_TRUE(source.Load());
    source.skin.SetDrawIcon(false);
    source.skin.SetMenuButton(false);
    const rt::PropertyBag saved = source.skin.SaveProperties();
    source.Unload();

    SkinForm copy(saved);
    ASSERT_TRUE(copy.Load());
    EXPECT_FALSE(copy.skin.DrawIcon());
    EXPECT_FALSE(copy.skin.MenuButton());
    EXPECT_TRUE(copy.skin.DrawBorder());
    EXPECT_TRUE(copy.skin.TopMostButton());
    copy.Unload();
}

TEST(ucSkinProperties, KeysMatchWithoutRegardToCase) {
    rt::PropertyBag bag;
    bag.WriteBool(L"drawicon", true, false);
    bag.WriteInt32(L"MINWIDTH", 500, 0);
    bag.WriteBool(L"menuBUTTON", true, false);
    SkinForm form(bag);
    ASSERT_TRUE(form.Load());
    EXPECT_TRUE(form.skin.DrawIcon());
    EXPECT_EQ(form.skin.MinWidth(), 500);
    EXPECT_TRUE(form.skin.MenuButton());
    form.Unload();
}

TEST(ucSkinProperties, AnAbsentKeyKeepsTheCurrentValueNotTheNewlyPlacedDefault) {
    SkinForm form{rt::PropertyBag()};
    ASSERT_TRUE(form.Load());
    EXPECT_FALSE(form.skin.DrawIcon());
    EXPECT_FALSE(form.skin.DrawBorder());
    EXPECT_EQ(form.skin.MinWidth(), 0);
    form.Unload();

    // The same object read again with a bag that lacks most keys keeps what it has.
    form.skin.SetMenuButton(true);
    form.skin.SetMinHeight(77);
    rt::PropertyBag partial;
    partial.WriteBool(L"DrawIcon", true, false);
    form.SetStored(partial);
    ASSERT_TRUE(form.Load());
    EXPECT_TRUE(form.skin.DrawIcon());
    EXPECT_TRUE(form.skin.MenuButton());
    EXPECT_EQ(form.skin.MinHeight(), 77);
    form.Unload();
}

TEST(ucSkinProperties, ANewlyPlacedControlTakesItsDesignDefaults) {
    SkinForm form;
    form.noStoredProperties = true;
    ASSERT_TRUE(form.Load());
    EXPECT_TRUE(form.skin.DrawIcon());
    EXPECT_TRUE(form.skin.DrawBorder());
    EXPECT_FALSE(form.skin.MenuButton());
    EXPECT_FALSE(form.skin.TopMostButton());
    EXPECT_EQ(form.skin.MinWidth(), 0);
    EXPECT_EQ(form.skin.MinHeight(), 0);
    form.Unload();
}

TEST(ucSkinProperties, ReadsInOrderAndAnUnreadableValueStopsTheRestButNotTheStart) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    rt::PropertyBag bag;
    bag.WriteBool(L"DrawIcon", true, false);
    bag.WriteInt32(L"MinWidth", 250, 0);
    bag.WriteText(L"MinHeight", L"tall", L"");
    bag.WriteBool(L"DrawBorder", true, false);
    bag.WriteBool(L"MenuButton", true, false);
    SkinForm form(bag);
    ASSERT_TRUE(form.Load());
    // Read before the bad key ...
    EXPECT_TRUE(form.skin.DrawIcon());
    EXPECT_EQ(form.skin.MinWidth(), 250);
    // ... and not after it.
    EXPECT_EQ(form.skin.MinHeight(), 0);
    EXPECT_FALSE(form.skin.DrawBorder());
    EXPECT_FALSE(form.skin.MenuButton());
    // The frame still intercepts the form.
    ASSERT_EQ(form.skin.ParentWindow(), form.hWnd());
    EXPECT_EQ(AskMinMax(form.hWnd()).ptMinTrackSize.x, 250);
    form.Unload();
}

TEST(ucSkinProperties, SettersMarkChangedOnlyOnChangeExceptBorderAndSizes) {
    SkinForm form;
    ASSERT_TRUE(form.Load());
    form.skin.ClearChangedProperties();
    form.skin.SetDrawIcon(true);
    form.skin.SetMenuButton(true);
    form.skin.SetTopMostButton(true);
    EXPECT_TRUE(form.skin.ChangedProperties().empty());

    form.skin.SetDrawBorder(true);
    form.skin.SetMinWidth(0);
    form.skin.SetMinHeight(0);
    form.skin.SetDrawIcon(false);
    form.skin.SetMenuButton(false);
    form.skin.SetTopMostButton(false);
    EXPECT_EQ(form.skin.ChangedProperties(),
              (std::vector<std::wstring>{L"DrawBorder", L"MinWidth", L"MinHeight", L"DrawIcon", L"MenuButton",
                                         L"TopMostButton"}));
    form.Unload();
}

TEST(ucSkinProperties, DisplaySettersRepaintOnlyWhenTheValueChanges) {
    SkinForm form;
    ShowForm(form);
    const Pixels before = CaptionRow(form.skin);
    // The frame does not follow caption changes by itself, so new text shows only after a repaint.
    ::SetWindowTextW(form.hWnd(), L"新的标题文字新的标题文字");
    Pump();

    form.skin.SetDrawIcon(true);
    form.skin.SetMenuButton(true);
    form.skin.SetTopMostButton(true);
    EXPECT_EQ(CaptionRow(form.skin), before) << "a setter that changed nothing repainted";

    form.skin.SetDrawBorder(false);
    form.skin.SetMinWidth(10);
    EXPECT_EQ(CaptionRow(form.skin), before) << "DrawBorder and MinWidth do not paint";

    form.skin.SetMenuButton(false);
    const Pixels after = CaptionRow(form.skin);
    EXPECT_FALSE(after == before);
    const int w = form.skin.Width();
    EXPECT_TRUE(ShowsCaptionBackground(after, w - 85, 6)) << "menu glyph still drawn";
    EXPECT_FALSE(::IsWindowVisible(form.skin.ImgBt(viewer::skin::kMenuButton).hWnd()));

    form.skin.SetTopMostButton(false);
    EXPECT_TRUE(ShowsCaptionBackground(CaptionRow(form.skin), w - 68, 6)) << "pin glyph still drawn";

    EXPECT_FALSE(ShowsCaptionBackground(CaptionRow(form.skin), 3, 3)) << "no icon drawn";
    ::SetWindowTextW(form.hWnd(), L"");
    form.skin.SetDrawIcon(false);
    EXPECT_TRUE(ShowsCaptionBackground(CaptionRow(form.skin), 3, 3)) << "icon still drawn";
    form.Unload();
}

TEST(ucSkinStartUp, RunModeCapturesTheFormInterceptsItAndLoadsTheSkin) {
    SkinForm form;
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(form.skin.ParentWindow(), form.hWnd());
    const MINMAXINFO mmi = AskMinMax(form.hWnd());
    EXPECT_EQ(mmi.ptMinTrackSize.x, 142);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 50);
    for (int i = 0; i < viewer::skin::kButtonCount; ++i)
        EXPECT_EQ(form.skin.ButtonState(i), 0) << i;
    EXPECT_FALSE(form.skin.TopMostOn());
    form.Unload();
    EXPECT_EQ(form.skin.ParentWindow(), nullptr);
}

TEST(ucSkinStartUp, MouseLeaveTrackingComesFromUser32ElseComctl32AndIsAskedForOnAMove) {
    using Tracking = viewer::ucSkin::MouseTracking;
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const HMODULE comctl32 = ::LoadLibraryW(L"comctl32.dll");
    ASSERT_TRUE(user32 && comctl32);
    const auto fn = [](HMODULE m, const char* name) {
        return reinterpret_cast<viewer::ucSkin::TrackMouseEventFn>(
            reinterpret_cast<void*>(::GetProcAddress(m, name)));
    };
    const Tracking own = viewer::ucSkin::ChooseMouseTracking(user32, L"comctl32.dll");
    EXPECT_EQ(own.function, fn(user32, "TrackMouseEvent"));
    EXPECT_TRUE(own.user32);
    // A user32 without the export (kernel32 stands in for one) falls back to comctl32's.
    const Tracking fallback =
        viewer::ucSkin::ChooseMouseTracking(::GetModuleHandleW(L"kernel32.dll"), L"comctl32.dll");
    EXPECT_EQ(fallback.function, fn(comctl32, "_TrackMouseEvent"));
    EXPECT_NE(fallback.function, nullptr);
    EXPECT_FALSE(fallback.user32);
    EXPECT_EQ(viewer::ucSkin::ChooseMouseTracking(nullptr, L"pelmor-no-such-comctl.dll").function, nullptr);
    ::FreeLibrary(comctl32);

    // What was chosen is in effect: a move over the caption asks for WM_MOUSELEAVE on the frame's window
    // (asked while the pointer is elsewhere, the system would answer at once instead of tracking).
    SkinForm form;
    ShowForm(form);
    ::SetWindowPos(form.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    POINT at{150, 12};
    ::ClientToScreen(form.skin.hWnd(), &at);
    ::SetCursorPos(at.x, at.y);
    Pump();
    ASSERT_EQ(::WindowFromPoint(at), form.skin.hWnd());
    TRACKMOUSEEVENT cancel{sizeof(cancel), TME_LEAVE | TME_CANCEL, form.skin.hWnd(), 0};
    ::TrackMouseEvent(&cancel);
    SendMouse(form.skin.hWnd(), WM_MOUSEMOVE, 150, 12);
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    ASSERT_TRUE(::TrackMouseEvent(&query));
    EXPECT_EQ(query.hwndTrack, form.skin.hWnd());
    EXPECT_NE(query.dwFlags & TME_LEAVE, 0u);
    form.Unload();
}

TEST(ucSkinStartUp, DesignModeDrawsTheNamedBoxAndInterceptsNothing) {
    SkinForm form;
    form.SetDesignMode(true);
    ASSERT_TRUE(form.Load());
    Pump();
    EXPECT_EQ(form.skin.ParentWindow(), nullptr);
    EXPECT_EQ(form.skin.Width(), 90);
    EXPECT_EQ(form.skin.Height(), 24);
    EXPECT_EQ(AskMinMax(form.hWnd()).ptMinTrackSize.x, 1);

    const Pixels shot = Painted(form.skin);
    const COLORREF frame = RGB(59, 90, 130);
    EXPECT_EQ(shot.At(0, 0), frame);
    EXPECT_EQ(shot.At(45, 0), frame);
    EXPECT_EQ(shot.At(88, 22), frame);
    EXPECT_EQ(shot.At(0, 22), frame);
    EXPECT_EQ(shot.At(89, 10), RGB(0, 0, 0));
    // The name "ucSkin1" is written in the middle.
    int ink = 0;
    for (int y = 2; y < 21; ++y)
        for (int x = 2; x < 87; ++x)
            if (GetRValue(shot.At(x, y)) > 128) ++ink;
    EXPECT_GT(ink, 10);

    // Held at its size whatever the form asks.
    form.skin.Move(0, 0, 300, 100);
    EXPECT_EQ(form.skin.Width(), 90);
    EXPECT_EQ(form.skin.Height(), 24);
    form.Unload();
}

} // namespace
