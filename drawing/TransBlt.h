#pragma once
// Colour-keyed copy: the source rectangle replaces the destination rectangle except where a source
// pixel has the key colour. Built from a monochrome mask and four raster operations so that it works
// at any display depth, palettes included.
#include <windows.h>

#include <cstdint>

namespace drawing {

// key is an OLE colour; palette 0 means a halftone palette made for the screen. Returns false, leaving
// the destination untouched, when any step fails (an empty rectangle does nothing and returns false).
bool TransBlt(HDC dst, int32_t xDst, int32_t yDst, int32_t w, int32_t h, HDC src, int32_t xSrc, int32_t ySrc,
              uint32_t key, HPALETTE palette);

} // namespace drawing
