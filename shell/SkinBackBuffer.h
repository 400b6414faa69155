#pragma once
// What the skin frame last painted, kept off-screen at the control's size so that WM_PAINT can put it
// back after another window covered the frame.
#include <windows.h>

#include "runtime/Handles.h"

namespace viewer {

class SkinBackBuffer {
  public:
    SkinBackBuffer() = default;
    SkinBackBuffer(const SkinBackBuffer&) = delete;
    SkinBackBuffer& operator=(const SkinBackBuffer&) = delete;
    ~SkinBackBuffer() { Release(); }

    // Makes the buffer width × height, re-creating it (black) when the size differs. False when it
    // cannot be had; the buffer is then empty.
    bool Ensure(int width, int height);
    void Release();

    // Null while empty.
    HDC dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Copies the buffer's part at `area` (control coordinates) to `target` at `at`.
    void CopyTo(HDC target, const RECT& area, POINT at) const;

  private:
    rt::UniqueDC dc_;
    rt::UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace viewer
