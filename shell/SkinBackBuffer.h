#pragma once
// An off-screen surface of the skin frame: one bitmap holding `pictures` pictures of the frame's size,
// stacked. The bitmap outlives paints and sizes: it is made again only when the control outgrows it,
// and then half as large again, so a live resize does not allocate at every step.
#include <windows.h>

#include "runtime/Handles.h"

namespace viewer {

class SkinBackBuffer {
  public:
    explicit SkinBackBuffer(int pictures = 1) : pictures_(pictures) {}
    SkinBackBuffer(const SkinBackBuffer&) = delete;
    SkinBackBuffer& operator=(const SkinBackBuffer&) = delete;
    ~SkinBackBuffer() { Release(); }

    // Makes the buffer's used part width × height, with a new (black) bitmap only when the present one
    // is too small; a smaller size keeps the bitmap and what it holds. False when it cannot be had;
    // the buffer is then empty.
    bool Ensure(int width, int height);
    void Release();

    // Null while empty.
    HDC dc() const { return dc_.get(); }
    // The part in use.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The bitmap's own size, per picture; picture i starts at row i × CapacityHeight().
    int CapacityWidth() const { return capWidth_; }
    int CapacityHeight() const { return capHeight_; }
    // Bitmaps made so far; a new one means everything drawn before is gone.
    long Allocations() const { return allocations_; }

    // Keeps `font` selected in the buffer's DC, a new DC included, until another font (null: none) is
    // chosen; the caller keeps it alive until then. Selecting a font once instead of at every paint
    // spares finding its glyphs again.
    void SelectFont(HFONT font);

    // Copies the buffer's part at `area` (the DC's logical coordinates) to `target` at `at`.
    void CopyTo(HDC target, const RECT& area, POINT at) const;

  private:
    rt::UniqueDC dc_;
    rt::UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int capWidth_ = 0;
    int capHeight_ = 0;
    long allocations_ = 0;
    int pictures_ = 1;
};

} // namespace viewer
