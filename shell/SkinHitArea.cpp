#include "shell/SkinHitArea.h"

namespace viewer {
namespace {

constexpr wchar_t kHitAreaClass[] = L"PelmorSkinHitArea";

} // namespace

HWND SkinHitArea::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return CreateOwnWindow(kHitAreaClass, BaseStyle() | WS_CLIPSIBLINGS, 0, parent, left, top, width, height);
}

LRESULT SkinHitArea::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        rt::PaintGuard paint(hWnd());
        RECT area{};
        ::GetWindowRect(hWnd(), &area);
        ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hWnd()), reinterpret_cast<POINT*>(&area), 2);
        if (PaintUnder && paint.dc()) rt::Trap([&] { PaintUnder(paint.dc(), area); });
        return 0;
    }
    case WM_MOUSELEAVE:
        if (MouseLeave) rt::Trap([this] { MouseLeave(); });
        return 0;
    default:
        if (HandleMouse(msg, wParam, lParam)) return 0;
        break;
    }
    return Control::WindowProc(msg, wParam, lParam);
}

long SkinHitArea::AccessibleState() const {
    long state = 0;
    if (ButtonState) rt::Trap([&] { state = ButtonState(); });
    return state;
}

void SkinHitArea::AccessibleDoDefaultAction() {
    if (Press) rt::Trap([this] { Press(); });
}

void SkinHitArea::OnMouse(MouseKind kind, int button, int shift, float x, float y) {
    const MouseHandler* handler = nullptr;
    switch (kind) {
    case MouseKind::Down:
    case MouseKind::DblClick:
        // A quick second press on a caption button is one more press, not a double click.
        handler = &MouseDown;
        break;
    case MouseKind::Move:
        handler = &MouseMove;
        break;
    case MouseKind::Up:
        handler = &MouseUp;
        break;
    case MouseKind::Click:
        return;
    }
    if (*handler) rt::Trap([&] { (*handler)(button, shift, x, y); });
}

} // namespace viewer
