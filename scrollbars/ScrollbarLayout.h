#pragma once
// Where each piece of the twelve scroll-bar bitmaps goes when a part of a scroll bar is painted: the
// track in three slices, the thumb in nine with its grip, the arrow buttons as an 18-pixel frame and a
// glyph. Pure arithmetic, so the slices can be checked without a display.
#include <array>
#include <cstdint>

#include "runtime/DpiScale.h"

namespace scrollbars {

enum class SkinBitmap : uint8_t {
    BackH,
    BackV,
    ThumbH,
    ThumbV,
    GripH,
    GripV,
    ArrowH,
    ArrowV,
    ArrowHL,
    ArrowHR,
    ArrowVT,
    ArrowVB,
};
constexpr int kSkinBitmapCount = 12;

enum class BlitKind : uint8_t {
    Copy,          // 1:1, opaque
    Stretch,       // to the destination size, opaque
    MaskedCopy,    // 1:1, magenta transparent
    MaskedStretch, // to the destination size, whole pixels, magenta transparent
};

// Source and destination rectangles as x, y, width, height; the source inside the whole bitmap.
struct Blit {
    SkinBitmap bitmap;
    BlitKind kind;
    int32_t xSrc, ySrc, wSrc, hSrc;
    int32_t xDst, yDst, wDst, hDst;

    friend bool operator==(const Blit&, const Blit&) = default;
};

// At most the nine thumb slices and its grip.
struct BlitList {
    std::array<Blit, 10> items{};
    int count = 0;

    const Blit* begin() const { return items.data(); }
    const Blit* end() const { return items.data() + count; }
};

// Right and bottom are exclusive.
struct PartRect {
    int32_t Left, Top, Right, Bottom;
};

constexpr int16_t kHorizontal = 1;
constexpr int32_t kArrowLength = 18;
// The grip appears on thumbs at least this long.
constexpr int32_t kGripMinLength = 16;

// Orientation 1 is horizontal, anything else vertical; s is the state (the cell index). An empty
// rectangle draws nothing, opaque slices never reach outside the rectangle (a part thinner than the
// 3-pixel borders, or an arrow button shorter than 18, shows what fits), and slices whose destination
// would have no area are left out. A state whose cell offset leaves the signed 16-bit range raises the
// overflow error. At another resolution than 96 DPI the borders, buttons, glyphs and grips take their
// sizes scaled to it (the bitmaps' slices stretched), and so does the grip's minimum thumb length.
BlitList TrackBlits(int16_t orientation, int16_t s, const PartRect& r, int32_t dpi = rt::kDesignDpi);
// The grip's cross-axis coordinate is measured from 0: the bar is painted in its own coordinates.
BlitList ThumbBlits(int16_t orientation, int16_t s, const PartRect& r, int32_t dpi = rt::kDesignDpi);
// The left or top arrow button, or the right or bottom one.
enum class Arrow : uint8_t { First, Second };
BlitList ArrowBlits(int16_t orientation, int16_t s, const PartRect& r, Arrow arrow,
                    int32_t dpi = rt::kDesignDpi);

} // namespace scrollbars
