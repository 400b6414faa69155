#pragma once
// A top-level form: its window, the controls it places, its load/show/unload life cycle and the
// program's message loop.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Accessibility.h"
#include "runtime/Control.h"
#include "runtime/Handles.h"
#include "runtime/OleColor.h"
#include "runtime/ToolTips.h"

namespace rt {

enum class WindowStateKind { Normal = 0, Minimized = 1, Maximized = 2 };

class Form : public ControlHost, public AccessibleSource {
  public:
    Form() = default;
    // Unload a form before it goes: the destructor only takes the window down, raising no events.
    ~Form() override;

    // Design-time properties: set them before Load. Caption, colour and icon also work later.
    void SetClientSize(int width, int height);
    void SetSizable(bool sizable) { sizable_ = sizable; }
    void SetMinButton(bool on) { minButton_ = on; }
    void SetMaxButton(bool on) { maxButton_ = on; }
    bool Sizable() const { return sizable_; }
    bool MinButton() const { return minButton_; }
    bool MaxButton() const { return maxButton_; }
    // Controls are placed in design mode: AmbientUserMode() is false for them.
    void SetDesignMode(bool design) { designMode_ = design; }

    // Creates the window hidden, its controls in declared order, and raises Form_Load. False when the
    // form unloaded itself meanwhile.
    bool Load();
    // Loads first if needed, then shows with exactly this show command.
    void Show(int nCmdShow);
    void Hide();
    // Form_QueryUnload, Form_Unload (either may veto), then every control's Terminate, last first, and
    // the windows go. Does nothing on a form that is not loaded.
    void Unload();
    bool IsLoaded() const { return state_ != State::Unloaded; }

    // Shows the start-up form and dispatches messages until it unloads. Returns the WM_QUIT code if
    // one arrives first, else 0.
    static int Run(Form& startup, int nCmdShow);
    // Offers a keyboard message taken from a message loop to the form it is for: its PreTranslateKey,
    // then the keyboard navigation. True when that form used it up; a loop of its own calls this too.
    static bool PreTranslate(MSG& msg);

    // The controls Tab goes through, in order: every tab stop, in creation order, those placed on a
    // user control right after it.
    std::vector<Control*> TabOrder() const;

    HWND hWnd() const { return hwnd_; }
    int ScaleWidth() const;
    int ScaleHeight() const;
    std::wstring Caption() const;
    void SetCaption(std::wstring caption);
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t oleColor);
    // An icon the form shows but does not own.
    void SetIcon(HICON icon);
    // An icon resource the form loads (at Load, or now when loaded) and owns until it unloads.
    void SetIconResource(const wchar_t* name, HINSTANCE instance = nullptr);
    HICON Icon() const;
    bool Visible() const;
    WindowStateKind WindowState() const;
    void SetWindowState(WindowStateKind state);
    // "宋体" 9 pt, GB2312: the font of the form's labels and buttons, at the resolution of the form's
    // monitor; null while unloaded.
    HFONT Font() const { return font_.get(); }
    // Makes the font again at another resolution (the form moved to a monitor of another one) and gives
    // it to the controls that had the old one.
    void SetFontDpi(int32_t dpi);

    // The form's tool tips; made on first use, null while unloaded.
    ToolTips* Tips();
    ToolTips* TipsIfAny() const { return tips_.get(); }

    // The Form object of a form window.
    static Form* FromHwnd(HWND wnd);

    HWND HostWindow() const override { return hwnd_; }
    Form* HostForm() override { return this; }
    bool AmbientUserMode() const override { return !designMode_; }
    uint32_t HostBackColor() const override { return backColor_; }

    // Screen readers: named by the caption, the controls on it as its children.
    std::wstring AccessibleName() const override { return Caption(); }
    std::vector<HWND> AccessibleWindows() const override;

  protected:
    // Place the controls here, in declared order, with Add and AddUserControl.
    virtual void CreateControls() {}
    virtual void Form_Load() {}
    // Raised on every WM_SIZE once loaded, and on the first show.
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(bool& /*Cancel*/) {}
    virtual void Form_Unload(bool& /*Cancel*/) {}
    // Sees every message that reaches the form's own procedure; call this for the default handling.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // A keyboard message for one of the form's windows, taken by Run's loop before it is translated
    // and dispatched; true when the form used it up (an in-place object took it as an accelerator).
    virtual bool PreTranslateKey(MSG& /*msg*/) { return false; }
    // The child that takes the keyboard focus when the form is activated and none of its children had
    // it before (the first show); null leaves the focus to the form itself. The first tab stop that can
    // take it, unless a form says otherwise.
    virtual HWND FirstFocus() const;
    // The form became the active window, or stopped being it; the focus is already back in place.
    virtual void Form_Activation(bool /*active*/) {}

  private:
    enum class State { Unloaded, Loading, Loaded, Unloading };

    // Tab and Shift+Tab through the tab order, the arrows within a group of controls side by side,
    // Enter for the focused or the default button, Esc for the cancel button; true when the key was used.
    bool NavigateByKey(const MSG& msg);
    void FocusByKey(Control& control);
    bool CreateFormWindow();
    void ApplyIcons();
    void RaiseResize();
    // Everything after the unload events: controls, tool tips, window, font, icons.
    void Teardown();
    // WM_ACTIVATE: the focused child is noted on the way out and given the focus again on the way in.
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    void WindowGone();
    template <class T> friend LRESULT DispatchToObject(const wchar_t*, HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK StaticProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    State state_ = State::Unloaded;
    UniqueWindow window_;
    HWND hwnd_ = nullptr;
    bool destroying_ = false;
    std::unique_ptr<ToolTips> tips_;
    UniqueFont font_;

    std::wstring caption_;
    int clientWidth_ = 312;
    int clientHeight_ = 213;
    bool sizable_ = true;
    bool minButton_ = true;
    bool maxButton_ = true;
    bool designMode_ = false;
    uint32_t backColor_ = SysColor::ButtonFace;

    HICON sharedIcon_ = nullptr;
    std::wstring iconName_;
    WORD iconId_ = 0;
    HINSTANCE iconInstance_ = nullptr;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;

    bool shown_ = false;
    int resizeCount_ = 0;
    // The child that had the focus when the form was last deactivated.
    HWND focused_ = nullptr;
};

} // namespace rt
