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

// Cell column of the skin bitmap per button; the maximize and stay-on-top buttons switch glyphs.
constexpr int32_t kRestoreColumn = 6;
constexpr int32_t kTopMostOnColumn = 5;
constexpr int32_t kTopMostOffColumn = 4;

// Caption icon box for the system menu (inclusive) and for the double click (exclusive).
constexpr Rect kIconMenuBox{3, 5, 19, 21};
constexpr Rect kIconDblClickBox{2, 4, 20, 22};

constexpr int32_t kDefaultMinTrackWidth = 142;
constexpr int32_t kDefaultMinTrackHeight = 50;

} // namespace

SizingZones ComputeSizingZones(int32_t w, int32_t h, Scale s) {
    const int32_t edge = s(8), caption = s(kSizeCaption), top = s(6), grip = s(32);
    const int32_t right8 = Minus(w, edge);
    const int32_t bottom8 = Minus(h, edge);
    // The left zone stops 32 pixels above the bottom and the bottom-right zone is 32 pixels wide: the
    // lower-left edge is left to the controls there, and the bottom-right grip is easy to hit.
    return SizingZones{{
        {{0, 0, edge, caption}, kHitTopLeft, Pointer::SizeNWSE},
        {{edge, 0, right8, top}, kHitTop, Pointer::SizeNS},
        {{right8, 0, w, caption}, kHitTopRight, Pointer::SizeNESW},
        {{0, caption, edge, Minus(h, grip)}, kHitLeft, Pointer::SizeWE},
        {{right8, caption, w, bottom8}, kHitRight, Pointer::SizeWE},
        {{0, bottom8, edge, h}, kHitBottomLeft, Pointer::SizeNESW},
        {{Minus(w, grip), bottom8, w, h}, kHitBottomRight, Pointer::SizeNWSE},
        {{edge, bottom8, right8, h}, kHitBottom, Pointer::SizeNS},
    }};
}

bool ZoneContains(const Rect& zone, int32_t x, int32_t y) {
    return zone.left <= x && x <= zone.right && zone.top <= y && y <= zone.bottom;
}

HitChoice ChooseHitTest(const SizingZones& zones, bool thickFrame, bool maximized, int32_t x, int32_t y,
                        Scale s) {
    if (thickFrame && maximized) return {};
    if (thickFrame) {
        for (const SizingZone& zone : zones)
            if (ZoneContains(zone.rect, x, y)) return {zone.code, zone.pointer};
    }
    return {y <= s(kSizeCaption) ? kHitCaption : kHitNone, Pointer::Default};
}

std::array<Rect, kButtonCount> LayoutCaptionButtons(int32_t w, Scale s) {
    const int32_t step = s(kButtonStep), size = s(kButtonSize), top = s(kButtonTop);
    std::array<Rect, kButtonCount> out{};
    // From the right: close, maximize, minimize, stay-on-top, menu.
    constexpr int kOrder[kButtonCount] = {kCloseButton, kMaxButton, kMinButton, kTopMostButton, kMenuButton};
    int32_t left = w;
    for (int index : kOrder) {
        left = Minus(left, step);
        out[static_cast<size_t>(index)] = {left, top, Plus(left, size), top + size};
    }
    return out;
}

MinMaxNumbers ComputeMinMax(const Rect& workArea, int32_t minWidth, int32_t minHeight, Scale s,
                            Point monitorOrigin, int32_t frame) {
    // A maximized window reaches this far past the work area on every side, hiding its sizing border.
    const int32_t overlap = frame;
    const Point maxSize{Plus(Minus(workArea.right, monitorOrigin.x), 2 * overlap),
                        Plus(Minus(workArea.bottom, monitorOrigin.y), 2 * overlap)};
    return MinMaxNumbers{
        maxSize,
        {-overlap, -overlap},
        {s(minWidth >= 1 ? minWidth : kDefaultMinTrackWidth),
         s(minHeight >= 1 ? minHeight : kDefaultMinTrackHeight)},
        maxSize,
    };
}

Rect ParentRegionRect(int32_t windowWidth, int32_t windowHeight, bool thickFrameOrEdge, int32_t frame) {
    if (!thickFrameOrEdge) return {0, 0, Plus(windowWidth, 1), Plus(windowHeight, 1)};
    return {frame, frame, Plus(Minus(windowWidth, frame), 1), Plus(Minus(windowHeight, frame), 1)};
}

bool IsEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

ControlShape ControlRegionShape(int32_t w, int32_t h, bool maximized, Scale s) {
    ControlShape shape;
    shape.rounded = !maximized;
    shape.outer = maximized ? Rect{0, 0, w, h} : Rect{0, 0, Plus(w, 1), Plus(h, 1)};
    const Rect opening{s(kSizeLBorder), s(kSizeCaption), Minus(w, s(kSizeRBorder)), Minus(h, s(kSizeBottom))};
    // A control smaller than its borders has no opening (a reversed rectangle would cut a wrong strip).
    if (!IsEmpty(opening)) shape.opening = opening;
    return shape;
}

Rect OpeningFrameRect(int32_t w, int32_t h, Scale s) {
    // One pixel at any scale: the outline is a hairline.
    return {s(kSizeLBorder) - 1, s(kSizeCaption) - 1, Minus(w, s(kSizeRBorder) - 1),
            Minus(h, s(kSizeBottom) - 1)};
}

Point ButtonSourceCell(int index, int16_t state, bool maximized, bool topMostOn, Scale s) {
    int32_t column = index;
    if (index == kMaxButton) column = maximized ? kRestoreColumn : kMaxButton;
    if (index == kTopMostButton) column = topMostOn ? kTopMostOnColumn : kTopMostOffColumn;
    const int32_t cell = s(kButtonSize);
    return {rt::Mul<int32_t>(column, cell), rt::Mul<int32_t>(Minus(state, 1), cell)};
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

CaptionTextBox ComputeCaptionTextBox(int32_t w, bool iconShown, Scale s) {
    const int32_t offset = s(iconShown ? 21 : 6);
    // The text stops short of all five buttons whether they are shown or not.
    return {offset, Minus(Minus(w, offset), s(85))};
}

bool OpensSystemMenuOnDown(int button, int32_t x, int32_t y, bool drawIcon, bool hasIcon, Scale s) {
    if (drawIcon && hasIcon && button == kLeftButton &&
        ZoneContains(rt::ScaleForDpi(kIconMenuBox, s.dpi), x, y))
        return true;
    return button == kRightButton && y <= s(kSizeCaption);
}

DblClickAction ChooseDblClickAction(int recordedButton, int32_t x, int32_t y, bool drawIcon, bool hasIcon,
                                    bool maxBox, Scale s) {
    if (recordedButton != kLeftButton || y > s(kSizeCaption)) return DblClickAction::None;
    const Rect icon = rt::ScaleForDpi(kIconDblClickBox, s.dpi);
    if (drawIcon && hasIcon && icon.left < x && x < icon.right && icon.top < y && y < icon.bottom)
        return DblClickAction::UnloadParent;
    return maxBox ? DblClickAction::ToggleMaximized : DblClickAction::None;
}

bool ReleaseInsideButton(int32_t x, int32_t y, Scale s) {
    return ZoneContains({0, 0, s(kButtonSize), s(kButtonSize)}, x, y);
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
