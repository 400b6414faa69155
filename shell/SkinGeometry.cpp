#include "shell/SkinGeometry.h"

#include <algorithm>

#include "runtime/Checked.h"

namespace viewer::skin {
namespace {

int32_t Minus(int32_t a, int32_t b) {
    return rt::Sub<int32_t>(a, b);
}
int32_t Plus(int32_t a, int32_t b) {
    return rt::Add<int32_t>(a, b);
}

// Column of the skin bitmap per button; the maximize and stay-on-top buttons switch glyphs.
constexpr int32_t kRestoreColumnX = 66;
constexpr int32_t kTopMostOnColumnX = 55;
constexpr int32_t kTopMostOffColumnX = 44;

// Caption icon box for the system menu (inclusive) and for the double click (exclusive).
constexpr Rect kIconMenuBox{3, 5, 19, 21};
constexpr Rect kIconDblClickBox{2, 4, 20, 22};

constexpr int32_t kDefaultMinTrackWidth = 142;
constexpr int32_t kDefaultMinTrackHeight = 50;
// A maximized window reaches this far past the work area on every side, hiding its sizing border.
constexpr int32_t kMaximizedOverlap = 3;

} // namespace

SizingZones ComputeSizingZones(int32_t w, int32_t h) {
    const int32_t right8 = Minus(w, 8);
    const int32_t bottom8 = Minus(h, 8);
    // The left zone stops 32 pixels above the bottom and the bottom-right zone is 32 pixels wide: the
    // lower-left edge is left to the controls there, and the bottom-right grip is easy to hit.
    return SizingZones{{
        {{0, 0, 8, kSizeCaption}, kHitTopLeft, Pointer::SizeNWSE},
        {{8, 0, right8, 6}, kHitTop, Pointer::SizeNS},
        {{right8, 0, w, kSizeCaption}, kHitTopRight, Pointer::SizeNESW},
        {{0, kSizeCaption, 8, Minus(h, 32)}, kHitLeft, Pointer::SizeWE},
        {{right8, kSizeCaption, w, bottom8}, kHitRight, Pointer::SizeWE},
        {{0, bottom8, 8, h}, kHitBottomLeft, Pointer::SizeNESW},
        {{Minus(w, 32), bottom8, w, h}, kHitBottomRight, Pointer::SizeNWSE},
        {{8, bottom8, right8, h}, kHitBottom, Pointer::SizeNS},
    }};
}

bool ZoneContains(const Rect& zone, int32_t x, int32_t y) {
    return zone.left <= x && x <= zone.right && zone.top <= y && y <= zone.bottom;
}

HitChoice ChooseHitTest(const SizingZones& zones, bool thickFrame, bool maximized, int32_t x, int32_t y) {
    if (thickFrame && maximized) return {};
    if (thickFrame) {
        for (const SizingZone& zone : zones)
            if (ZoneContains(zone.rect, x, y)) return {zone.code, zone.pointer};
    }
    return {y <= kSizeCaption ? kHitCaption : kHitNone, Pointer::Default};
}

std::array<Rect, kButtonCount> LayoutCaptionButtons(int32_t w) {
    std::array<Rect, kButtonCount> out{};
    // From the right: close, maximize, minimize, stay-on-top, menu.
    constexpr int kOrder[kButtonCount] = {kCloseButton, kMaxButton, kMinButton, kTopMostButton, kMenuButton};
    int32_t left = w;
    for (int index : kOrder) {
        left = Minus(left, kButtonStep);
        out[static_cast<size_t>(index)] = {left, kButtonTop, Plus(left, kButtonSize),
                                           kButtonTop + kButtonSize};
    }
    return out;
}

MinMaxNumbers ComputeMinMax(const Rect& workArea, int32_t minWidth, int32_t minHeight) {
    const Point maxSize{Plus(workArea.right, 2 * kMaximizedOverlap),
                        Plus(workArea.bottom, 2 * kMaximizedOverlap)};
    return MinMaxNumbers{
        maxSize,
        {-kMaximizedOverlap, -kMaximizedOverlap},
        {minWidth >= 1 ? minWidth : kDefaultMinTrackWidth,
         minHeight >= 1 ? minHeight : kDefaultMinTrackHeight},
        maxSize,
    };
}

Rect ParentRegionRect(int32_t windowWidth, int32_t windowHeight, bool thickFrameOrEdge) {
    if (!thickFrameOrEdge) return {0, 0, Plus(windowWidth, 1), Plus(windowHeight, 1)};
    return {3, 3, Minus(windowWidth, 2), Minus(windowHeight, 2)};
}

bool IsEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

ControlShape ControlRegionShape(int32_t w, int32_t h, bool maximized) {
    ControlShape shape;
    shape.rounded = !maximized;
    shape.outer = maximized ? Rect{0, 0, w, h} : Rect{0, 0, Plus(w, 1), Plus(h, 1)};
    const Rect opening{kSizeLBorder, kSizeCaption, Minus(w, kSizeRBorder), Minus(h, kSizeBottom)};
    // A control smaller than its borders has no opening (a reversed rectangle would cut a wrong strip).
    if (!IsEmpty(opening)) shape.opening = opening;
    return shape;
}

Rect OpeningFrameRect(int32_t w, int32_t h) {
    return {kSizeLBorder - 1, kSizeCaption - 1, Minus(w, kSizeRBorder - 1), Minus(h, kSizeBottom - 1)};
}

Point ButtonSourceCell(int index, int16_t state, bool maximized, bool topMostOn) {
    int32_t x = rt::Mul<int32_t>(index, kButtonSize);
    if (index == kMaxButton) x = maximized ? kRestoreColumnX : kButtonSize;
    if (index == kTopMostButton) x = topMostOn ? kTopMostOnColumnX : kTopMostOffColumnX;
    return {x, rt::Mul<int32_t>(Minus(state, 1), kButtonSize)};
}

std::array<int16_t, kButtonCount> ResetButtonStates(bool minBox, bool maxBox, bool menuButton,
                                                    bool topMostButton) {
    std::array<int16_t, kButtonCount> s{};
    s[kMinButton] = minBox ? kNormal : kPressed;
    s[kMaxButton] = maxBox ? kNormal : kPressed;
    s[kCloseButton] = kNormal;
    s[kMenuButton] = menuButton ? kNormal : kNotDrawn;
    s[kTopMostButton] = topMostButton ? kNormal : kNotDrawn;
    return s;
}

CaptionTextBox ComputeCaptionTextBox(int32_t w, bool iconShown) {
    const int32_t offset = iconShown ? 21 : 6;
    // The text stops short of all five buttons whether they are shown or not.
    return {offset, Minus(Minus(w, offset), 85)};
}

bool OpensSystemMenuOnDown(int button, int32_t x, int32_t y, bool drawIcon, bool hasIcon) {
    if (drawIcon && hasIcon && button == kLeftButton && ZoneContains(kIconMenuBox, x, y)) return true;
    return button == kRightButton && y <= kSizeCaption;
}

DblClickAction ChooseDblClickAction(int recordedButton, int32_t x, int32_t y, bool drawIcon, bool hasIcon,
                                    bool maxBox) {
    if (recordedButton != kLeftButton || y > kSizeCaption) return DblClickAction::None;
    const Rect& icon = kIconDblClickBox;
    if (drawIcon && hasIcon && icon.left < x && x < icon.right && icon.top < y && y < icon.bottom)
        return DblClickAction::UnloadParent;
    return maxBox ? DblClickAction::ToggleMaximized : DblClickAction::None;
}

bool ReleaseInsideButton(int32_t x, int32_t y) {
    return ZoneContains({0, 0, kButtonSize, kButtonSize}, x, y);
}

int32_t GrowBufferSide(int32_t current, int32_t needed, int32_t limit) {
    if (needed <= current) return current;
    const int64_t grown = std::min<int64_t>(int64_t{current} + current / 2, limit);
    return static_cast<int32_t>(std::max<int64_t>(grown, needed));
}

std::optional<bool> NcActivatePaint(uint32_t wParam) {
    if (wParam == 0) return false;
    if (wParam == 1 || wParam == 2) return true;
    return std::nullopt;
}

} // namespace viewer::skin
