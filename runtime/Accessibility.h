#pragma once
// What screen readers are told about the run-time's windows: every form, and every control of a window
// class of its own, answers WM_GETOBJECT for its client area with an object that names it and gives its
// role, state, place and default action; its child windows are its children, each answering for itself.
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace rt {

class Control;

// The default action of a push button, as the system names it.
inline constexpr wchar_t kPressAction[] = L"按下";

// Implemented by forms and controls; asked again at every call, so the object never outlives its window's
// owner.
class AccessibleSource {
  public:
    virtual ~AccessibleSource() = default;
    virtual std::wstring AccessibleName() const { return {}; }
    virtual long AccessibleRole() const { return ROLE_SYSTEM_CLIENT; }
    // Beyond what the window tells by itself (invisible, unavailable, focusable, focused).
    virtual long AccessibleState() const { return 0; }
    virtual std::wstring AccessibleDefaultAction() const { return {}; }
    virtual std::wstring AccessibleShortcut() const { return {}; }
    // Raised from a posted message, never inside the screen reader's call.
    virtual void AccessibleDoDefaultAction() {}
    // The child windows told as children, in reading order.
    virtual std::vector<HWND> AccessibleWindows() const = 0;
};

// WM_GETOBJECT for the client area, and the default action posted by the object, for a window whose
// messages reach `source`; true when `msg` was one of them.
bool HandleAccessibility(HWND wnd, AccessibleSource& source, UINT msg, WPARAM wParam, LPARAM lParam,
                         LRESULT& result);

// The visible child windows of `wnd`: first the `controls` placed directly on it, in their order, then
// every other one in the window order.
std::vector<HWND> VisibleChildWindows(HWND wnd, const std::vector<Control*>& controls);

} // namespace rt
