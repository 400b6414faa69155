#pragma once
// The system resolution in pixels per inch, which the screen DC and the system's font metrics report: fixed
// for the life of a process even though the programs are per-monitor aware. A window's own resolution,
// which can change, is rt::DpiOfWindow.
#include <cstdint>

namespace drawing {

struct ScreenDpi {
    int32_t x = 96;
    int32_t y = 96;
};

const ScreenDpi& ScreenPixelsPerInch();

} // namespace drawing
