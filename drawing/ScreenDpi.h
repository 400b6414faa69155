#pragma once
// The screen's resolution in pixels per inch, read once: the programs are not DPI-aware, so it cannot
// change under them.
#include <cstdint>

namespace drawing {

struct ScreenDpi {
    int32_t x = 96;
    int32_t y = 96;
};

const ScreenDpi& ScreenPixelsPerInch();

} // namespace drawing
