#include "runtime/Control.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "runtime/Form.h"
#include "runtime/OleColor.h"
#include "runtime/ToolTips.h"
#include "runtime/WindowObject.h"

namespace rt {
namespace {

constexpr wchar_t kControlProp[] = L"Pelmor.rt.Control";

} // namespace

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

Control::~Control() {
    Destroy();
    if (host_) host_->Forget(this);
}

Form* Control::ParentForm() const {
    return host_ ? host_->HostForm() : nullptr;
}

void Control::Detach(HWND wnd) const {
    if (ownClass_)
        DetachObject(wnd, kControlProp);
    else
        ::RemovePropW(wnd, kControlProp);
}

Control* Control::FromHwnd(HWND wnd) {
    return wnd ? static_cast<Control*>(::GetPropW(wnd, kControlProp)) : nullptr;
}

bool Control::RaiseVetoable(const std::function<void(bool&)>& handler) {
    if (!handler) return true;
    bool cancel = false;
    if (!Trap([&] { handler(cancel); })) return true;
    return !cancel;
}

void Control::Create(ControlHost& host, Control* container, std::wstring name, int left, int top, int width,
                     int height) {
    Destroy();
    if (host_ && host_ != &host) host_->Forget(this);
    host_ = &host;
    container_ = container;
    name_ = std::move(name);
    bounds_ = RECT{left, top, left + width, top + height};
    HWND parent = container ? container->hWnd() : host.HostWindow();
    if (!parent) return;
    ownClass_ = false;
    HWND wnd = CreateHandle(parent, left, top, width, height);
    if (!wnd) return;
    window_.reset(wnd);
    hwnd_ = wnd;
    created_ = true;
    // A window of the control's own class was attached when it was created.
    if (!ownClass_) ::SetPropW(wnd, kControlProp, this);
    if (UsesFormFont()) {
        Form* form = ParentForm();
        if (form && form->Font())
            ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(form->Font()), FALSE);
    }
    OnCreated();
    if (!toolTip_.empty()) SetToolTipText(toolTip_);
}

void Control::Destroy() {
    if (!created_) return;
    created_ = false;
    Trap([this] { OnDestroying(); });
    ForgetToolTip(window_.get());
    // Detached, the window's last messages no longer reach this object.
    if (window_ && ::IsWindow(window_.get())) Detach(window_.get());
    destroying_ = true;
    window_.reset();
    destroying_ = false;
    hwnd_ = nullptr;
    buttonsDown_ = 0;
    captured_ = clickArmed_ = false;
}

// The window went without Destroy (its parent was destroyed first, or someone destroyed it); Destroy
// still has to run to let go of what the control holds.
void Control::WindowGone() {
    if (hwnd_) Detach(hwnd_);
    if (destroying_) return;
    ForgetToolTip(hwnd_);
    window_.release();
    hwnd_ = nullptr;
}

void Control::ForgetToolTip(HWND wnd) {
    if (!wnd || toolTip_.empty()) return;
    Form* form = ParentForm();
    if (ToolTips* tips = form ? form->TipsIfAny() : nullptr) tips->SetToolText(wnd, L"");
}

RECT Control::Bounds() const {
    if (!hwnd_) return bounds_;
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Control::Move(int left, int top, int width, int height) {
    RECT now = Bounds();
    if (width == kKeep) width = now.right - now.left;
    if (height == kKeep) height = now.bottom - now.top;
    bounds_ = RECT{left, top, left + width, top + height};
    if (hwnd_) ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Control::Visible() const {
    if (!hwnd_) return visible_;
    return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
    visible_ = visible;
    if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Enabled() const {
    return hwnd_ ? ::IsWindowEnabled(hwnd_) != FALSE : enabled_;
}

void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (hwnd_) ::EnableWindow(hwnd_, enabled);
}

void Control::SetToolTipText(std::wstring text) {
    toolTip_ = std::move(text);
    if (!hwnd_) return;
    Form* form = ParentForm();
    if (!form) return;
    if (toolTip_.empty()) {
        if (ToolTips* tips = form->TipsIfAny()) tips->SetToolText(hwnd_, toolTip_);
    } else if (ToolTips* tips = form->Tips()) {
        tips->SetToolText(hwnd_, toolTip_);
    }
}

void Control::SetTabStop(bool tabStop) {
    tabStop_ = tabStop;
    if (!hwnd_) return;
    const LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
    ::SetWindowLongW(hwnd_, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

HWND Control::FocusWindow() const {
    return focusTarget_ && ::IsWindow(focusTarget_) ? focusTarget_ : hwnd_;
}

std::vector<HWND> Control::AccessibleWindows() const {
    return hwnd_ ? VisibleChildWindows(hwnd_, {}) : std::vector<HWND>{};
}

void Control::Refresh() {
    if (hwnd_) ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

uint32_t Control::ContainerBackColor() const {
    return SysColor::ButtonFace;
}

bool Control::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void Control::OnMouse(MouseKind, int, int, float, float) {}

DWORD Control::BaseStyle() const {
    return WS_CHILD | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED) |
           (tabStop_ ? WS_TABSTOP : 0);
}

void Control::RegisterOwnClass(const wchar_t* className) {
    WNDCLASSEXW wc{};
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(inst, className, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Control::OwnClassProc;
    wc.cbWndExtra = kObjectSlotBytes;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    ::RegisterClassExW(&wc);
}

HWND Control::CreateOwnWindow(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int left,
                              int top, int width, int height) {
    RegisterOwnClass(className);
    ownClass_ = true;
    // No WM_PARENTNOTIFY: a parent being torn down must not hear about its children going.
    return ::CreateWindowExW(exStyle | WS_EX_NOPARENTNOTIFY, className, L"", style, left, top, width, height,
                             parent, nullptr, ::GetModuleHandleW(nullptr), this);
}

LRESULT CALLBACK Control::OwnClassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToObject<Control>(kControlProp, wnd, msg, wParam, lParam);
}

int Control::ScaleWidth() const {
    return ClientSizeOr(hwnd_, {Width(), Height()}).cx;
}

int Control::ScaleHeight() const {
    return ClientSizeOr(hwnd_, {Width(), Height()}).cy;
}

LRESULT Control::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, result)) return result;
    if (HandleAccessibility(hwnd_, *this, msg, wParam, lParam, result)) return result;
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

bool Control::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        if (lParam) child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    default:
        return false;
    }
    Control* target = FromHwnd(child);
    if (!target) return false;
    bool handled = false;
    Trap([&] { handled = target->OnReflected(msg, wParam, lParam, result); });
    return handled;
}

bool Control::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CAPTURECHANGED) {
        // Capture taken away by someone else ends any press that was going on.
        if (!releasing_) {
            buttonsDown_ = 0;
            captured_ = clickArmed_ = false;
        }
        return true;
    }
    int button = 0;
    MouseKind kind = MouseKind::Move;
    switch (msg) {
    case WM_MOUSEMOVE:
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        button = kLeftButton;
        kind = msg == WM_LBUTTONDOWN ? MouseKind::Down : MouseKind::DblClick;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        button = kRightButton;
        kind = MouseKind::Down;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        button = kMiddleButton;
        kind = MouseKind::Down;
        break;
    case WM_LBUTTONUP:
        button = kLeftButton;
        kind = MouseKind::Up;
        break;
    case WM_RBUTTONUP:
        button = kRightButton;
        kind = MouseKind::Up;
        break;
    case WM_MBUTTONUP:
        button = kMiddleButton;
        kind = MouseKind::Up;
        break;
    default:
        return false;
    }
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const int shift = ((wParam & MK_SHIFT) ? kShiftMask : 0) | ((wParam & MK_CONTROL) ? kCtrlMask : 0) |
                      (::GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);

    if (kind == MouseKind::Move) {
        const int held = ((wParam & MK_LBUTTON) ? kLeftButton : 0) |
                         ((wParam & MK_RBUTTON) ? kRightButton : 0) |
                         ((wParam & MK_MBUTTON) ? kMiddleButton : 0);
        OnMouse(MouseKind::Move, held, shift, fx, fy);
        return true;
    }
    if (kind == MouseKind::Down || kind == MouseKind::DblClick) {
        buttonsDown_ |= button;
        // Like any control, a pressed one keeps the mouse until the button is released; a capture that
        // the control took itself is left alone.
        if (::GetCapture() != hwnd_) {
            ::SetCapture(hwnd_);
            captured_ = true;
        }
        if (button == kLeftButton) clickArmed_ = kind == MouseKind::Down;
        OnMouse(kind, button, shift, fx, fy);
        return true;
    }
    buttonsDown_ &= ~button;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const bool inside = x >= 0 && y >= 0 && x < client.right && y < client.bottom;
    const bool click = button == kLeftButton && clickArmed_ && inside;
    if (button == kLeftButton) clickArmed_ = false;
    if (buttonsDown_ == 0 && captured_) {
        captured_ = false;
        if (::GetCapture() == hwnd_) {
            releasing_ = true;
            ::ReleaseCapture();
            releasing_ = false;
        }
    }
    OnMouse(MouseKind::Up, button, shift, fx, fy);
    if (click) OnMouse(MouseKind::Click, button, shift, fx, fy);
    return true;
}

ControlHost::~ControlHost() {
    for (Control* c : controls_)
        if (c->host_ == this) c->host_ = nullptr;
}

void ControlHost::Add(Control& control, std::wstring name, int left, int top, int width, int height,
                      Control* container) {
    Forget(&control);
    control.Create(*this, container, std::move(name), left, top, width, height);
    if (control.hWnd()) controls_.push_back(&control);
}

void ControlHost::Forget(Control* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void ControlHost::TerminateControls() {
    const std::vector<Control*> all = controls_;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        Control* c = *it;
        if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
        Trap([c] { c->Terminate(); });
    }
}

void ControlHost::DestroyControls() {
    while (!controls_.empty()) {
        Control* c = controls_.back();
        controls_.pop_back();
        c->Destroy();
    }
}

void ControlHost::NotifyControlsShown() {
    const std::vector<Control*> all = controls_;
    for (Control* c : all) {
        if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
        Trap([c] { c->NotifyShown(); });
    }
}

} // namespace rt
