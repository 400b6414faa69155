#include "runtime/Form.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_names.h"
#include "runtime/OleColor.h"
#include "runtime/Picture.h"
#include "runtime/StockControls.h"
#include "runtime/UserControl.h"
#include "tests/support/MessagePump.h"

namespace {

constexpr wchar_t kMainCaption[] = L"Pelmor免费行情分析系统V1.5";

using testsupport::Pump;

class TestForm : public rt::Form {
  public:
    TestForm() {
        SetCaption(kMainCaption);
        SetClientSize(831, 532);
    }
    std::vector<std::string> log;
    std::function<void()> onLoad, onApp;
    std::function<void(bool&)> onQueryUnload, onUnload;
    bool everShown = false;
    int resizes = 0;
    int lastResizeWidth = -1;

  protected:
    void Form_Load() override {
        log.push_back("Load");
        if (onLoad) onLoad();
    }
    void Form_Resize() override {
        ++resizes;
        lastResizeWidth = ScaleWidth();
        log.push_back("Resize");
    }
    void Form_QueryUnload(bool& cancel) override {
        log.push_back(cancel ? "QueryUnload(cancel on entry)" : "QueryUnload");
        if (onQueryUnload) onQueryUnload(cancel);
    }
    void Form_Unload(bool& cancel) override {
        log.push_back(cancel ? "Unload(cancel on entry)" : "Unload");
        if (onUnload) onUnload(cancel);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SHOWWINDOW && wParam) everShown = true;
        if (msg == WM_APP && onApp) onApp();
        return Form::WindowProc(msg, wParam, lParam);
    }
};

using Log = std::vector<std::string>;

TEST(FormGeometry, OpensCentredOnTheWorkAreaWithTheExactClientSize) {
    TestForm form;
    form.Show(SW_SHOWNORMAL);
    ASSERT_TRUE(form.Visible());
    RECT client{}, window{}, work{};
    ::GetClientRect(form.hWnd(), &client);
    EXPECT_EQ(client.right, 831);
    EXPECT_EQ(client.bottom, 532);
    EXPECT_EQ(form.ScaleWidth(), 831);
    EXPECT_EQ(form.ScaleHeight(), 532);
    ::GetWindowRect(form.hWnd(), &window);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);
    wchar_t text[64] = {};
    ::GetWindowTextW(form.hWnd(), text, 64);
    EXPECT_EQ(std::wstring(text), kMainCaption);
    const LONG style = ::GetWindowLongW(form.hWnd(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    EXPECT_TRUE(::GetClassLongPtrW(form.hWnd(), GCL_STYLE) & CS_DBLCLKS);
    EXPECT_EQ(::GetClassLongPtrW(form.hWnd(), GCLP_HBRBACKGROUND), 0u);
    form.Unload();

    TestForm fixed;
    fixed.SetClientSize(446, 114);
    fixed.SetSizable(false);
    fixed.SetMaxButton(false);
    ASSERT_TRUE(fixed.Load());
    EXPECT_EQ(::GetWindowLongW(fixed.hWnd(), GWL_STYLE) &
                  (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE),
              WS_MINIMIZEBOX);
    EXPECT_EQ(fixed.ScaleWidth(), 446);
    EXPECT_EQ(fixed.ScaleHeight(), 114);
    fixed.Unload();
}

TEST(FormLifecycle, UnloadInsideLoadNeverShowsAWindowAndRunReturnsAtOnce) {
    TestForm form;
    form.onLoad = [&] { form.Unload(); };
    EXPECT_FALSE(form.Load());
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(form.hWnd(), nullptr);
    EXPECT_EQ(form.log, (Log{"Load", "QueryUnload", "Unload"}));

    TestForm started;
    started.onLoad = [&] { started.Unload(); };
    EXPECT_EQ(rt::Form::Run(started, SW_SHOWNORMAL), 0);
    EXPECT_FALSE(started.everShown);
    EXPECT_FALSE(form.everShown);
}

struct FormVetoCase {
    const char* vetoer;
    bool throughClose;
};
class FormVetoTest : public ::testing::TestWithParam<FormVetoCase> {};

TEST_P(FormVetoTest, AVetoedUnloadKeepsTheWindowAndALaterOneGoesThrough) {
    const FormVetoCase c = GetParam();
    TestForm form;
    bool veto = true;
    auto vetoer = [&](bool& cancel) { cancel = veto; };
    if (std::string(c.vetoer) == "QueryUnload")
        form.onQueryUnload = vetoer;
    else
        form.onUnload = vetoer;
    form.Show(SW_SHOWNORMAL);
    const HWND wnd = form.hWnd();
    auto unload = [&] {
        if (c.throughClose)
            ::SendMessageW(wnd, WM_CLOSE, 0, 0);
        else
            form.Unload();
    };
    unload();
    EXPECT_TRUE(form.IsLoaded());
    EXPECT_TRUE(::IsWindow(wnd));
    EXPECT_TRUE(form.Visible());
    const Log vetoed = std::string(c.vetoer) == "QueryUnload"
                           ? Log{"Load", "Resize", "QueryUnload"}
                           : Log{"Load", "Resize", "QueryUnload", "Unload"};
    EXPECT_EQ(form.log, vetoed);

    veto = false;
    form.log.clear();
    unload();
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(form.log, (Log{"QueryUnload", "Unload"}));
}

INSTANTIATE_TEST_SUITE_P(Vetoes, FormVetoTest,
                         ::testing::Values(FormVetoCase{"QueryUnload", false}, FormVetoCase{"QueryUnload", true},
                                           FormVetoCase{"Unload", false}, FormVetoCase{"Unload", true}),
                         [](const auto& info) {
                             return std::string(info.param.vetoer) +
                                    (info.param.throughClose ? "ByWmClose" : "ByCode");
                         });

class ButtonForm : public TestForm {
  public:
    rt::CommandButton button;

  protected:
    void CreateControls() override { Add(button, L"cmdClose", 10, 10, 80, 24); }
};

TEST(FormLifecycle, UnloadFromAnEventHandlerAndASecondUnloadDoesNothing) {
    ButtonForm form;
    form.button.Click = [&] { form.Unload(); };
    form.Show(SW_SHOWNORMAL);
    const HWND button = form.button.hWnd();
    ::SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_FALSE(::IsWindow(button));
    EXPECT_EQ(form.button.hWnd(), nullptr);
    form.Unload();
    EXPECT_EQ(form.log, (Log{"Load", "Resize", "QueryUnload", "Unload"}));
}

// Three buttons side by side: the default one, the cancel one and another; a label takes no turn.
class KeysForm : public TestForm {
  public:
    std::array<rt::CommandButton, 3> buttons;
    rt::Label label;
    std::string pressed;

  protected:
    void CreateControls() override {
        for (int i = 0; i < 3; ++i) {
            buttons[i].Click = [this, i] { pressed += "012"[i]; };
            Add(buttons[i], L"cmd" + std::to_wstring(i), 10 + 90 * i, 10, 80, 24);
        }
        Add(label, L"lbl", 10, 50, 80, 24);
        buttons[0].SetDefault(true);
        buttons[2].SetCancel(true);
    }
};

struct KeyCase {
    const char* name;
    int from; // the focused button; -1: the form itself
    UINT key;
    bool shift;
    int disabled; // a button made unavailable first; -1: none
    int to;       // the focused button after the key (-1: the form)
    const char* pressed;
};

class FormKeysTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(FormKeysTest, TheKeyMovesTheFocusOrPressesTheButtonItShould) {
    const KeyCase& c = GetParam();
    KeysForm form;
    form.Show(SW_SHOWNORMAL);
    EXPECT_EQ(::GetFocus(), form.buttons[0].hWnd()) << "the first tab stop has the focus at the first show";
    if (c.disabled >= 0) ::EnableWindow(form.buttons[c.disabled].hWnd(), FALSE);
    const auto at = [&](int i) { return i < 0 ? form.hWnd() : form.buttons[i].hWnd(); };
    ::SetFocus(at(c.from));
    BYTE keys[256] = {};
    keys[VK_SHIFT] = c.shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    MSG msg{at(c.from), WM_KEYDOWN, c.key, 1, 0, {}};
    if (!rt::Form::PreTranslate(msg)) ::DispatchMessageW(&msg);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    Pump();
    EXPECT_EQ(::GetFocus(), at(c.to));
    EXPECT_EQ(form.pressed, c.pressed);
    // The thick frame of the button Enter presses: the one the key moved the focus to, else the default one.
    const int framed = c.to >= 0 && c.to != c.from ? c.to : 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((::GetWindowLongW(at(i), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON, i == framed)
            << "button " << i;
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FormKeysTest,
    ::testing::Values(KeyCase{"TabGoesToTheNext", 0, VK_TAB, false, -1, 1, ""},
                      KeyCase{"TabGoesRound", 2, VK_TAB, false, -1, 0, ""},
                      KeyCase{"ShiftTabGoesBackRound", 0, VK_TAB, true, -1, 2, ""},
                      KeyCase{"TabPassesAnUnavailableButton", 0, VK_TAB, false, 1, 2, ""},
                      KeyCase{"RightAlongTheGroup", 1, VK_RIGHT, false, -1, 2, ""},
                      KeyCase{"LeftGoesRound", 0, VK_LEFT, false, -1, 2, ""},
                      KeyCase{"EnterPressesTheFocusedButton", 1, VK_RETURN, false, -1, 1, "1"},
                      KeyCase{"EnterOnTheFormPressesTheDefault", -1, VK_RETURN, false, -1, -1, "0"},
                      KeyCase{"EscPressesTheCancelButton", 1, VK_ESCAPE, false, -1, 1, "2"},
                      KeyCase{"EscWithTheCancelButtonUnavailable", 0, VK_ESCAPE, false, 2, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormRun, EndsWhenTheStartupFormUnloadsButNotWhenAnotherDoes) {
    TestForm startup, other;
    other.Show(SW_SHOWNOACTIVATE);
    int step = 0;
    startup.onLoad = [&] { ::PostMessageW(startup.hWnd(), WM_APP, 0, 0); };
    startup.onApp = [&] {
        if (step++ == 0) {
            other.Unload();
            ::PostMessageW(startup.hWnd(), WM_APP, 0, 0);
        } else {
            ::PostMessageW(startup.hWnd(), WM_CLOSE, 0, 0);
        }
    };
    EXPECT_EQ(rt::Form::Run(startup, SW_SHOWNORMAL), 0);
    EXPECT_EQ(step, 2);
    EXPECT_FALSE(startup.IsLoaded());
    EXPECT_FALSE(other.IsLoaded());
}

TEST(FormEvents, ResizeFollowsEveryWmSizeOnlyOnceLoaded) {
    TestForm form;
    ASSERT_TRUE(form.Load());
    ::SetWindowPos(form.hWnd(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form.resizes, 1) << "a loaded form hears WM_SIZE even while hidden";
    form.resizes = 0;
    form.Show(SW_SHOWNORMAL);
    EXPECT_EQ(form.resizes, 1) << "the first show raises Resize exactly once";
    form.SetClientSize(600, 300);
    EXPECT_EQ(form.resizes, 2);
    EXPECT_EQ(form.lastResizeWidth, 600);
    for (auto state :
         {rt::WindowStateKind::Maximized, rt::WindowStateKind::Minimized, rt::WindowStateKind::Normal}) {
        const int before = form.resizes;
        form.SetWindowState(state);
        EXPECT_EQ(form.WindowState(), state);
        EXPECT_GT(form.resizes, before);
    }
    EXPECT_EQ(form.ScaleWidth(), 600) << "normal again after minimizing a maximized window";
    form.Unload();
}

struct ColorCase {
    uint32_t ole;
    int sysIndex; // -1: a plain RGB colour
    COLORREF rgb;
};
class FormBackColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(FormBackColorTest, EraseBackgroundPaintsTheCurrentColour) {
    const ColorCase c = GetParam();
    const COLORREF expected = c.sysIndex >= 0 ? ::GetSysColor(c.sysIndex) : c.rgb;
    EXPECT_EQ(rt::ToColorRef(c.ole), expected);
    TestForm form;
    ASSERT_TRUE(form.Load());
    form.SetBackColor(c.ole);
    rt::WindowDC screen(nullptr);
    rt::UniqueDC mem(::CreateCompatibleDC(screen.get()));
    rt::UniqueBitmap bits(::CreateCompatibleBitmap(screen.get(), 8, 8));
    rt::SelectGuard select(mem.get(), bits.get());
    ::SendMessageW(form.hWnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.get()), 0);
    EXPECT_EQ(::GetPixel(mem.get(), 3, 3), expected);
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(Colours, FormBackColorTest,
                         ::testing::Values(ColorCase{0x00336699, -1, RGB(0x99, 0x66, 0x33)},
                                           ColorCase{rt::SysColor::ButtonFace, COLOR_BTNFACE, 0},
                                           ColorCase{rt::SysColor::Window, COLOR_WINDOW, 0}));

TEST(OleColor, UntranslatableColoursGiveTheFallback) {
    EXPECT_EQ(rt::ToColorRef(0x80001234, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(rt::ToColorRef(0x7F000000, RGB(1, 2, 3)), RGB(1, 2, 3));
}

TEST(FormProperties, DefaultFontIsSimSunNinePointsGb2312) {
    TestForm form;
    EXPECT_EQ(form.Font(), nullptr);
    ASSERT_TRUE(form.Load());
    LOGFONTW lf{};
    ASSERT_NE(::GetObjectW(form.Font(), sizeof(lf), &lf), 0);
    rt::WindowDC screen(nullptr);
    EXPECT_EQ(lf.lfHeight, -::MulDiv(9, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72));
    EXPECT_EQ(lf.lfCharSet, 134);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"宋体");
    form.Unload();
    EXPECT_EQ(form.Font(), nullptr);
}

TEST(FormProperties, LeavesABorrowedIconAlone) {
    rt::UniqueIcon borrowed(::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION)));
    TestForm form;
    form.SetIcon(borrowed.get());
    ASSERT_TRUE(form.Load());
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form.hWnd(), WM_GETICON, ICON_BIG, 0)), borrowed.get());
    form.Unload();
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(borrowed.get(), &info)) << "the form left the borrowed icon alone";
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}

class ChildOrderForm : public TestForm {
  public:
    rt::PictureBox Picture2;
    rt::Label inner;
    rt::Label lbl;
    rt::CommandButton cmd;
    rt::ProgressBar pb;

  protected:
    void CreateControls() override {
        Add(Picture2, L"Picture2", 5, 24, 200, 100);
        Add(inner, L"inner", 2, 2, 50, 12, &Picture2);
        Add(lbl, L"lbl", 10, 200, 100, 12);
        Add(cmd, L"cmd", 10, 230, 80, 24);
        Add(pb, L"pb", 10, 260, 200, 20);
    }
};

TEST(FormControls, ChildWindowsAreCreatedInDeclaredOrderInsideTheirContainers) {
    ChildOrderForm form;
    ASSERT_TRUE(form.Load());
    std::vector<std::wstring> names;
    for (HWND child = ::GetWindow(form.hWnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        rt::Control* c = rt::Control::FromHwnd(child);
        names.push_back(c ? c->Name() : L"?");
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Picture2", L"lbl", L"cmd", L"pb"}));
    EXPECT_EQ(::GetParent(form.inner.hWnd()), form.Picture2.hWnd());
    EXPECT_EQ(form.inner.Container(), &form.Picture2);
    EXPECT_EQ(form.inner.ParentForm(), &form);
    ASSERT_EQ(form.Controls().size(), 5u);
    EXPECT_EQ(form.Controls()[1], &form.inner);
    EXPECT_EQ(rt::Form::FromHwnd(form.hWnd()), &form);
    form.Unload();
    EXPECT_TRUE(form.Controls().empty());
}

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
WNDPROC g_previous = nullptr;
int g_seenByOuter = 0;
LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) ++g_seenByOuter;
    return ::CallWindowProcW(g_previous, wnd, msg, wParam, lParam);
}

TEST(FormControls, TheFormProcedureKeepsWorkingUnderAnInstalledProcedure) {
    TestForm form;
    int apps = 0;
    form.onApp = [&] { ++apps; };
    form.Show(SW_SHOWNORMAL);
    g_seenByOuter = 0;
    g_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(form.hWnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
    ::SendMessageW(form.hWnd(), WM_APP, 0, 0);
    EXPECT_EQ(g_seenByOuter, 1);
    EXPECT_EQ(apps, 1);
    ::SetWindowLongPtrW(form.hWnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    ::SendMessageW(form.hWnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.IsLoaded());
}

class Inner : public rt::UserControl {
  public:
    rt::Label caption;

  protected:
    void UserControl_InitProperties() override { SetBackColor(0x00FFFFFF); }
    void UserControl_Initialize() override { Add(caption, L"caption", 0, 0, 40, 12); }
};

class EverythingForm : public TestForm {
  public:
    rt::PictureBox Picture1;
    rt::Label lbl;
    rt::CommandButton cmd;
    rt::ProgressBar pb;
    Inner uc;

  protected:
    void CreateControls() override {
        SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
        Picture1.SetAutoSize(true);
        Picture1.SetPicture(rt::LoadResPicture(PELMOR_RES_LOGO, rt::PictureType::Bitmap));
        Picture1.SetMouseIcon(::LoadCursorW(nullptr, IDC_HAND));
        Picture1.SetToolTipText(L"Pelmor免费行情分析系统");
        Add(Picture1, L"Picture1", 40, 368, 10, 10);
        Add(lbl, L"lbl", 16, 16, 162, 12);
        Add(cmd, L"cmd", 280, 80, 81, 23);
        Add(pb, L"pb", 16, 40, 420, 23);
        AddUserControl(uc, L"uc", 0, 0, 90, 24, nullptr);
        uc.caption.SetToolTipText(L"内");
    }
};

TEST(FormLeaks, AWindowDestroyedFromOutsideLeavesNothingBehind) {
    const long gdi = rt::LiveHandles::Gdi();
    const long user = rt::LiveHandles::User();
    EverythingForm form;
    form.Show(SW_SHOWNOACTIVATE);
    ::DestroyWindow(form.hWnd());
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(form.hWnd(), nullptr);
    EXPECT_EQ(form.uc.hWnd(), nullptr);
    EXPECT_EQ(form.log, (Log{"Load", "Resize"})) << "no unload events when the window is simply gone";
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
    ASSERT_TRUE(form.Load()) << "and the form loads again";
    form.Unload();
}

TEST(FormLeaks, HundredLoadUnloadCyclesLeaveNoHandles) {
    const long gdi = rt::LiveHandles::Gdi();
    const long user = rt::LiveHandles::User();
    EverythingForm form;
    for (int i = 0; i < 100; ++i) {
        form.Show(SW_SHOWNOACTIVATE);
        Pump();
        if (i == 0) {
            ASSERT_NE(form.Icon(), nullptr);
            EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form.hWnd(), WM_GETICON, ICON_BIG, 0)),
                      form.Icon());
            EXPECT_GT(rt::LiveHandles::Gdi(), gdi) << "font and picture are counted while loaded";
            EXPECT_GE(rt::LiveHandles::User(), user + 9) << "form, 5 controls, label, tool tips, icons";
        }
        form.Unload();
        ASSERT_EQ(rt::LiveHandles::Gdi(), gdi) << "cycle " << i;
        ASSERT_EQ(rt::LiveHandles::User(), user) << "cycle " << i;
    }
}

} // namespace
