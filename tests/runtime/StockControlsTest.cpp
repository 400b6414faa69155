#include "runtime/StockControls.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/resource_names.h"
#include "runtime/Form.h"
#include "runtime/OleColor.h"
#include "runtime/UserControl.h"
#include "tests/support/MessagePump.h"

namespace {

using testsupport::Pump;

std::wstring TextOf(HWND wnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(wnd, text, 256);
    return text;
}

class StockForm : public rt::Form {
  public:
    rt::PictureBox Picture1;
    rt::PictureBox Picture2;
    rt::Label lbTiShi;
    rt::Label inBox;
    rt::CommandButton cmdUpSoft;
    rt::CommandButton cmdInBox;
    rt::ProgressBar pb;

    StockForm() {
        SetCaption(L"Pelmor更新");
        SetClientSize(446, 400);
    }

  protected:
    void CreateControls() override {
        // Set before creation: applied when the window is made.
        lbTiShi.SetCaption(L"检测到有新版本 V1.666&。。。");
        cmdUpSoft.SetCaption(L"开始更新");
        pb.SetValue(30);
        Add(Picture1, L"Picture1", 40, 368, 10, 10);
        Add(Picture2, L"Picture2", 200, 200, 200, 100);
        Add(lbTiShi, L"lbTiShi", 16, 16, 162, 12);
        Add(inBox, L"inBox", 4, 4, 100, 12, &Picture2);
        Add(cmdUpSoft, L"cmdUpSoft", 280, 80, 81, 23);
        Add(cmdInBox, L"cmdInBox", 4, 40, 80, 23, &Picture2);
        Add(pb, L"pb", 16, 40, 420, 23);
    }
};

class StockControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { form.Show(SW_SHOWNORMAL); }
    void TearDown() override { form.Unload(); }
    StockForm form;
};

TEST_F(StockControlsTest, LabelShowsItsCaptionLiterallyInTheFormFontOnItsContainersBackground) {
    const HWND label = form.lbTiShi.hWnd();
    EXPECT_EQ(TextOf(label), L"检测到有新版本 V1.666&。。。");
    const LONG style = ::GetWindowLongW(label, GWL_STYLE);
    EXPECT_EQ(style & SS_NOPREFIX, SS_NOPREFIX);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)), form.Font());
    form.lbTiShi.SetCaption(L"进度0%");
    EXPECT_EQ(form.lbTiShi.Caption(), L"进度0%");

    form.SetBackColor(0x00000000);
    form.Picture2.SetBackColor(0x00FF0000);
    form.lbTiShi.SetForeColor(0x000000FF);
    rt::WindowDC dc(label);
    struct Expect {
        rt::Label& label;
        HWND parent;
        COLORREF back;
    };
    for (const Expect& e : {Expect{form.lbTiShi, form.hWnd(), RGB(0, 0, 0)},
                            Expect{form.inBox, form.Picture2.hWnd(), RGB(0, 0, 255)}}) {
        const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(e.parent, WM_CTLCOLORSTATIC,
                                                                   reinterpret_cast<WPARAM>(dc.get()),
                                                                   reinterpret_cast<LPARAM>(e.label.hWnd())));
        LOGBRUSH lb{};
        ASSERT_NE(::GetObjectW(brush, sizeof(lb), &lb), 0);
        EXPECT_EQ(lb.lbColor, e.back);
        EXPECT_EQ(::GetBkColor(dc.get()), e.back);
    }
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(0, 0, 0)) << "the inner label keeps the default text colour";
}

TEST_F(StockControlsTest, CommandButtonRaisesClickOnBnClickedAlsoInsideAContainer) {
    int outer = 0, inner = 0;
    form.cmdUpSoft.Click = [&] { ++outer; };
    form.cmdInBox.Click = [&] { ++inner; };
    EXPECT_EQ(TextOf(form.cmdUpSoft.hWnd()), L"开始更新");
    EXPECT_EQ(::GetWindowLongW(form.cmdUpSoft.hWnd(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    ::SendMessageW(form.cmdUpSoft.hWnd(), BM_CLICK, 0, 0);
    ::SendMessageW(form.cmdInBox.hWnd(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 1);
    form.cmdUpSoft.SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(form.cmdUpSoft.hWnd()));
    form.cmdUpSoft.SetCaption(L"停止");
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"停止");
}

class ProgressValueTest : public StockControlsTest,
                          public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ProgressValueTest, ValueIsClampedToTheRangeAndReadsBackFromTheControl) {
    const auto [given, expected] = GetParam();
    EXPECT_EQ(::SendMessageW(form.pb.hWnd(), PBM_GETPOS, 0, 0), 30) << "the value set before creation";
    PBRANGE range{};
    ::SendMessageW(form.pb.hWnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    form.pb.SetValue(given);
    EXPECT_EQ(form.pb.Value(), expected);
    EXPECT_EQ(::SendMessageW(form.pb.hWnd(), PBM_GETPOS, 0, 0), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ProgressValueTest,
                         ::testing::Values(std::pair{-5, 0}, std::pair{0, 0}, std::pair{37, 37},
                                           std::pair{100, 100}, std::pair{250, 100}));

TEST_F(StockControlsTest, PictureBoxAutoSizesToItsPictureAndPaintsIt) {
    rt::Picture logo = rt::LoadResPicture(PELMOR_RES_LOGO, rt::PictureType::Bitmap);
    ASSERT_TRUE(logo);
    form.Picture2.SetPicture(logo);
    EXPECT_EQ(form.Picture2.Width(), 200) << "no auto-size: the box keeps its size";
    form.Picture1.SetAutoSize(true);
    form.Picture1.SetPicture(logo);
    EXPECT_EQ(form.Picture1.Width(), PELMOR_LOGO_W);
    EXPECT_EQ(form.Picture1.Height(), PELMOR_LOGO_H);
    EXPECT_EQ(form.Picture1.Left(), 40);
    form.Picture1.SetBorderStyle(rt::BorderStyle::FixedSingle);
    EXPECT_EQ(form.Picture1.ScaleWidth(), PELMOR_LOGO_W);
    EXPECT_EQ(form.Picture1.ScaleHeight(), PELMOR_LOGO_H);
    EXPECT_GT(form.Picture1.Width(), PELMOR_LOGO_W);

    form.Picture2.SetBackColor(0x0000FF00);
    rt::WindowDC screen(nullptr);
    const int w = 204, h = 104;
    rt::UniqueDC printed(::CreateCompatibleDC(screen.get())), expected(::CreateCompatibleDC(screen.get()));
    rt::UniqueBitmap printedBits(::CreateCompatibleBitmap(screen.get(), w, h));
    rt::UniqueBitmap expectedBits(::CreateCompatibleBitmap(screen.get(), w, h));
    rt::SelectGuard selectPrinted(printed.get(), printedBits.get());
    rt::SelectGuard selectExpected(expected.get(), expectedBits.get());
    rt::FillOleColor(printed.get(), RECT{0, 0, w, h}, 0x00FF00FF);
    rt::FillOleColor(expected.get(), RECT{0, 0, w, h}, 0x00FF00FF);
    rt::FillOleColor(expected.get(), RECT{0, 0, 200, 100}, 0x0000FF00);
    logo->Render(expected.get(), 0, 0, PELMOR_LOGO_W, PELMOR_LOGO_H);
    ::SendMessageW(form.Picture2.hWnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.get()),
                   PRF_CLIENT | PRF_ERASEBKGND);
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            differing += ::GetPixel(printed.get(), x, y) != ::GetPixel(expected.get(), x, y);
    EXPECT_EQ(differing, 0) << "the picture at (0, 0) on the box's background and nothing outside the box";
}

TEST_F(StockControlsTest, CustomMousePointerAnswersWmSetCursorOverTheClientArea) {
    const HWND box = form.Picture1.hWnd();
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), overClient);
    EXPECT_NE(::GetCursor(), hand);
    form.Picture1.SetMouseIcon(hand);
    EXPECT_TRUE(::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), overClient));
    EXPECT_EQ(::GetCursor(), hand);
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    ::SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box), MAKELPARAM(HTBORDER, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), hand);
}

TEST_F(StockControlsTest, PictureBoxMouseEventsFireWhileItHoldsTheCapture) {
    std::vector<std::string> log;
    auto record = [&](const char* what) {
        return [&log, what](int b, int, float x, float y) {
            log.push_back(std::string(what) + std::to_string(b) + "@" + std::to_string(static_cast<int>(x)) +
                          "," + std::to_string(static_cast<int>(y)));
        };
    };
    form.Picture1.MouseMove = record("move");
    form.Picture1.MouseDown = record("down");
    form.Picture1.MouseUp = record("up");
    form.Picture1.Click = [&] { log.push_back("click"); };
    const HWND box = form.Picture1.hWnd();
    ::SetForegroundWindow(form.hWnd());
    ::SetCapture(box);
    ASSERT_EQ(::GetCapture(), box);
    POINT outside{form.Picture1.Width() + 30, form.Picture1.Height() + 20};
    ::ClientToScreen(box, &outside);
    ::SetCursorPos(outside.x, outside.y);
    for (int i = 0; i < 20 && log.empty(); ++i) {
        Pump();
        ::Sleep(10);
    }
    ASSERT_FALSE(log.empty()) << "no WM_MOUSEMOVE reached the capturing box";
    EXPECT_EQ(log.back(), "move0@" + std::to_string(form.Picture1.Width() + 30) + "," +
                              std::to_string(form.Picture1.Height() + 20));
    ::ReleaseCapture();
    log.clear();
    ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 3));
    ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(2, 3));
    ::SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 3));
    EXPECT_EQ(log, (std::vector<std::string>{"down1@2,3", "up1@2,3", "click"}))
        << "a double click raises DblClick, which has no handler here";
}

class TipControl : public rt::UserControl {
  public:
    rt::PictureBox pic1;

  protected:
    void UserControl_Initialize() override { Add(pic1, L"pic1", 0, 0, 20, 20); }
};

class TipForm : public StockForm {
  public:
    TipControl ub;

  protected:
    void CreateControls() override {
        StockForm::CreateControls();
        Picture1.SetToolTipText(L"Pelmor免费行情分析系统");
        AddUserControl(ub, L"ub", 300, 300, 20, 20, nullptr);
    }
};

TEST(ToolTips, OneTipWindowPerFormHoldsEachControlsTextUntilTheFormUnloads) {
    TipForm form;
    form.Show(SW_SHOWNORMAL);
    rt::ToolTips* tips = form.Tips();
    ASSERT_NE(tips, nullptr);
    const HWND tipWnd = tips->hWnd();
    ASSERT_TRUE(::IsWindow(tipWnd));
    EXPECT_EQ(::GetWindowLongW(tipWnd, GWL_STYLE) & (TTS_ALWAYSTIP | TTS_NOPREFIX),
              TTS_ALWAYSTIP | TTS_NOPREFIX);
    EXPECT_EQ(tips->ToolText(form.Picture1.hWnd()), L"Pelmor免费行情分析系统");

    form.ub.pic1.SetToolTipText(L"最小化");
    EXPECT_EQ(form.Tips()->hWnd(), tipWnd) << "a control inside a user control uses its form's tips";
    EXPECT_EQ(tips->ToolText(form.ub.pic1.hWnd()), L"最小化");
    EXPECT_EQ(::SendMessageW(tipWnd, TTM_GETTOOLCOUNT, 0, 0), 2);
    form.ub.pic1.SetToolTipText(L"向下还原");
    EXPECT_EQ(tips->ToolText(form.ub.pic1.hWnd()), L"向下还原");
    EXPECT_EQ(::SendMessageW(tipWnd, TTM_GETTOOLCOUNT, 0, 0), 2);
    form.ub.pic1.SetToolTipText(L"");
    EXPECT_EQ(tips->ToolText(form.ub.pic1.hWnd()), L"");
    EXPECT_EQ(::SendMessageW(tipWnd, TTM_GETTOOLCOUNT, 0, 0), 1);
    form.Unload();
    EXPECT_FALSE(::IsWindow(tipWnd));
    EXPECT_EQ(form.TipsIfAny(), nullptr);
}

} // namespace
