#pragma once
// What the skin frame decides without a window: sizing zones and the hit-test choice, caption-button
// layout and glyph cells, tracking limits, region shapes, the caption-text box and the mouse rules.
// All in pixels of the control, which covers the parent's client area.
#include <array>
#include <cstdint>
#include <optional>

#include "runtime/DpiScale.h"
#include "runtime/Geometry.h"

namespace viewer::skin {

using Rect = rt::Rect;
using Point = rt::Point;

// The one place the frame's design sizes (96 DPI) become pixels of the window's monitor; every size
// below is a design size, scaled through this at use.
struct Scale {
    int32_t dpi = rt::kDesignDpi;
    constexpr int32_t operator()(int32_t designPixels) const { return rt::ScaleForDpi(designPixels, dpi); }
    friend bool operator==(const Scale&, const Scale&) = default;
};

constexpr int32_t kSizeCaption = 24;
constexpr int32_t kSizeBottom = 4;
constexpr int32_t kSizeLBorder = 4;
constexpr int32_t kSizeRBorder = 4;

// The caption strip copied to the control on every paint.
constexpr int32_t kCaptionStripHeight = 23;
constexpr int32_t kRegionCorner = 6;
constexpr int32_t kOutlineCorner = 7;

constexpr int kButtonCount = 5;
constexpr int32_t kButtonSize = 11;
constexpr int32_t kButtonTop = 6;
constexpr int32_t kButtonStep = 17;

enum ButtonIndex : int {
    kMinButton = 0,
    kMaxButton = 1,
    kCloseButton = 2,
    kMenuButton = 3,
    kTopMostButton = 4
};

// The skin rows: 1 normal, 2 hover, 3 pressed or disabled; 0 means never drawn (or not to be drawn).
enum ButtonState : int16_t { kNotDrawn = 0, kNormal = 1, kHover = 2, kPressed = 3 };

// Mouse buttons as the mouse events pass them.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

// The system's hit-test numbers.
enum HitCode : int32_t {
    kHitNone = 0,
    kHitCaption = 2,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

enum class Pointer { Default, SizeNWSE, SizeNS, SizeNESW, SizeWE };

struct SizingZone {
    Rect rect; // every bound inclusive
    int32_t code = kHitNone;
    Pointer pointer = Pointer::Default;
};
using SizingZones = std::array<SizingZone, 8>;

// In the order they are tested.
SizingZones ComputeSizingZones(int32_t w, int32_t h, Scale s = {});
bool ZoneContains(const Rect& zone, int32_t x, int32_t y);

struct HitChoice {
    int32_t code = kHitNone; // kHitNone: nothing taken
    Pointer pointer = Pointer::Default;
    friend bool operator==(const HitChoice&, const HitChoice&) = default;
};
HitChoice ChooseHitTest(const SizingZones& zones, bool thickFrame, bool maximized, int32_t x, int32_t y,
                        Scale s = {});

// Hit areas by button index; they do not depend on which buttons are shown.
std::array<Rect, kButtonCount> LayoutCaptionButtons(int32_t w, Scale s = {});

struct MinMaxNumbers {
    Point maxSize;
    Point maxPosition;
    Point minTrackSize;
    Point maxTrackSize;
    friend bool operator==(const MinMaxNumbers&, const MinMaxNumbers&) = default;
};
// The sizing border left around the client area once the caption is stripped, in pixels; measured from
// the window, as the system sizes it by its own rules at each resolution.
constexpr int32_t kFrameInset = 3;

// `workArea` is that of the window's own monitor, whose top-left is `monitorOrigin`: the maximized size and
// place are counted from the monitor's corner, as the system takes them; a maximized window hangs its
// `frame` off every side. The minimum sizes are design sizes.
MinMaxNumbers ComputeMinMax(const Rect& workArea, int32_t minWidth, int32_t minHeight, Scale s = {},
                            Point monitorOrigin = {}, int32_t frame = kFrameInset);

// The parent's rounded region in window coordinates; the thick frame or window edge is clipped away.
Rect ParentRegionRect(int32_t windowWidth, int32_t windowHeight, bool thickFrameOrEdge,
                      int32_t frame = kFrameInset);

struct ControlShape {
    Rect outer;
    bool rounded = false; // corner ellipse kRegionCorner
    Rect opening;         // cut out of outer; empty when the control is too small to have one
    friend bool operator==(const ControlShape&, const ControlShape&) = default;
};
ControlShape ControlRegionShape(int32_t w, int32_t h, bool maximized, Scale s = {});
bool IsEmpty(const Rect& r);

// The outline drawn around the opening, one pixel outside it.
Rect OpeningFrameRect(int32_t w, int32_t h, Scale s = {});

// Top-left of the skin cell (11 × 11, scaled) of a caption button in a state 1…3, in a skin picture whose
// cells are scaled each to s(kButtonSize).
Point ButtonSourceCell(int index, int16_t state, bool maximized, bool topMostOn, Scale s = {});

// The state each button is reset to; kNotDrawn for a button that is not drawn at all.
std::array<int16_t, kButtonCount> ResetButtonStates(bool minBox, bool maxBox, bool menuButton,
                                                    bool topMostButton);

struct CaptionTextBox {
    int32_t iconOffset = 0;
    int32_t textWidth = 0;
    friend bool operator==(const CaptionTextBox&, const CaptionTextBox&) = default;
};
CaptionTextBox ComputeCaptionTextBox(int32_t w, bool iconShown, Scale s = {});

// Mouse down on the control itself (not on a caption button).
bool OpensSystemMenuOnDown(int button, int32_t x, int32_t y, bool drawIcon, bool hasIcon, Scale s = {});

enum class DblClickAction { None, UnloadParent, ToggleMaximized };
// From the button and point recorded at the last mouse down.
DblClickAction ChooseDblClickAction(int recordedButton, int32_t x, int32_t y, bool drawIcon, bool hasIcon,
                                    bool maxBox, Scale s = {});

// A release over a caption button counts when it is within the button, right and bottom edges included.
bool ReleaseInsideButton(int32_t x, int32_t y, Scale s = {});

// A side of the frame's off-screen buffer that must hold `needed` pixels: `current` while it does,
// else half as much again (at least `needed`, at most `limit` unless `needed` is more), so a window
// sized a pixel at a time makes a new buffer only now and then.
int32_t GrowBufferSide(int32_t current, int32_t needed, int32_t limit);

// WM_NCACTIVATE's wParam: the active flag to paint with, or none for values that repaint nothing.
std::optional<bool> NcActivatePaint(uint32_t wParam);

} // namespace viewer::skin
