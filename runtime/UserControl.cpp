#include "runtime/UserControl.h"

#include "runtime/Form.h"

namespace rt {
namespace {

constexpr wchar_t kUserControlClass[] = L"PelmorUserControl";

} // namespace

void ControlHost::AddUserControl(UserControl& control, std::wstring name, int left, int top, int width,
                                 int height, const PropertyBag* stored, Control* container) {
    Add(control, std::move(name), left, top, width, height, container);
    if (!control.hWnd()) return;
    control.Site(stored);
    if (control.hWnd() && ::IsWindowVisible(control.hWnd())) control.NotifyShown();
}

void UserControl::Site(const PropertyBag* stored) {
    initialized_ = true;
    Trap([this] { UserControl_Initialize(); });
    if (stored) {
        PropertyBag bag = *stored;
        Trap([&] { UserControl_ReadProperties(bag); });
    } else {
        Trap([this] { UserControl_InitProperties(); });
    }
    sited_ = true;
    Trap([this] { UserControl_Resize(); });
}

HWND UserControl::CreateHandle(HWND parent, int left, int top, int width, int height) {
    initialized_ = sited_ = terminated_ = shown_ = false;
    changed_.clear();
    return CreateOwnWindow(kUserControlClass, BaseStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, parent,
                           left, top, width, height);
}

void UserControl::Terminate() {
    if (!initialized_ || terminated_) return;
    terminated_ = true;
    Trap([this] { UserControl_Terminate(); });
    TerminateControls();
    DestroyControls();
}

void UserControl::OnDestroying() {
    // Every Initialize gets its Terminate, also when the window goes without the host unloading.
    Terminate();
    DestroyControls();
    initialized_ = sited_ = false;
}

void UserControl::NotifyShown() {
    if (sited_ && !shown_ && hWnd() && ::IsWindowVisible(hWnd())) {
        shown_ = true;
        Trap([this] { UserControl_Show(); });
    }
    NotifyControlsShown();
}

void UserControl::SetVisible(bool visible) {
    Control::SetVisible(visible);
    if (visible) NotifyShown();
}

std::vector<HWND> UserControl::AccessibleWindows() const {
    return hWnd() ? VisibleChildWindows(hWnd(), Controls()) : std::vector<HWND>{};
}

bool UserControl::AmbientUserMode() const {
    return Host() ? Host()->AmbientUserMode() : true;
}

Form* UserControl::HostForm() {
    return Host() ? Host()->HostForm() : nullptr;
}

void UserControl::PropertyChanged(std::wstring_view name) {
    changed_.emplace_back(name);
}

PropertyBag UserControl::SaveProperties() {
    PropertyBag bag;
    Trap([&] { UserControl_WriteProperties(bag); });
    return bag;
}

void UserControl::SetBackColor(uint32_t oleColor) {
    backColor_ = oleColor;
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, TRUE);
}

void UserControl::SetForeColor(uint32_t oleColor) {
    foreColor_ = oleColor;
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, FALSE);
}

void UserControl::SetFont(FontInfo font) {
    font_ = std::move(font);
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, FALSE);
}

LRESULT UserControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return EraseClient(hWnd(), reinterpret_cast<HDC>(wParam), backColor_);
    case WM_PAINT: {
        PaintGuard paint(hWnd());
        Trap([&] { UserControl_Paint(paint.dc()); });
        return 0;
    }
    case WM_PRINTCLIENT: {
        if (lParam & PRF_ERASEBKGND) WindowProc(WM_ERASEBKGND, wParam, 0);
        Trap([&] { UserControl_Paint(reinterpret_cast<HDC>(wParam)); });
        return 0;
    }
    case WM_SIZE:
        if (sited_) Trap([this] { UserControl_Resize(); });
        return 0;
    default:
        if (HandleMouse(msg, wParam, lParam)) return 0;
        break;
    }
    return Control::WindowProc(msg, wParam, lParam);
}

void UserControl::OnMouse(MouseKind kind, int button, int shift, float x, float y) {
    Trap([&] {
        switch (kind) {
        case MouseKind::Down:
            UserControl_MouseDown(button, shift, x, y);
            break;
        case MouseKind::Move:
            UserControl_MouseMove(button, shift, x, y);
            break;
        case MouseKind::Up:
            UserControl_MouseUp(button, shift, x, y);
            break;
        case MouseKind::Click:
            UserControl_Click();
            break;
        case MouseKind::DblClick:
            UserControl_DblClick();
            break;
        }
    });
}

} // namespace rt
