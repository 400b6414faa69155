#include "shell/UButton.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource_names.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "tests/support/SwallowedErrors.h"
#include "tests/support/TestCanvas.h"

namespace {

using viewer::UButton;

rt::Picture Res(const wchar_t* name) {
    return rt::LoadResPicture(name, rt::PictureType::Bitmap);
}

// 0x00RRGGBB, top row first.
using Pixels = std::vector<uint32_t>;

// What the window shows in its client area, painted now.
Pixels Shown(HWND wnd) {
    ::UpdateWindow(wnd);
    RECT r{};
    ::GetClientRect(wnd, &r);
    rt::WindowDC dc(wnd);
    return testsupport::GrabRgbs(dc.get(), r.right, r.bottom);
}

Pixels PixelsOf(const rt::Picture& picture) {
    rt::UniqueDC mem(::CreateCompatibleDC(nullptr));
    rt::SelectGuard select(mem.get(), picture->Bitmap());
    return testsupport::GrabRgbs(mem.get(), picture->Width(), picture->Height());
}

using Size = std::pair<int, int>;
Size SizeOf(const rt::Control& c) {
    return {c.Width(), c.Height()};
}

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// The text the form's tooltip window holds for a tool, asked of the tooltip window itself.
std::wstring TipOf(rt::Form& form, HWND tool) {
    rt::ToolTips* tips = form.TipsIfAny();
    if (!tips || !tips->hWnd()) return L"<no tooltip window>";
    std::vector<wchar_t> buffer(256, L'\0');
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = ::GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = buffer.data();
    ::SendMessageW(tips->hWnd(), TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&ti));
    return buffer.data();
}

class TestForm : public rt::Form {
  public:
    TestForm() {
        SetCaption(L"UButton");
        SetClientSize(400, 120);
    }
};

constexpr int kW = PELMOR_BUTTON_W;
constexpr int kH = PELMOR_BUTTON_H;

class UButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        normal = Res(PELMOR_RES_UB_PELMOR_N);
        hover = Res(PELMOR_RES_UB_PELMOR_H);
        pressed = Res(PELMOR_RES_UB_PELMOR_C);
        greyed = Res(PELMOR_RES_UB_DAZHIHUI_N);
        ASSERT_TRUE(normal && hover && pressed && greyed);
        // Every state must be told apart by its pixels.
        ASSERT_NE(PixelsOf(normal), PixelsOf(hover));
        ASSERT_NE(PixelsOf(normal), PixelsOf(pressed));
        ASSERT_NE(PixelsOf(hover), PixelsOf(pressed));
        ASSERT_NE(PixelsOf(normal), PixelsOf(greyed));
        form.Show(SW_SHOWNORMAL);
        ASSERT_TRUE(form.hWnd());
    }
    void TearDown() override {
        ::ReleaseCapture();
        form.Unload();
    }

    // A newly placed button (no stored properties), with counters on its events.
    UButton& Place(int width = 120, int height = 40, const rt::PropertyBag* bag = nullptr) {
        buttons.push_back(std::make_unique<UButton>());
        UButton& b = *buttons.back();
        b.Click = [this] { ++clicks; };
        b.MouseMove = [this] { ++moves; };
        form.AddUserControl(b, L"ub" + std::to_wstring(buttons.size()), 10, 10, width, height, bag);
        return b;
    }
    // A button with the three pictures the quote-source bar gives its buttons, plus a disabled one.
    UButton& PlaceDressed() {
        UButton& b = Place();
        b.SetPicture(normal);
        b.SetPictureHover(hover);
        b.SetPictureClick(pressed);
        b.SetPictureEnabled(greyed);
        return b;
    }

    static HWND Inner(const UButton& b) { return b.Pic1().hWnd(); }
    static void MouseMove(const UButton& b, int x, int y, WPARAM keys = 0) {
        ::SendMessageW(Inner(b), WM_MOUSEMOVE, keys, At(x, y));
    }
    static void Press(const UButton& b, int x, int y) {
        ::SendMessageW(Inner(b), WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    }
    static void Release(const UButton& b, int x, int y) {
        ::SendMessageW(Inner(b), WM_LBUTTONUP, 0, At(x, y));
    }

    // Held by pic1, shown on screen, and the control at its size.
    void ExpectShows(const UButton& b, const rt::Picture& picture) {
        EXPECT_TRUE(rt::SamePicture(b.Pic1().Picture(), picture));
        EXPECT_EQ(Shown(Inner(b)), PixelsOf(picture));
        EXPECT_EQ(SizeOf(b), (Size{picture->Width(), picture->Height()}));
    }

    TestForm form;
    rt::Picture normal, hover, pressed, greyed;
    std::vector<std::unique_ptr<UButton>> buttons;
    int clicks = 0;
    int moves = 0;
};

TEST_F(UButtonTest, PictureFollowsEnterPressClickAndLeaveWithTheCaptureHeldInside) {
    UButton& b = PlaceDressed();
    EXPECT_EQ(b.Pic1().Left(), 0);
    EXPECT_EQ(b.Pic1().Top(), 0);
    ExpectShows(b, normal);
    EXPECT_EQ(::GetCapture(), nullptr);

    MouseMove(b, 10, 10);
    ExpectShows(b, hover);
    EXPECT_EQ(::GetCapture(), Inner(b));

    Press(b, 10, 10);
    ExpectShows(b, pressed);
    Release(b, 10, 10);
    EXPECT_EQ(clicks, 1);
    ExpectShows(b, normal);
    EXPECT_EQ(::GetCapture(), Inner(b)) << "the pointer is still over the button";

    MouseMove(b, 11, 10);
    ExpectShows(b, hover);
    MouseMove(b, 200, 10);
    ExpectShows(b, normal);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(moves, 3);
    EXPECT_EQ(clicks, 1);
}

struct PointCase {
    int x, y;
    bool inside;
};
void PrintTo(const PointCase& c, std::ostream* os) {
    *os << "(" << c.x << ", " << c.y << ")";
}

class UButtonEdgeTest : public UButtonTest, public ::testing::WithParamInterface<PointCase> {};

TEST_P(UButtonEdgeTest, PointerInsideOnlyOverThePictureItself) {
    const PointCase c = GetParam();
    UButton& b = PlaceDressed();
    MouseMove(b, 5, 5);
    MouseMove(b, c.x, c.y);
    EXPECT_TRUE(rt::SamePicture(b.Pic1().Picture(), c.inside ? hover : normal));
    EXPECT_EQ(::GetCapture(), c.inside ? Inner(b) : nullptr);
}

INSTANTIATE_TEST_SUITE_P(Edges, UButtonEdgeTest,
                         ::testing::Values(PointCase{0, 0, true}, PointCase{kW - 1, kH - 1, true},
                                           PointCase{kW, 5, false}, PointCase{5, kH, false},
                                           PointCase{-1, 5, false}, PointCase{5, -1, false},
                                           PointCase{-300, -300, false}));

TEST_F(UButtonTest, MovingWithAButtonHeldKeepsThePictureAndStillRaisesMouseMove) {
    UButton& b = PlaceDressed();
    MouseMove(b, 10, 10);
    Press(b, 10, 10);
    moves = 0;
    MouseMove(b, 200, 10, MK_LBUTTON);
    MouseMove(b, 12, 12, MK_LBUTTON);
    MouseMove(b, 200, 10, MK_RBUTTON);
    EXPECT_EQ(moves, 3);
    ExpectShows(b, pressed);
    EXPECT_EQ(::GetCapture(), Inner(b));

    Release(b, 200, 10);
    EXPECT_EQ(clicks, 0) << "released away from the button";
    MouseMove(b, 200, 10);
    ExpectShows(b, normal);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(UButtonTest, DisabledButtonShowsItsDisabledPictureIgnoresThePointerAndStillClicks) {
    UButton& b = PlaceDressed();
    MouseMove(b, 10, 10);
    ASSERT_EQ(::GetCapture(), Inner(b));
    b.SetEnabled(false);
    EXPECT_FALSE(b.Enabled());
    ExpectShows(b, greyed);
    EXPECT_TRUE(::IsWindowEnabled(b.hWnd())) << "enabled again after the redraw";

    // Real input would reach pic1: hit-testing skips disabled windows.
    RECT r{};
    ::GetWindowRect(Inner(b), &r);
    EXPECT_EQ(::WindowFromPoint(POINT{r.left + 5, r.top + 5}), Inner(b));

    moves = 0;
    MouseMove(b, 10, 10);
    EXPECT_EQ(::GetCapture(), nullptr) << "the capture is let go, not taken";
    MouseMove(b, 12, 10);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(moves, 2);
    ExpectShows(b, greyed);

    Press(b, 10, 10);
    Release(b, 10, 10);
    EXPECT_EQ(clicks, 1);
    ExpectShows(b, greyed);

    b.SetEnabled(true);
    ExpectShows(b, normal);
    MouseMove(b, 10, 10);
    ExpectShows(b, hover);
}

TEST_F(UButtonTest, WithoutAPictureThePictureBoxTakesTheControlsSize) {
    UButton& b = Place(120, 40);
    EXPECT_EQ(SizeOf(b), (Size{120, 40}));
    EXPECT_EQ(SizeOf(b.Pic1()), (Size{120, 40}));
    b.Move(10, 10, 150, 50);
    EXPECT_EQ(SizeOf(b.Pic1()), (Size{150, 50}));

    // A disabled button without a disabled picture does the same, whatever pic1 holds.
    b.SetPicture(normal);
    EXPECT_EQ(SizeOf(b), (Size{kW, kH}));
    b.SetEnabled(false);
    b.Move(10, 10, 130, 45);
    EXPECT_EQ(SizeOf(b), (Size{130, 45})) << "the control does not take the picture's size";
    EXPECT_EQ(SizeOf(b.Pic1()), (Size{130, 45}));
    EXPECT_TRUE(rt::SamePicture(b.Pic1().Picture(), normal));
}

TEST_F(UButtonTest, RedrawResizesOnlyWhenThePictureBoxHoldsAnotherPicture) {
    UButton& b = PlaceDressed();
    b.Move(10, 10, 100, 40);
    EXPECT_EQ(SizeOf(b), (Size{100, 40})) << "Picture already shown: nothing resized";
    EXPECT_EQ(SizeOf(b.Pic1()), (Size{kW, kH}));

    MouseMove(b, 10, 10);
    EXPECT_EQ(SizeOf(b), (Size{kW, kH})) << "the hover picture sizes the control";
    b.Move(10, 10, 100, 40);
    ExpectShows(b, normal);

    // Another picture object of the same bitmap resource has another handle.
    b.Move(10, 10, 100, 40);
    rt::Picture again = Res(PELMOR_RES_UB_PELMOR_N);
    ASSERT_FALSE(rt::SamePicture(again, normal));
    b.SetPicture(again);
    ExpectShows(b, again);
}

TEST_F(UButtonTest, SettersShowAndMarkTheirProperties) {
    UButton& b = Place();
    b.ClearChangedProperties();
    b.SetPicture(normal);
    ExpectShows(b, normal);
    b.SetPictureHover(hover);
    b.SetPictureClick(pressed);
    ExpectShows(b, normal);
    b.SetEnabled(false);
    EXPECT_EQ(SizeOf(b.Pic1()), (Size{kW, kH}));
    b.SetPictureEnabled(greyed);
    ExpectShows(b, greyed);
    b.SetToolTipText(L"行情");
    EXPECT_EQ(b.ChangedProperties(),
              (std::vector<std::wstring>{L"Picture", L"PictureHover", L"PictureClick", L"Enabled",
                                         L"PictureEnabled", L"ToolTipText"}));
    EXPECT_EQ(b.Picture(), normal) << "shared, not copied";
    EXPECT_EQ(b.PictureHover(), hover);
    EXPECT_EQ(b.PictureClick(), pressed);
    EXPECT_EQ(b.PictureEnabled(), greyed);
}

TEST_F(UButtonTest, InnerPictureIsBorderlessWithTheSharedHandPointer) {
    UButton& a = Place();
    UButton& b = Place();
    HCURSOR hand = a.Pic1().MouseIcon();
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(b.Pic1().MouseIcon(), hand);
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(hand, &ii));
    rt::UniqueBitmap mask(ii.hbmMask), color(ii.hbmColor);
    EXPECT_EQ(ii.xHotspot, 12u);
    EXPECT_EQ(ii.yHotspot, 4u);
    EXPECT_EQ(a.Pic1().BorderStyle(), rt::BorderStyle::None);
    EXPECT_EQ(::GetWindowLongW(Inner(a), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
    EXPECT_TRUE(a.Pic1().AutoSize());
    EXPECT_EQ(::GetParent(Inner(a)), a.hWnd());

    ::SendMessageW(Inner(a), WM_SETCURSOR, reinterpret_cast<WPARAM>(Inner(a)),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), hand);
}

TEST_F(UButtonTest, ToolTipTextBelongsToThePictureBox) {
    UButton& b = Place();
    b.SetToolTipText(L"大智慧行情");
    EXPECT_EQ(b.ToolTipText(), L"大智慧行情");
    EXPECT_EQ(TipOf(form, Inner(b)), L"大智慧行情");
    EXPECT_EQ(TipOf(form, b.hWnd()), L"") << "the control's own window has no tip";
    b.SetToolTipText(L"通达信");
    EXPECT_EQ(TipOf(form, Inner(b)), L"通达信");
    b.SetToolTipText(L"");
    EXPECT_EQ(TipOf(form, Inner(b)), L"");
    EXPECT_EQ(b.ToolTipText(), L"");
}

TEST_F(UButtonTest, PropertiesAreWrittenInTheirOrderAndLoadIntoAnEqualButton) {
    UButton& fresh = Place();
    EXPECT_EQ(fresh.SaveProperties().size(), 0u) << "defaults are left out";
    fresh.SetVisible(false);

    UButton& original = PlaceDressed();
    original.SetEnabled(false);
    original.SetToolTipText(L"华融证券");
    const rt::PropertyBag bag = original.SaveProperties();
    original.SetVisible(false);
    std::vector<std::wstring> keys;
    for (const auto& e : bag.Entries())
        keys.push_back(e.first);
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"Picture", L"PictureHover", L"Enabled", L"ToolTipText",
                                               L"PictureEnabled", L"PictureClick"}));
    EXPECT_EQ(bag.ReadPicture(L"Picture", {}).name, PELMOR_RES_UB_PELMOR_N);
    EXPECT_EQ(bag.ReadPicture(L"PictureEnabled", {}).name, PELMOR_RES_UB_DAZHIHUI_N);
    EXPECT_FALSE(bag.ReadBool(L"Enabled", true));

    UButton& copy = Place(120, 40, &bag);
    EXPECT_EQ(copy.SaveProperties(), bag);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_TRUE(::IsWindowEnabled(copy.hWnd()));
    EXPECT_EQ(copy.ToolTipText(), L"华融证券");
    EXPECT_EQ(TipOf(form, Inner(copy)), L"华融证券");
    ExpectShows(copy, copy.PictureEnabled());
    EXPECT_EQ(PixelsOf(copy.PictureEnabled()), PixelsOf(greyed));
    EXPECT_EQ(PixelsOf(copy.PictureHover()), PixelsOf(hover));
    EXPECT_EQ(PixelsOf(copy.PictureClick()), PixelsOf(pressed));
}

TEST_F(UButtonTest, PropertiesAreReadInTheirOwnOrderWhateverTheBagsOrder) {
    rt::PropertyBag bag;
    bag.WriteText(L"ToolTipText", L"实时DEDE", L"");
    bag.WriteBool(L"Enabled", false, true);
    bag.WritePicture(L"PictureClick", {PELMOR_RES_UB_CHAOYIN_C}, {});
    bag.WritePicture(L"PictureEnabled", {PELMOR_RES_UB_DAZHIHUI_N}, {});
    bag.WritePicture(L"PictureHover", {PELMOR_RES_UB_CHAOYIN_H}, {});
    bag.WritePicture(L"Picture", {PELMOR_RES_UB_CHAOYIN_N}, {});

    UButton& b = Place(120, 40, &bag);
    EXPECT_EQ(b.ChangedProperties(), (std::vector<std::wstring>{L"Enabled", L"ToolTipText"}))
        << "Enabled, then ToolTipText, each through its setter";
    // The disabled picture was already there when Enabled redrew.
    ExpectShows(b, b.PictureEnabled());
    EXPECT_EQ(b.Picture()->Name(), PELMOR_RES_UB_CHAOYIN_N);
    EXPECT_EQ(b.PictureHover()->Name(), PELMOR_RES_UB_CHAOYIN_H);
    EXPECT_EQ(b.PictureClick()->Name(), PELMOR_RES_UB_CHAOYIN_C);
    EXPECT_EQ(TipOf(form, Inner(b)), L"实时DEDE");
}

TEST_F(UButtonTest, MissingOrUnreadableKeysKeepTheCurrentValues) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    auto b = std::make_unique<UButton>();
    b->SetPictureHover(hover);
    b->SetPictureClick(pressed);
    b->SetPictureEnabled(greyed);
    b->SetEnabled(false);
    b->SetToolTipText(L"旧");
    rt::PropertyBag bag;
    bag.WritePicture(L"Picture", {PELMOR_RES_UB_TONGDAXIN_N}, {});
    bag.WriteInt32(L"PictureClick", 7, 0);
    bag.WriteText(L"PictureEnabled", L"not a picture", L"");
    form.AddUserControl(*b, L"ub", 10, 10, 120, 40, &bag);

    ASSERT_TRUE(b->Picture());
    EXPECT_EQ(b->Picture()->Name(), PELMOR_RES_UB_TONGDAXIN_N);
    EXPECT_EQ(b->PictureHover(), hover);
    EXPECT_EQ(b->PictureClick(), pressed);
    EXPECT_EQ(b->PictureEnabled(), greyed);
    EXPECT_FALSE(b->Enabled());
    EXPECT_EQ(b->ToolTipText(), L"旧");
    EXPECT_EQ(TipOf(form, Inner(*b)), L"旧");
    ExpectShows(*b, greyed);

    rt::PropertyBag wrongEnabled;
    wrongEnabled.WriteText(L"Enabled", L"yes", L"");
    UButton& c = Place(120, 40, &wrongEnabled);
    EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(SizeOf(c.Pic1()), (Size{120, 40}));
}

TEST_F(UButtonTest, TwoHundredButtonCyclesLeaveNoHandles) {
    auto cycle = [this] {
        auto b = std::make_unique<UButton>();
        form.AddUserControl(*b, L"ub", 10, 10, 120, 40, nullptr);
        b->SetPicture(Res(PELMOR_RES_UB_QUANQIUHANGQIN_N));
        b->SetPictureHover(Res(PELMOR_RES_UB_QUANQIUHANGQIN_H));
        b->SetPictureClick(Res(PELMOR_RES_UB_QUANQIUHANGQIN_C));
        b->SetToolTipText(L"全球行情");
        MouseMove(*b, 10, 10);
        Press(*b, 10, 10);
        ::UpdateWindow(Inner(*b));
        Release(*b, 10, 10);
        MouseMove(*b, 300, 10);
    };
    cycle(); // the shared pointer and the form's tooltip window are made once
    const long gdi = rt::LiveHandles::Gdi();
    const long user = rt::LiveHandles::User();
    for (int i = 0; i < 200; ++i) {
        cycle();
        ASSERT_EQ(rt::LiveHandles::Gdi(), gdi) << "cycle " << i;
        ASSERT_EQ(rt::LiveHandles::User(), user) << "cycle " << i;
    }
    EXPECT_EQ(::GetCapture(), nullptr);
}

} // namespace
