// The viewer's main window in-process, with recording browsers in place of the system's control:
// start-up order, layout, the logo, the updater start, the quote-source bar and clean unloading.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "msghook/Thunk.h"
#include "runtime/App.h"
#include "runtime/Handles.h"
#include "shell/frmMain.h"
#include "shell/QuoteSources.h"
#include "shell/StartupPaths.h"
#include "tests/shell/ucSkinTest.h"
#include "tests/support/MessagePump.h"
#include "tests/support/RecordingWebBrowser.h"

using namespace viewer;
using testsupport::BrowserCall;

namespace {

const std::wstring kSite = L"http://127.0.0.1:18080/";

// Records shell starts and swallows them for the fixture's lifetime.
class ShellRecorder {
  public:
    ShellRecorder() {
        previous_ = rt::SetShellHandler([this](const rt::ShellCall& c) {
            calls.push_back(c);
            return true;
        });
    }
    ~ShellRecorder() { rt::SetShellHandler(previous_); }
    std::vector<rt::ShellCall> calls;

  private:
    rt::ShellHandler previous_;
};

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<frmMain>([this](HWND container) {
            EXPECT_TRUE(::IsWindow(container));
            auto b = std::make_unique<testsupport::RecordingWebBrowser>();
            browsers.push_back(b.get());
            return b;
        });
    }
    void TearDown() override {
        if (form && form->IsLoaded()) form->Unload();
        form.reset();
    }
    // The first browser made is `web`, the second `WebBrowser1`.
    testsupport::RecordingWebBrowser& Web() { return *browsers.at(0); }
    testsupport::RecordingWebBrowser& Stats() { return *browsers.at(1); }

    static void ClickOn(HWND w) {
        ::SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        ::SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        testsupport::Pump();
    }
    static RECT RectIn(HWND child, HWND parent) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static std::vector<BrowserCall> Only(const testsupport::RecordingWebBrowser& b, BrowserCall::Kind kind) {
        std::vector<BrowserCall> out;
        for (const auto& c : b.Calls())
            if (c.kind == kind) out.push_back(c);
        return out;
    }

    ShellRecorder shell;
    std::vector<testsupport::RecordingWebBrowser*> browsers;
    std::unique_ptr<frmMain> form;
};

} // namespace

TEST_F(MainWindow, StartUpSendsTheHiddenBrowserToStatisticsAndTheVisibleOneHome) {
    ASSERT_TRUE(form->Load());
    ASSERT_EQ(browsers.size(), 2u);
    const std::vector<BrowserCall> stats = {BrowserCall::MoveTo(-100, -100, 0, 0),
                                            BrowserCall::SilentSet(true),
                                            BrowserCall::NavigateTo(kSite + L"ruanjiantongji.htm")};
    EXPECT_EQ(Stats().Calls(), stats);
    EXPECT_EQ(Only(Web(), BrowserCall::Kind::Silent), std::vector<BrowserCall>{BrowserCall::SilentSet(true)});
    EXPECT_EQ(Web().Urls(), std::vector<std::wstring>{kSite});
    // Silent comes before the page is opened.
    const auto& calls = Web().Calls();
    const auto silent = std::find(calls.begin(), calls.end(), BrowserCall::SilentSet(true));
    const auto nav = std::find(calls.begin(), calls.end(), BrowserCall::NavigateTo(kSite));
    EXPECT_LT(silent, nav);
}

TEST_F(MainWindow, StartUpSetsTheIconAndBlackBackgroundAndRegistersTheMagneticManager) {
    ASSERT_TRUE(form->Load());
    EXPECT_EQ(form->BackColor(), 0u);
    ASSERT_NE(form->KeptIcon(), nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(form->hWnd(), WM_GETICON, ICON_SMALL, 0)),
              form->KeptIcon());
    ASSERT_NE(form->MagneticManager(), nullptr);
    // Already registered: a second registration is refused.
    EXPECT_FALSE(form->MagneticManager()->AddWindow(form->hWnd()));
}

TEST_F(MainWindow, LayoutKeepsTheContainerInsideTheFrameAtEverySize) {
    form->Show(SW_SHOWNORMAL);
    const SIZE sizes[] = {{831, 532}, {400, 300}, {1200, 900}, {160, 60}};
    for (const SIZE& s : sizes) {
        ::SetWindowPos(form->hWnd(), nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        testsupport::Pump();
        const int w = form->ScaleWidth(), h = form->ScaleHeight();
        const RECT pic2 = RectIn(form->Picture2.hWnd(), form->hWnd());
        EXPECT_EQ(pic2.left, 5);
        EXPECT_EQ(pic2.top, 24);
        EXPECT_EQ(pic2.right - pic2.left, std::max(0, w - 10)) << s.cx;
        EXPECT_EQ(pic2.bottom - pic2.top, std::max(0, h - 24)) << s.cy;
        const auto moves = Only(Web(), BrowserCall::Kind::Move);
        ASSERT_FALSE(moves.empty());
        EXPECT_EQ(moves.back(), BrowserCall::MoveTo(-20, -20, form->Picture2.ScaleWidth() + 50,
                                                    form->Picture2.ScaleHeight() + 20));
    }
    // The statistics browser is placed once, off screen, and never laid out.
    EXPECT_EQ(Only(Stats(), BrowserCall::Kind::Move).size(), 1u);
}

TEST_F(MainWindow, LogoOpensTheProductSiteWithTheHandPointerAndItsToolTip) {
    form->Show(SW_SHOWNORMAL);
    HWND logo = form->Picture1.hWnd();
    const RECT r = RectIn(logo, form->hWnd());
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 368);
    EXPECT_EQ(r.right - r.left, 97);
    EXPECT_EQ(r.bottom - r.top, 15);
    ASSERT_NE(form->Tips(), nullptr);
    EXPECT_EQ(form->Tips()->ToolText(logo), L"Pelmor免费行情分析系统");
    ::SendMessageW(logo, WM_SETCURSOR, reinterpret_cast<WPARAM>(logo), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(::GetCursor(), &ii));
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    EXPECT_EQ(ii.xHotspot, 12u);
    EXPECT_EQ(ii.yHotspot, 4u);

    shell.calls.clear();
    ClickOn(logo);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].kind, rt::ShellCall::CommandLine);
    EXPECT_EQ(shell.calls[0].file, L"explorer.exe " + kSite);
    EXPECT_EQ(shell.calls[0].showCmd, SW_SHOWNORMAL);
}

TEST_F(MainWindow, StartsTheUpdaterBesideItOnlyWhenItIsThere) {
    const std::wstring updater = UpdaterPath(rt::AppPath());
    ::DeleteFileW(updater.c_str());
    ASSERT_TRUE(form->Load());
    EXPECT_TRUE(shell.calls.empty());
    form->Unload();

    { std::ofstream(updater.c_str()) << "stand-in"; }
    shell.calls.clear();
    frmMain second([](HWND) { return std::make_unique<testsupport::RecordingWebBrowser>(); });
    ASSERT_TRUE(second.Load());
    second.Unload();
    ::DeleteFileW(updater.c_str());
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"\"" + updater + L"\" 主程序启动");
    EXPECT_EQ(shell.calls[0].showCmd, SW_SHOWNORMAL);
}

TEST_F(MainWindow, EachQuoteButtonSilencesTheBrowserAndOpensItsPage) {
    form->Show(SW_SHOWNORMAL);
    const auto& sources = QuoteSources();
    for (size_t i = 0; i < QuoteBar::kCount; ++i) {
        Web().Clear();
        ClickOn(form->quoteBar.Button(i).Pic1().hWnd());
        const std::vector<BrowserCall> expected = {BrowserCall::SilentSet(true),
                                                   BrowserCall::NavigateTo(QuotePageUrl(sources[i], kSite))};
        EXPECT_EQ(Web().Calls(), expected) << "button " << i;
    }
    EXPECT_TRUE(Stats().Urls().size() == 1u);
}

TEST_F(MainWindow, TwoQuickClicksLeaveTheSecondPageAndButtonsKeepTheirPlaces) {
    form->Show(SW_SHOWNORMAL);
    Web().Clear();
    ClickOn(form->quoteBar.Button(1).Pic1().hWnd());
    ClickOn(form->quoteBar.Button(5).Pic1().hWnd());
    ASSERT_EQ(Web().Urls().size(), 2u);
    EXPECT_EQ(Web().Urls().back(), QuotePageUrl(QuoteSources()[5], kSite));

    for (int width : {1000, 760, 500}) {
        ::SetWindowPos(form->hWnd(), nullptr, 0, 0, width, 400, SWP_NOMOVE | SWP_NOZORDER);
        testsupport::Pump();
        for (size_t i = 0; i < QuoteBar::kCount; ++i) {
            const RECT r = RectIn(form->quoteBar.Button(i).hWnd(), form->ucSkin1.hWnd());
            EXPECT_EQ(r.left, QuoteSources()[i].left) << width;
            EXPECT_EQ(r.top, 2);
            EXPECT_EQ(r.right - r.left, 75);
            EXPECT_EQ(r.bottom - r.top, 20);
        }
    }
}

// Unloads the form from a timer if it is still loaded then, so a loop waiting for it cannot hang.
class UnloadLater {
  public:
    UnloadLater(rt::Form& form, UINT ms) : id_(::SetTimer(nullptr, 0, ms, &Tick)) { form_ = &form; }
    ~UnloadLater() {
        ::KillTimer(nullptr, id_);
        form_ = nullptr;
    }
    bool Fired() const { return fired_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        fired_ = true;
        if (form_) form_->Unload();
    }
    UINT_PTR id_;
    static inline rt::Form* form_ = nullptr;
    static inline bool fired_ = false;
};

TEST_F(MainWindow, TheMessageLoopOffersKeysToTheBrowserFirstAndRunsTheRestAsBefore) {
    ASSERT_TRUE(form->Load());
    // The page takes F5 and C; A and Alt+F4 are left to the window. The browser goes with the window,
    // so what it was offered is kept here.
    std::vector<BrowserCall> keys;
    Web().SetTakesKey([&keys](const MSG& m) {
        keys.push_back(BrowserCall::KeyOffered(m.message, m.wParam));
        return m.message == WM_KEYDOWN && (m.wParam == VK_F5 || m.wParam == 'C');
    });
    const HWND container = form->Picture2.hWnd();
    const auto key = [](UINT scan, bool alt = false) {
        return static_cast<LPARAM>(1 | (scan << 16) | (alt ? KF_ALTDOWN << 16 : 0));
    };
    ::PostMessageW(container, WM_KEYDOWN, VK_F5, key(0x3F));
    ::PostMessageW(container, WM_KEYDOWN, 'A', key(0x1E));
    ::PostMessageW(container, WM_KEYDOWN, 'C', key(0x2E));
    // Alt+F4 closes the window, through the loop's translation and the system's default handling.
    ::PostMessageW(form->hWnd(), WM_SYSKEYDOWN, VK_F4, key(0x3E, true));
    UnloadLater guard(*form, 5000);
    EXPECT_EQ(rt::Form::Run(*form, SW_SHOWNORMAL), 0);
    EXPECT_FALSE(guard.Fired()) << "Alt+F4 did not close the window";
    EXPECT_FALSE(form->IsLoaded());

    std::vector<BrowserCall> downs, chars;
    for (const BrowserCall& k : keys)
        (k.message == WM_CHAR ? chars : downs).push_back(k);
    const std::vector<BrowserCall> offered = {
        BrowserCall::KeyOffered(WM_KEYDOWN, VK_F5), BrowserCall::KeyOffered(WM_KEYDOWN, 'A'),
        BrowserCall::KeyOffered(WM_KEYDOWN, 'C'), BrowserCall::KeyOffered(WM_SYSKEYDOWN, VK_F4)};
    EXPECT_EQ(downs, offered);
    // A, not taken, was translated, and its character offered in turn; C, taken, was not.
    EXPECT_EQ(chars, std::vector<BrowserCall>{BrowserCall::KeyOffered(WM_CHAR, 'a')});
}

TEST_F(MainWindow, TheFrameShowsWhatItsStoredPropertiesAsk) {
    form->Show(SW_SHOWNORMAL);
    testsupport::Pump();
    const ucSkin& skin = form->ucSkin1;
    EXPECT_TRUE(skin.DrawIcon());
    EXPECT_TRUE(skin.DrawBorder());
    EXPECT_TRUE(skin.MenuButton());
    EXPECT_TRUE(skin.TopMostButton());
    EXPECT_EQ(skin.MinWidth(), 0);
    EXPECT_EQ(skin.MinHeight(), 0);

    // All five caption buttons, the menu and the pin included, are drawn and clickable, and the
    // window's icon is drawn at the left of the caption.
    const int w = skin.Width();
    const skintest::Pixels shot = skintest::Painted(skin);
    struct Shown {
        int index;
        int left;
        int cellX;
    };
    for (const Shown& b : {Shown{skin::kCloseButton, w - 17, 22}, Shown{skin::kMaxButton, w - 34, 11},
                           Shown{skin::kMinButton, w - 51, 0}, Shown{skin::kTopMostButton, w - 68, 44},
                           Shown{skin::kMenuButton, w - 85, 33}}) {
        EXPECT_EQ(skin.ButtonState(b.index), skin::kNormal) << b.index;
        EXPECT_TRUE(::IsWindowVisible(form->ucSkin1.ImgBt(b.index).hWnd())) << b.index;
        EXPECT_TRUE(skintest::ShowsCell(shot, b.left, skin::kButtonTop, b.cellX, 0)) << b.index;
    }
    EXPECT_FALSE(skintest::ShowsCaptionBackground(shot, 3, 3)) << "no icon at the left of the caption";
    EXPECT_FALSE(skintest::ShowsCaptionBackground(shot, 8, 8)) << "no icon at the left of the caption";

    MINMAXINFO mmi{};
    ::SendMessageW(form->hWnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 142);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 50);
}

// The window a click at `pt` (in `root`'s client coordinates) goes to: the topmost visible child
// containing it, level by level, as the system routes the mouse.
HWND DeepestAt(HWND root, POINT pt) {
    HWND at = root;
    for (;;) {
        HWND child = ::ChildWindowFromPointEx(at, pt, CWP_SKIPINVISIBLE);
        if (!child || child == at) return at;
        ::MapWindowPoints(at, child, &pt, 1);
        at = child;
    }
}

TEST_F(MainWindow, OnANarrowWindowTheQuoteButtonsLieOverTheCaptionButtonHitAreas) {
    form->Show(SW_SHOWNORMAL);
    const HWND skin = form->ucSkin1.hWnd();
    // At 720 the caption buttons reach over 全球行情, at 660 over 实时DEDE.
    for (int width : {720, 660}) {
        RECT wr{}, cr{};
        ::GetWindowRect(form->hWnd(), &wr);
        ::GetClientRect(form->hWnd(), &cr);
        ::SetWindowPos(form->hWnd(), nullptr, 0, 0, width + (wr.right - wr.left) - cr.right, 400,
                       SWP_NOMOVE | SWP_NOZORDER);
        testsupport::Pump();
        ASSERT_EQ(form->ScaleWidth(), width);
        int overlaps = 0;
        for (size_t b = 0; b < QuoteBar::kCount; ++b) {
            UButton& button = form->quoteBar.Button(b);
            const RECT br = RectIn(button.hWnd(), skin);
            for (int i = 0; i < viewer::skin::kButtonCount; ++i) {
                const RECT hr = RectIn(form->ucSkin1.ImgBt(i).hWnd(), skin);
                RECT both{};
                if (!::IsWindowVisible(form->ucSkin1.ImgBt(i).hWnd()) || !::IntersectRect(&both, &br, &hr))
                    continue;
                ++overlaps;
                const POINT pt{(both.left + both.right) / 2, (both.top + both.bottom) / 2};
                const HWND target = DeepestAt(skin, pt);
                ASSERT_EQ(target, button.Pic1().hWnd())
                    << "width " << width << ", button " << b << ", hit area " << i;
                POINT local = pt;
                ::MapWindowPoints(skin, target, &local, 1);
                Web().Clear();
                ::SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y));
                ::SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
                ::SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(local.x, local.y));
                testsupport::Pump();
                EXPECT_EQ(Web().Urls(), std::vector<std::wstring>{QuotePageUrl(QuoteSources()[b], kSite)});
            }
        }
        EXPECT_GE(overlaps, 4) << width;
        EXPECT_TRUE(form->IsLoaded());
    }
}

namespace {

// What the menu control had taken over while the skin's system menu was open.
struct OpenSystemMenu {
    static inline menus::ctxHookMenu* control = nullptr;
    static inline HWND form = nullptr;
    static inline size_t popups = 0;
    static inline int ownerDrawn = 0;
    static void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
        popups = control->Popups().size();
        const HMENU sys = ::GetSystemMenu(form, FALSE);
        ownerDrawn = 0;
        for (int i = 0; i < ::GetMenuItemCount(sys); ++i) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof(mii);
            mii.fMask = MIIM_FTYPE;
            ::GetMenuItemInfoW(sys, static_cast<UINT>(i), TRUE, &mii);
            ownerDrawn += (mii.fType & MFT_OWNERDRAW) != 0;
        }
        ::EndMenu();
    }
};

} // namespace

TEST_F(MainWindow, TheMenuControlSitsBetweenTheMagneticManagerAndTheSkinAndTakesOverTheSystemMenu) {
    ASSERT_TRUE(form->Load());
    form->Show(SW_SHOWNORMAL);
    const WNDPROC dispatcher = form->ctxHookMenu1.FormDispatcher();
    ASSERT_NE(dispatcher, nullptr);
    EXPECT_FALSE(::IsWindowVisible(form->ctxHookMenu1.hWnd()));
    EXPECT_EQ(form->ctxHookMenu1.Records().Count(), 0u) << "the window has no menu bar";

    OpenSystemMenu::control = &form->ctxHookMenu1;
    OpenSystemMenu::form = form->hWnd();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 150, &OpenSystemMenu::Look);
    form->ucSkin1.ShowSystemMenu();
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(OpenSystemMenu::popups, 1u);
    EXPECT_GT(OpenSystemMenu::ownerDrawn, 0);
    EXPECT_TRUE(form->ctxHookMenu1.Popups().empty());

    // The magnetic manager was installed last and sees messages first; the menu dispatcher is next.
    EXPECT_NE(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(form->hWnd(), GWLP_WNDPROC)), dispatcher);
    ASSERT_TRUE(form->MagneticManager()->RemoveWindow(form->hWnd()));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(form->hWnd(), GWLP_WNDPROC)), dispatcher);

    form->Unload();
    EXPECT_EQ(form->ctxHookMenu1.FormDispatcher(), nullptr);
}

TEST(MainWindowLifetime, LoadAndUnloadCyclesReturnEveryHandle) {
    rt::SetShellHandler([](const rt::ShellCall&) { return true; });
    auto cycle = [] {
        frmMain f([](HWND) { return std::make_unique<testsupport::RecordingWebBrowser>(); });
        f.Show(SW_SHOWNORMAL);
        HWND w = f.hWnd();
        f.Unload();
        EXPECT_FALSE(::IsWindow(w));
    };
    cycle(); // first-use objects (shared cursors, classes) are made here
    const long gdi = rt::LiveHandles::Gdi(), user = rt::LiveHandles::User();
    const long thunks = msghook::WndProcThunk::LiveCount();
    for (int i = 0; i < 20; ++i)
        cycle();
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdi);
    EXPECT_EQ(rt::LiveHandles::User(), user);
    EXPECT_EQ(msghook::WndProcThunk::LiveCount(), thunks);
    rt::SetShellHandler({});
}

namespace {

// The system's browser control, noting for each key it is offered whether it came from its window.
class KeyWitness final : public rt::IWebBrowserControl {
  public:
    KeyWitness(HWND container, std::vector<bool>& fromPage) : fromPage_(fromPage) { real_.Create(container); }
    bool Move(int l, int t, int w, int h) override { return real_.Move(l, t, w, h); }
    bool SetSilent(bool silent) override { return real_.SetSilent(silent); }
    bool Navigate2(const std::wstring& url) override { return real_.Navigate2(url); }
    bool Refresh() override { return real_.Refresh(); }
    HWND Window() const override { return real_.Window(); }
    void FrameActivated(bool active) override { real_.FrameActivated(active); }
    bool TranslateAccelerator(MSG& msg) override {
        if (msg.message == WM_KEYDOWN) fromPage_.push_back(InPage(msg.hwnd));
        return real_.TranslateAccelerator(msg);
    }
    bool InPage(HWND w) const { return w && (w == Window() || ::IsChild(Window(), w)); }

  private:
    rt::WebBrowserControl real_;
    std::vector<bool>& fromPage_;
};

} // namespace

// Wine renders no page, so the focus and the way a key takes are what is checked.
TEST(MainWindowFocus, ThePageHasTheFocusWhenShownAndAgainAfterAnotherWindowWasActive) {
    ShellRecorder shell;
    std::vector<bool> fromPage;
    frmMain f([&](HWND container) { return std::make_unique<KeyWitness>(container, fromPage); });
    f.Show(SW_SHOWNORMAL);
    const auto& page = static_cast<const KeyWitness&>(*f.web);
    ASSERT_NE(page.Window(), nullptr);
    EXPECT_TRUE(page.InPage(::GetFocus())) << "at start";

    rt::UniqueWindow other(::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                             nullptr, nullptr, nullptr, nullptr));
    ::SetForegroundWindow(other.get());
    ASSERT_EQ(::GetForegroundWindow(), other.get());
    ::SetForegroundWindow(f.hWnd());
    EXPECT_TRUE(page.InPage(::GetFocus())) << "after another window was active";

    INPUT keys[2]{};
    for (INPUT& k : keys) {
        k.type = INPUT_KEYBOARD;
        k.ki.wVk = VK_F5;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    UnloadLater guard(f, 500);
    rt::Form::Run(f, SW_SHOWNORMAL);
    EXPECT_EQ(fromPage, std::vector<bool>{true}) << "F5 was not offered from the page";
}
