#pragma once
// 32-bpp DIB sections for pixel read-backs, shared by every Win32 test that reads pixels. Pixels are
// 0xAARRGGBB, the byte order of the DIB.
#include <windows.h>

#include "runtime/Handles.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

using PixelFn = std::function<uint32_t(int x, int y)>;

// A DIB section not selected anywhere, as a picture holds it.
rt::UniqueBitmap MakeDib(int w, int h, const PixelFn& pixel, bool topDown = true);

// Colours the drawing tests paint with; magenta is the transparent key.
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kMagenta = RGB(255, 0, 255);

constexpr uint32_t Rgb(uint32_t px) {
    return px & 0xFFFFFF;
}
constexpr COLORREF ToColorRef(uint32_t px) {
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

// A top-down DIB section selected into a memory DC.
class TestCanvas {
  public:
    TestCanvas(int w, int h, uint32_t fill = 0xFFFFFFFF);
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;
    ~TestCanvas();

    HDC dc() const { return dc_.get(); }
    int width() const { return w_; }
    int height() const { return h_; }
    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint32_t px);
    void Fill(const PixelFn& pixel);
    // Copies w x h from src at (x, y) into the canvas at (0, 0).
    void CopyFrom(HDC src, int x, int y, int w, int h);
    // Pixels of the two canvases whose colour differs (alpha ignored).
    int DiffCount(const TestCanvas& other) const;
    // Every pixel as 0x00RRGGBB, top row first.
    std::vector<uint32_t> Rgbs() const;

  private:
    int w_;
    int h_;
    uint32_t* bits_ = nullptr;
    rt::UniqueDC dc_;
    rt::UniqueBitmap bitmap_;
    HGDIOBJ old_ = nullptr;
};

// The w x h pixels at the top left of a DC as 0x00RRGGBB, top row first.
std::vector<uint32_t> GrabRgbs(HDC source, int w, int h);

} // namespace testsupport
