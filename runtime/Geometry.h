#pragma once
// Pixel points and rectangles for the platform-free rules (snapping, hit zones, layout); the Win32
// glue converts to and from POINT and RECT at its edge.
#include <cstdint>

namespace rt {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive unless a rule says otherwise.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace rt
