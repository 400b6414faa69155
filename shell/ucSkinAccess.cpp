// What screen readers are told of the skin frame's caption buttons beyond their hit areas' names: the
// state last drawn, the stay-on-top switch, and the click's action.
#include "shell/ucSkin.h"

#include <algorithm>

namespace viewer {

using namespace skin;

void ucSkin::pvDescribeCaptionButton(SkinHitArea& area, int index) {
    area.ButtonState = [this, index] {
        long state = 0;
        const int16_t drawn = buttonState_[static_cast<size_t>(index)];
        if (drawn == kHover) state |= STATE_SYSTEM_HOTTRACKED;
        if (drawn == kPressed) state |= STATE_SYSTEM_PRESSED;
        if (index == kTopMostButton && topMost_) state |= STATE_SYSTEM_CHECKED;
        return state;
    };
    area.Press = [this, index] {
        if (pvStarted()) pvCaptionButtonAction(index);
    };
}

std::vector<HWND> ucSkin::AccessibleWindows() const {
    // The other controls on the frame (the quote-source buttons), then the caption buttons left to right.
    std::vector<HWND> out, buttons;
    for (HWND w : UserControl::AccessibleWindows())
        (pvIsHitArea(rt::Control::FromHwnd(w)) ? buttons : out).push_back(w);
    const auto left = [](HWND w) {
        RECT r{};
        ::GetWindowRect(w, &r);
        return r.left;
    };
    std::stable_sort(buttons.begin(), buttons.end(), [&](HWND a, HWND b) { return left(a) < left(b); });
    out.insert(out.end(), buttons.begin(), buttons.end());
    return out;
}

} // namespace viewer
