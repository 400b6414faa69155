#include "runtime/ScrollBars.h"

#include <algorithm>

#include "runtime/RtError.h"

namespace rt {
namespace {

constexpr int32_t kErrInvalidPropertyValue = 380;

[[noreturn]] void RaiseInvalidPropertyValue() {
    throw RtError(kErrInvalidPropertyValue, L"", L"Invalid property value");
}

} // namespace

ScrollBar::~ScrollBar() {
    const std::vector<ScrollBarListener*> all = std::move(listeners_);
    listeners_.clear();
    for (ScrollBarListener* l : all)
        Trap([&] { l->ScrollBar_Gone(*this); });
}

HWND ScrollBar::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"SCROLLBAR", L"",
                             BaseStyle() | WS_TABSTOP | (horizontal_ ? SBS_HORZ : SBS_VERT), left, top, width,
                             height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

int ScrollBar::ToPosition(int16_t value) const {
    return max_ >= min_ ? value - min_ : min_ - value;
}

int16_t ScrollBar::FromPosition(int position) const {
    const int value = max_ >= min_ ? min_ + position : min_ - position;
    return static_cast<int16_t>(std::clamp<int>(value, Lo(), Hi()));
}

void ScrollBar::ApplyToWindow() {
    if (!hWnd()) return;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    si.nMin = 0;
    si.nMax = Hi() - Lo();
    si.nPage = 0;
    si.nPos = ToPosition(value_);
    ::SetScrollInfo(hWnd(), SB_CTL, &si, TRUE);
}

void ScrollBar::Store(int16_t value, Event event) {
    if (value == value_) return;
    value_ = value;
    if (hWnd()) ::SetScrollPos(hWnd(), SB_CTL, ToPosition(value_), TRUE);
    if (event == Event::Change) RaiseChange();
}

void ScrollBar::SetValue(int16_t value) {
    if (value < Lo() || value > Hi()) RaiseInvalidPropertyValue();
    Store(value, Event::Change);
}

void ScrollBar::KeepValueInRange() {
    const int16_t kept = std::clamp(value_, Lo(), Hi());
    const bool moved = kept != value_;
    value_ = kept;
    ApplyToWindow();
    if (moved) RaiseChange();
}

void ScrollBar::SetMin(int16_t min) {
    min_ = min;
    KeepValueInRange();
}

void ScrollBar::SetMax(int16_t max) {
    max_ = max;
    KeepValueInRange();
}

void ScrollBar::SetSmallChange(int16_t step) {
    if (step < 1) RaiseInvalidPropertyValue();
    smallChange_ = step;
}

void ScrollBar::SetLargeChange(int16_t step) {
    if (step < 1) RaiseInvalidPropertyValue();
    largeChange_ = step;
}

int16_t ScrollBar::Stepped(int16_t step, Toward end) const {
    const bool up = (end == Toward::Max) == (max_ >= min_);
    const int value = up ? value_ + step : value_ - step;
    return static_cast<int16_t>(std::clamp<int>(value, Lo(), Hi()));
}

bool ScrollBar::OnReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != (horizontal_ ? WM_HSCROLL : WM_VSCROLL)) return false;
    result = 0;
    // The system range never exceeds 65535, so the 16-bit position in wParam is exact.
    const int position = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case SB_LINELEFT:
        Store(Stepped(smallChange_, Toward::Min), Event::Change);
        break;
    case SB_LINERIGHT:
        Store(Stepped(smallChange_, Toward::Max), Event::Change);
        break;
    case SB_PAGELEFT:
        Store(Stepped(largeChange_, Toward::Min), Event::Change);
        break;
    case SB_PAGERIGHT:
        Store(Stepped(largeChange_, Toward::Max), Event::Change);
        break;
    case SB_LEFT:
        Store(min_, Event::Change);
        break;
    case SB_RIGHT:
        Store(max_, Event::Change);
        break;
    case SB_THUMBTRACK:
        if (!dragging_) {
            dragging_ = true;
            scrolled_ = false;
            lastTrack_ = ToPosition(value_);
        }
        if (position != lastTrack_) {
            lastTrack_ = position;
            scrolled_ = true;
            Store(FromPosition(position), Event::None);
            RaiseScroll();
        }
        break;
    case SB_THUMBPOSITION: {
        // The drag ends with Change even when Scroll has already brought Value to the thumb.
        const bool scrolled = dragging_ && scrolled_;
        dragging_ = false;
        const int16_t value = FromPosition(position);
        if (value != value_)
            Store(value, Event::Change);
        else if (scrolled)
            RaiseChange();
        break;
    }
    case SB_ENDSCROLL:
        dragging_ = false;
        break;
    default:
        break;
    }
    return true;
}

void ScrollBar::AddListener(ScrollBarListener& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
        listeners_.push_back(&listener);
}

void ScrollBar::RemoveListener(ScrollBarListener& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener), listeners_.end());
}

void ScrollBar::Notify(const std::function<void()>& handler, void (ScrollBarListener::*event)(ScrollBar&)) {
    const std::weak_ptr<char> alive = alive_;
    RaiseEvent(handler);
    if (alive.expired()) return;
    // A listener may remove itself, or another one, while it is told.
    const std::vector<ScrollBarListener*> all = listeners_;
    for (ScrollBarListener* l : all) {
        if (alive.expired()) return;
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end())
            Trap([&] { (l->*event)(*this); });
    }
}

void ScrollBar::RaiseChange() {
    Notify(Change, &ScrollBarListener::ScrollBar_Change);
}

void ScrollBar::RaiseScroll() {
    Notify(Scroll, &ScrollBarListener::ScrollBar_Scroll);
}

} // namespace rt
