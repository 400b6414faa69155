#pragma once
// Scaling of 96-DPI design sizes to a monitor's resolution. Platform-free so layout rules and their
// tables can use it without a window.
#include <cstdint>

#include "runtime/Geometry.h"

namespace rt {

inline constexpr int32_t kDesignDpi = 96;

// As MulDiv(value, dpi, 96): rounds halves away from zero, so a size and its negative scale alike.
constexpr int32_t ScaleForDpi(int32_t value, int32_t dpi) {
    if (dpi == kDesignDpi || dpi <= 0) return value;
    const int64_t n = static_cast<int64_t>(value) * dpi;
    const int64_t half = kDesignDpi / 2;
    return static_cast<int32_t>(n >= 0 ? (n + half) / kDesignDpi : -((-n + half) / kDesignDpi));
}

// The inverse, for turning a scaled measure (a mouse offset, a stored size) back to design pixels.
constexpr int32_t UnscaleForDpi(int32_t value, int32_t dpi) {
    if (dpi == kDesignDpi || dpi <= 0) return value;
    const int64_t n = static_cast<int64_t>(value) * kDesignDpi;
    const int64_t half = dpi / 2;
    return static_cast<int32_t>(n >= 0 ? (n + half) / dpi : -((-n + half) / dpi));
}

// A rectangle of design pixels, each edge scaled as above.
constexpr Rect ScaleForDpi(const Rect& r, int32_t dpi) {
    return {ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.right, dpi),
            ScaleForDpi(r.bottom, dpi)};
}

} // namespace rt
