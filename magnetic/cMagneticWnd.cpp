#include "magnetic/cMagneticWnd.h"

#include "magnetic/Glue.h"
#include "magnetic/SnapMath.h"
#include "runtime/Dpi.h"
#include "runtime/RtError.h"

#include <vector>

namespace {

using magnetic::Handle;

Handle ToHandle(HWND wnd) {
    return reinterpret_cast<Handle>(wnd);
}
HWND ToWindow(Handle h) {
    return reinterpret_cast<HWND>(h);
}

magnetic::Rect FromRECT(const RECT& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}
RECT ToRECT(const magnetic::Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The work area of the monitor the window is on, not the primary one's.
magnetic::Rect WorkArea(HWND wnd) {
    return FromRECT(rt::WorkAreaOf(wnd));
}

// A window that is gone keeps the rectangle it had.
void TakeWindowRect(magnetic::Entry& e) {
    RECT rc{};
    if (::GetWindowRect(ToWindow(e.handle), &rc)) e.rect = FromRECT(rc);
}

// A skinned window (thick frame, caption stripped) clips away the sizing border around its client area,
// which the system sizes by its own rules at the window's resolution: measured. Other thick-frame windows
// keep the fixed offset.
int32_t FrameOffset(HWND wnd) {
    const LONG_PTR style = ::GetWindowLongPtrW(wnd, GWL_STYLE);
    if (!(style & WS_THICKFRAME)) return 0;
    if ((style & WS_CAPTION) == WS_CAPTION || ::IsIconic(wnd) || ::IsZoomed(wnd))
        return magnetic::kThickFrameOffset;
    return rt::ClientInsetOf(wnd).value_or(magnetic::kThickFrameOffset);
}

magnetic::Point CursorPos() {
    POINT pt{};
    ::GetCursorPos(&pt);
    return {pt.x, pt.y};
}

// Children keep their offset to the parent; one batch so they appear to move as one.
void MoveChildren(const std::vector<magnetic::ChildPosition>& children) {
    int alive = 0;
    for (const auto& c : children)
        alive += ::IsWindow(ToWindow(c.handle)) ? 1 : 0;
    if (alive == 0) return;
    HDWP batch = ::BeginDeferWindowPos(alive);
    for (const auto& c : children) {
        if (!batch) return;
        if (!::IsWindow(ToWindow(c.handle))) continue;
        batch = ::DeferWindowPos(batch, ToWindow(c.handle), nullptr, c.topLeft.x, c.topLeft.y, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) ::EndDeferWindowPos(batch);
}

} // namespace

cMagneticWnd::~cMagneticWnd() {
    trampoline_.Stop();
}

bool cMagneticWnd::AddWindow(HWND hWnd, HWND hWndParent) noexcept {
    if (magnetic::EntryOf(entries_, ToHandle(hWnd)) != 0) return false;
    if (!hWnd || !::IsWindow(hWnd)) return false;
    // A window glued to itself would be moved by its own drag.
    if (hWndParent && (hWndParent == hWnd || !::IsWindow(hWndParent))) return false;
    if (!rt::Trap([&] { entries_.reserve(entries_.size() + 1); })) return false;
    // WM_NCDESTROY too: a window destroyed while registered must stop acting as a magnet at its last
    // place, and its handle, once the system hands it out again, must be free to register.
    if (!trampoline_.Install(hWnd, {WM_SIZING, WM_MOVING},
                             {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE, WM_SYSCOMMAND, WM_COMMAND, WM_NCDESTROY}))
        return false;
    entries_.push_back({.handle = ToHandle(hWnd), .parent = ToHandle(hWndParent), .rect = {}});
    CheckGlueing();
    return true;
}

bool cMagneticWnd::RemoveWindow(HWND hWnd) noexcept {
    if (!Forget(hWnd)) return false;
    trampoline_.Remove(hWnd);
    CheckGlueing();
    return true;
}

bool cMagneticWnd::Forget(HWND hWnd) noexcept {
    const std::size_t k = magnetic::EntryOf(entries_, ToHandle(hWnd));
    if (k == 0) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(k));
    for (auto& e : entries_)
        if (e.parent == ToHandle(hWnd)) e.parent = 0;
    return true;
}

void cMagneticWnd::CheckGlueing() noexcept {
    // Windows whose parent is not registered glue to the work area, so it must be current: that of the
    // first window's monitor.
    entries_[0].rect = WorkArea(entries_.size() > 1 ? ToWindow(entries_[1].handle) : nullptr);
    for (std::size_t k = 1; k < entries_.size(); ++k)
        TakeWindowRect(entries_[k]);
    magnetic::ApplyGlueing(entries_);
}

void cMagneticWnd::Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) {
    auto* rc = reinterpret_cast<RECT*>(lp);
    if (!rc) return;
    if ((msg == WM_MOVING && OnMoving(wnd, *rc)) || (msg == WM_SIZING && OnSizing(wnd, wp, *rc))) {
        handled = true;
        result = 1;
    }
}

void cMagneticWnd::After(HWND wnd, UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    switch (msg) {
    case WM_ENTERSIZEMOVE:
        OnEnterSizeMove(wnd);
        break;
    case WM_EXITSIZEMOVE:
    case WM_COMMAND:
        CheckGlueing();
        break;
    case WM_SYSCOMMAND:
        // The low four bits carry how the command was chosen (a caption double click restores with 0xF122).
        if ((wp & 0xFFF0) == SC_RESTORE || (wp & 0xFFF0) == SC_MINIMIZE) CheckGlueing();
        break;
    case WM_NCDESTROY:
        // The trampoline lets go of the window itself once this returns.
        if (Forget(wnd)) CheckGlueing();
        break;
    default:
        break;
    }
}

void cMagneticWnd::OnEnterSizeMove(HWND wnd) {
    const magnetic::Rect workArea = WorkArea(wnd);
    entries_[0].rect = workArea;
    for (std::size_t k = 1; k < entries_.size(); ++k) {
        // A maximized window covers the work area whatever its window rectangle says.
        if (::IsZoomed(ToWindow(entries_[k].handle)))
            entries_[k].rect = workArea;
        else
            TakeWindowRect(entries_[k]);
    }
    const std::size_t k = magnetic::EntryOf(entries_, ToHandle(wnd));
    if (k == 0) return;
    const magnetic::Point cursor = CursorPos();
    const auto grab = magnetic::GrabOffset(entries_[k].rect, cursor);
    if (!grab) return;
    startCursor_ = lastCursor_ = cursor;
    grabOffset_ = *grab;
}

bool cMagneticWnd::OnMoving(HWND wnd, RECT& rc) {
    const std::size_t k = magnetic::EntryOf(entries_, ToHandle(wnd));
    if (k == 0) return false;
    magnetic::MoveInput in;
    in.moving = k;
    in.frame = FrameOffset(wnd);
    in.snapWidth = snapWidth_;
    in.dpi = rt::DpiOfWindow(wnd);
    in.grabOffset = grabOffset_;
    in.startCursor = startCursor_;
    in.cursor = CursorPos();
    // Dragged onto another monitor, the window snaps to that one's work area.
    entries_[0].rect = FromRECT(rt::WorkAreaNear(rc));
    const auto moved = magnetic::SnapMoving(entries_, in, FromRECT(rc));
    if (!moved) return false;
    rc = ToRECT(moved->rect);
    MoveChildren(moved->children);
    lastCursor_ = in.cursor;
    return true;
}

bool cMagneticWnd::OnSizing(HWND wnd, WPARAM edge, RECT& rc) {
    const std::size_t k = magnetic::EntryOf(entries_, ToHandle(wnd));
    if (k == 0) return false;
    const auto sized = magnetic::SnapSizing(entries_, k, static_cast<int32_t>(edge), FrameOffset(wnd),
                                            snapWidth_, FromRECT(rc), rt::DpiOfWindow(wnd));
    if (!sized) return false;
    rc = ToRECT(*sized);
    return true;
}
