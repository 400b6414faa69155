#pragma once
// One caption-button hit area of the skin frame: a small child window that takes the mouse and carries a
// tool tip but draws nothing of its own; it shows the frame's pixels beneath it. Screen readers are told
// it is a push button named by its tool tip.
#include <windows.h>

#include <functional>

#include "runtime/Control.h"

namespace viewer {

class SkinHitArea : public rt::Control {
  public:
    using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

    MouseHandler MouseDown;
    MouseHandler MouseMove;
    MouseHandler MouseUp;
    // The pointer left the hit area after a mouse-leave request.
    std::function<void()> MouseLeave;
    // Draws what lies under the hit area; `area` is the hit area in its parent's client coordinates.
    std::function<void(HDC dc, const RECT& area)> PaintUnder;
    // The button's state as screen readers are told it (hot, pressed, checked), and its action.
    std::function<long()> ButtonState;
    std::function<void()> Press;

    long AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }
    long AccessibleState() const override;
    std::wstring AccessibleDefaultAction() const override { return rt::kPressAction; }
    void AccessibleDoDefaultAction() override;

  protected:
    HWND CreateHandle(HWND parent, int left, int top, int width, int height) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnMouse(MouseKind kind, int button, int shift, float x, float y) override;
};

} // namespace viewer
