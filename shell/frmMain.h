#pragma once
// The viewer's only window: the skin frame over the whole client area, the quote-source bar in its
// caption row, and the browser container in its opening.
#include <functional>
#include <memory>

#include "magnetic/cMagneticWnd.h"
#include "menus/ctxHookMenu.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "runtime/StockControls.h"
#include "runtime/WebBrowser.h"
#include "shell/QuoteBar.h"
#include "shell/ucSkin.h"

namespace viewer {

class frmMain : public rt::Form {
  public:
    // Makes a browser inside a container window; tests put a recorder in its place.
    using BrowserFactory = std::function<std::unique_ptr<rt::IWebBrowserControl>(HWND container)>;

    explicit frmMain(BrowserFactory browserFactory = {});
    ~frmMain() override;

    rt::PictureBox Picture2;
    rt::PictureBox Picture1;
    ucSkin ucSkin1;
    QuoteBar quoteBar;
    // Draws the system menu the skin opens; the window has no menus of its own.
    menus::ctxHookMenu ctxHookMenu1;
    std::unique_ptr<rt::IWebBrowserControl> web;
    std::unique_ptr<rt::IWebBrowserControl> WebBrowser1;

    // The manager that makes the window snap; alive from load to unload.
    cMagneticWnd* MagneticManager() const { return magnetic_.get(); }
    HICON KeptIcon() const { return icon_.get(); }

    // ucSkin1's and ctxHookMenu1's design-time properties.
    static const char kSkinProperties[];
    static const char kMenuProperties[];

  protected:
    void CreateControls() override;
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(bool& Cancel) override;
    // The page's keys first, then the viewer's own (ViewerKeys.h).
    bool PreTranslateKey(MSG& msg) override;
    void Form_Activation(bool active) override;

  private:
    void Picture1_Click();
    // The controls at the skin's scale: on a monitor of other than the design resolution, and again
    // when the form moves to one.
    void ScaleControls();

    BrowserFactory browserFactory_;
    rt::UniqueCursor hand_;
    rt::UniqueIcon icon_;
    std::unique_ptr<cMagneticWnd> magnetic_;
};

// The system's web-browser control, created in `container`; a control that cannot be created still
// answers every call (with failure), so the window comes up with an empty area instead. First the
// program's document mode is set for the user when absent (EnsureBrowserEmulation).
std::unique_ptr<rt::IWebBrowserControl> CreateSystemBrowser(HWND container);

} // namespace viewer
