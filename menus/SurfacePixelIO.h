#pragma once
// Reading a rectangle of a DC into a pixel grid and putting it back, for the per-pixel steps of the menu
// drawing: one copy each way instead of a GetPixel and a SetPixel per pixel.
#include <windows.h>

#include "menus/MenuPixels.h"

namespace menus {

// The pixels of (x, y, w, h) in the DC's logical coordinates, as 0x00BBGGRR; an empty grid when the
// copy fails.
PixelGrid ReadPixels(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h);
// Puts the grid back where it was read from.
void WritePixels(HDC dc, const PixelGrid& grid);

} // namespace menus
