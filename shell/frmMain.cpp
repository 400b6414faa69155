#include "shell/frmMain.h"

#include <shellapi.h>

#include <algorithm>

#include "pelmor_config.h"
#include "resources/resource_names.h"
#include "runtime/App.h"
#include "runtime/Dpi.h"
#include "runtime/Picture.h"
#include "runtime/ProgramVersion.h"
#include "runtime/PropertyBag.h"
#include "runtime/RtError.h"
#include "shell/BrowserEmulation.h"
#include "shell/StartupPaths.h"
#include "shell/SkinPictures.h"
#include "shell/ViewerKeys.h"

namespace viewer {

const char frmMain::kSkinProperties[] = "DrawIcon = bool True\n"
                                        "MinWidth = i32 0\n"
                                        "MinHeight = i32 0\n"
                                        "DrawBorder = bool True\n"
                                        "MenuButton = bool True\n"
                                        "TopMostButton = bool True\n";

// Every property at its default.
const char frmMain::kMenuProperties[] = "";

std::unique_ptr<rt::IWebBrowserControl> CreateSystemBrowser(HWND container) {
    // Before the first control loads the browser engine, which reads the value when it starts.
    EnsureBrowserEmulation(rt::AppExeName() + L".exe");
    auto browser = std::make_unique<rt::WebBrowserControl>();
    browser->Create(container);
    return browser;
}

frmMain::frmMain(BrowserFactory browserFactory)
    : quoteBar(PELMOR_HOME_URL),
      browserFactory_(browserFactory ? std::move(browserFactory) : CreateSystemBrowser) {
    // The version shown is the one in the program's version resource, so an update shows the new one.
    SetCaption(L"Pelmor免费行情分析系统V" + rt::ProgramVersionText());
    // The resolution the window will start at; the skin takes its own window's when it starts. A work area
    // too small for the design size scaled (200 % on a small screen) still holds the whole window.
    const skin::Scale s{rt::SystemDpi()};
    const RECT work = rt::WorkAreaNear(RECT{0, 0, 1, 1});
    const int frameX = 2 * rt::SystemMetricForDpi(SM_CXSIZEFRAME, s.dpi);
    const int frameY =
        2 * rt::SystemMetricForDpi(SM_CYSIZEFRAME, s.dpi) + rt::SystemMetricForDpi(SM_CYCAPTION, s.dpi);
    SetClientSize(std::min(s(831), static_cast<int>(work.right - work.left) - frameX),
                  std::min(s(532), static_cast<int>(work.bottom - work.top) - frameY));
    SetSizable(true);
    SetMinButton(true);
    SetMaxButton(true);
    SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
}

frmMain::~frmMain() {
    // A form normally unloads before it goes; this covers an early exit.
    if (IsLoaded()) Unload();
}

void frmMain::CreateControls() {
    Picture2.SetBackColor(0);
    Add(Picture2, L"Picture2", 5, 24, 821, 508);
    web = browserFactory_(Picture2.hWnd());
    WebBrowser1 = browserFactory_(Picture2.hWnd());
    // The page is first in the tab order, before the quote-source buttons, and has the focus at start.
    if (HWND page = web->Window()) {
        Picture2.SetFocusTarget(page);
        Picture2.SetTabStop(true);
    }

    hand_ = rt::CreateHandCursor();
    Picture1.SetPicture(rt::LoadResPicture(PELMOR_RES_LOGO, rt::PictureType::Bitmap));
    Picture1.SetMouseIcon(hand_.get());
    Picture1.SetToolTipText(L"Pelmor免费行情分析系统");
    Picture1.Click = [this] { Picture1_Click(); };
    Add(Picture1, L"Picture1", 40, 368, 97, 15);
    // Controls placed later lie in front of earlier ones, as in the form designer.
    ::SetWindowPos(Picture1.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const auto stored = rt::PropertyBag::FromText(kSkinProperties);
    AddUserControl(ucSkin1, L"ucSkin1", 0, 0, 831, 24, stored ? &*stored : nullptr);
    quoteBar.Create(ucSkin1);
    quoteBar.SetBrowser(web.get());
    if (ucSkin1.DesignScale() != skin::Scale{}) ScaleControls();
    ucSkin1.DpiChanged = [this] { ScaleControls(); };

    // After the skin: its dispatcher goes over the skin's trampoline on the form.
    const auto menuStored = rt::PropertyBag::FromText(kMenuProperties);
    const int side = ::GetSystemMetrics(SM_CXEDGE) + 32;
    AddUserControl(ctxHookMenu1, L"ctxHookMenu1", 0, 0, side, side, menuStored ? &*menuStored : nullptr);
}

void frmMain::Form_Load() {
    rt::Trap([&] {
        const std::wstring folder = ProgramFolder(rt::AppPath(), rt::AppInIde());
        const std::wstring exe = ExecutablePath(folder, rt::AppExeName());
        // Index 0 of the program file: the same icon the shell shows for it.
        HICON icon = ::ExtractIconW(::GetModuleHandleW(exe.c_str()), exe.c_str(), 0);
        if (icon == reinterpret_cast<HICON>(1)) icon = nullptr; // "not an executable"
        icon_.reset(icon);
        if (icon_) ::SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    });

    // Black shows in the one-pixel gaps between the frame's opening and the browser container.
    SetBackColor(0);

    magnetic_ = std::make_unique<cMagneticWnd>();
    magnetic_->AddWindow(hWnd());

    rt::Trap([&] {
        WebBrowser1->Move(-100, -100, 0, 0);
        WebBrowser1->SetSilent(true);
        WebBrowser1->Navigate2(SitePageUrl(PELMOR_HOME_URL, L"/ruanjiantongji.htm"));
    });
    rt::Trap([&] {
        web->SetSilent(true);
        web->Navigate2(PELMOR_HOME_URL);
    });
    rt::Trap([&] {
        const std::wstring updater = UpdaterPath(rt::AppPath());
        if (rt::FileExists(updater)) rt::Shell(UpdaterCommandLine(updater), SW_SHOWNORMAL);
    });
}

void frmMain::Form_Resize() {
    // The caption height, not the skin's own height: the skin grows over the whole client area.
    const int S = ucSkin1.SizeCaption();
    const skin::Scale& s = ucSkin1.DesignScale();
    rt::Trap([&] { Picture2.Move(s(5), S, ScaleWidth() - s(10), ScaleHeight() - S); });
    // Larger than its container: the browser's own border and scroll bar stay out of sight.
    rt::Trap([&] {
        if (web) web->Move(-s(20), -s(20), Picture2.ScaleWidth() + s(50), Picture2.ScaleHeight() + s(20));
    });
}

void frmMain::ScaleControls() {
    const skin::Scale& s = ucSkin1.DesignScale();
    rt::Trap([&] {
        Picture1.SetPicture(ScaledResPicture(PELMOR_RES_LOGO, PELMOR_LOGO_W, PELMOR_LOGO_H, s.dpi));
        Picture1.Move(s(40), s(368), s(PELMOR_LOGO_W), s(PELMOR_LOGO_H));
    });
    rt::Trap([&] { quoteBar.Rescale(s); });
    Form_Resize();
}

void frmMain::Form_Unload(bool& /*Cancel*/) {
    icon_.reset();
    magnetic_.reset();
    // The browsers go while their container window still exists.
    web.reset();
    WebBrowser1.reset();
    quoteBar.SetBrowser(nullptr);
}

bool frmMain::PreTranslateKey(MSG& msg) {
    // Tab, Ctrl+C, F5 and the like belong to the page while the focus is inside the browser.
    if (web && web->TranslateAccelerator(msg)) return true;
    if (msg.message != WM_KEYDOWN) return false;
    const auto key = ChooseViewerKey(static_cast<uint32_t>(msg.wParam), ::GetKeyState(VK_CONTROL) < 0,
                                     ::GetKeyState(VK_SHIFT) < 0, ::GetKeyState(VK_MENU) < 0);
    if (!key) return false;
    if (key->action == ViewerKey::Action::OpenSource)
        quoteBar.Open(key->source);
    else if (web)
        web->Refresh();
    return true;
}

void frmMain::Form_Activation(bool active) {
    if (web) web->FrameActivated(active);
}

void frmMain::Picture1_Click() {
    rt::Trap([] { rt::Shell(std::wstring(L"explorer.exe ") + PELMOR_HOME_URL, SW_SHOWNORMAL); });
}

} // namespace viewer
