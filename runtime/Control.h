#pragma once
// The base of every child control placed on a form or inside a container, and the host side that
// places them: a form, or a user control that holds controls of its own.
#include <windows.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Accessibility.h"
#include "runtime/Handles.h"
#include "runtime/RtError.h"

namespace rt {

class ControlHost;
class Form;
class PropertyBag;
class UserControl;

// Button and shift-key bits of the mouse events.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

// Registers the progress bar, tool tip and standard classes of comctl32, once per process.
void EnsureCommonControls();

class Control : public AccessibleSource {
  public:
    // Passed to Move for a size that stays as it is.
    static constexpr int kKeep = INT_MIN;

    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    // Null until the host has created the control, and again after it is destroyed.
    HWND hWnd() const { return hwnd_; }
    // The name the control has on its form ("Picture1").
    const std::wstring& Name() const { return name_; }
    // The form or user control that placed this control.
    ControlHost* Host() const { return host_; }
    // The container control (a picture box, a user control) or null when it sits on its host directly.
    Control* Container() const { return container_; }
    // The top-level form the control ends up on.
    Form* ParentForm() const;

    // In pixels of the container's client area. Before creation the values are kept for it.
    void Move(int left, int top, int width = kKeep, int height = kKeep);
    int Left() const { return Bounds().left; }
    int Top() const { return Bounds().top; }
    int Width() const { return Bounds().right - Bounds().left; }
    int Height() const { return Bounds().bottom - Bounds().top; }
    // Client size in pixels; the outer size before the window exists.
    int ScaleWidth() const;
    int ScaleHeight() const;

    // The control's own flag; a visible control on a hidden form is Visible().
    bool Visible() const;
    virtual void SetVisible(bool visible);
    bool Enabled() const;
    virtual void SetEnabled(bool enabled);
    const std::wstring& ToolTipText() const { return toolTip_; }
    virtual void SetToolTipText(std::wstring text);
    void Refresh();

    // The control takes its turn in its form's tab order (and its window has WS_TABSTOP).
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // The window that takes the keyboard focus when the control is given it: the control's own, or the
    // window of an object living inside it (a page in a container) once named here.
    HWND FocusWindow() const;
    void SetFocusTarget(HWND inner) { focusTarget_ = inner; }
    // The window is of a class of the control's own, whose messages reach WindowProc.
    bool HasOwnClass() const { return ownClass_; }

    // Screen readers: named by the tool tip, its visible child windows as its children.
    std::wstring AccessibleName() const override { return ToolTipText(); }
    std::vector<HWND> AccessibleWindows() const override;

    // The background that controls placed inside this one take (containers only).
    virtual uint32_t ContainerBackColor() const;

    // The control object behind a window created by a host; null for any other window.
    static Control* FromHwnd(HWND wnd);

    // Raises an event to a handler that may veto the action: Cancel is False on entry. True means the
    // action may go on (also with no handler, and when the handler fails).
    static bool RaiseVetoable(const std::function<void(bool&)>& handler);
    // Passes a parent's notification to the child control it concerns; true when that control handled it.
    static bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Raises an event; a failing handler is ignored.
    template <class... P, class... A>
    static void RaiseEvent(const std::function<void(P...)>& handler, A&&... args) {
        if (handler) Trap([&] { handler(std::forward<A>(args)...); });
    }

  protected:
    enum class MouseKind { Down, Move, Up, Click, DblClick };

    // Makes the window, as a child of `parent`; BaseStyle() carries the visible and enabled state.
    virtual HWND CreateHandle(HWND parent, int left, int top, int width, int height) = 0;
    // The window exists: apply what was set before it did.
    virtual void OnCreated() {}
    // The window is about to be destroyed: let go of what belongs to it.
    virtual void OnDestroying() {}
    // The host is unloading; user controls raise their Terminate here, before any window goes.
    virtual void Terminate() {}
    // The form has been shown.
    virtual void NotifyShown() {}
    // A notification the parent received for this control (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*...).
    virtual bool OnReflected(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Labels and buttons take the form's default font.
    virtual bool UsesFormFont() const { return false; }
    virtual void OnMouse(MouseKind kind, int button, int shift, float x, float y);

    DWORD BaseStyle() const;
    // For controls with a window class of their own, whose procedure is WindowProc below.
    static void RegisterOwnClass(const wchar_t* className);
    HWND CreateOwnWindow(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int left, int top,
                         int width, int height);
    // The default passes notifications on to child controls and calls DefWindowProcW.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Turns mouse messages into OnMouse calls (Click after a left press and release inside, DblClick on
    // the second left press); true when the message was one of them.
    bool HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam);

  private:
    friend class ControlHost;
    template <class T> friend LRESULT DispatchToObject(const wchar_t*, HWND, UINT, WPARAM, LPARAM);
    void Create(ControlHost& host, Control* container, std::wstring name, int left, int top, int width,
                int height);
    void Destroy();
    void WindowGone();
    void ForgetToolTip(HWND wnd);
    // The window's messages no longer reach this object.
    void Detach(HWND wnd) const;
    RECT Bounds() const;
    static LRESULT CALLBACK OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    UniqueWindow window_;
    HWND hwnd_ = nullptr;
    bool destroying_ = false;
    // The window is of a class of CreateOwnWindow, whose messages find this object through its extra bytes.
    bool ownClass_ = false;
    // Created and not yet torn down by Destroy, whether or not the window still exists.
    bool created_ = false;
    ControlHost* host_ = nullptr;
    Control* container_ = nullptr;
    std::wstring name_;
    std::wstring toolTip_;
    bool visible_ = true;
    bool enabled_ = true;
    bool tabStop_ = false;
    HWND focusTarget_ = nullptr;
    RECT bounds_{};
    int buttonsDown_ = 0;
    bool captured_ = false;
    bool releasing_ = false;
    bool clickArmed_ = false;
};

// Places controls and takes them down again: a form, or a user control with controls of its own.
class ControlHost {
  public:
    ControlHost() = default;
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;
    virtual ~ControlHost();

    // Creates the control's window as a child of the host window, or of `container`.
    void Add(Control& control, std::wstring name, int left, int top, int width, int height,
             Control* container = nullptr);
    // As Add, then raises Initialize, ReadProperties(*stored) or InitProperties when `stored` is null,
    // and Resize.
    void AddUserControl(UserControl& control, std::wstring name, int left, int top, int width, int height,
                        const PropertyBag* stored, Control* container = nullptr);
    // In creation order.
    const std::vector<Control*>& Controls() const { return controls_; }

    virtual HWND HostWindow() const = 0;
    virtual Form* HostForm() = 0;
    // False when the controls are placed in design mode.
    virtual bool AmbientUserMode() const = 0;
    virtual uint32_t HostBackColor() const = 0;

  protected:
    // Terminate every control, last created first, while all windows still exist.
    void TerminateControls();
    // Destroys the controls' windows, last created first, and forgets them.
    void DestroyControls();
    void NotifyControlsShown();

  private:
    friend class Control;
    void Forget(Control* control);

    std::vector<Control*> controls_;
};

} // namespace rt
