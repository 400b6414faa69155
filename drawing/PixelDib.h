#pragma once
// A top-down 32-bpp DIB section selected into a memory DC of its own, for reading and writing pixels
// directly after GDI has drawn into it (or before it is copied out).
#include <windows.h>

#include "runtime/Handles.h"

#include <cstdint>
#include <optional>
#include <span>

namespace drawing {

class PixelDib {
  public:
    PixelDib(int32_t w, int32_t h);
    PixelDib(const PixelDib&) = delete;
    PixelDib& operator=(const PixelDib&) = delete;

    bool ok() const { return !pixels_.empty(); }
    HDC dc() const { return dc_.get(); }
    // Row after row, w pixels each; pending GDI drawing is finished first. Empty when creation failed.
    std::span<uint32_t> pixels() const {
        ::GdiFlush();
        return pixels_;
    }

  private:
    rt::UniqueDC dc_;
    rt::UniqueBitmap dib_;
    std::optional<rt::SelectGuard> select_;
    std::span<uint32_t> pixels_;
};

} // namespace drawing
