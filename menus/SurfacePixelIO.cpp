#include "SurfacePixelIO.h"

#include "drawing/SurfacePixels.h"
#include "runtime/Handles.h"

#include <optional>

namespace menus {

namespace {

// A top-down 32-bpp DIB section selected into a DC of its own.
class DibBuffer {
  public:
    DibBuffer(int32_t w, int32_t h) : dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        if (dc_) dib_.reset(::CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (dib_ && bits) {
            select_.emplace(dc_.get(), dib_.get());
            if (select_->ok()) bits_ = static_cast<uint32_t*>(bits);
        }
    }
    HDC dc() const { return dc_.get(); }
    uint32_t* bits() const {
        ::GdiFlush();
        return bits_;
    }

  private:
    rt::UniqueDC dc_;
    rt::UniqueBitmap dib_;
    std::optional<rt::SelectGuard> select_;
    uint32_t* bits_ = nullptr;
};

} // namespace

PixelGrid ReadPixels(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!dc || w <= 0 || h <= 0) return {};
    DibBuffer buffer(w, h);
    if (!buffer.bits() || !::BitBlt(buffer.dc(), 0, 0, w, h, dc, x, y, SRCCOPY)) return {};
    PixelGrid grid(x, y, w, h);
    const uint32_t* bits = buffer.bits();
    for (size_t i = 0; i < grid.px.size(); ++i)
        grid.px[i] = drawing::ColorRefOf(bits[i] & 0xFFFFFF);
    return grid;
}

void WritePixels(HDC dc, const PixelGrid& grid) {
    if (!dc || grid.px.empty()) return;
    DibBuffer buffer(grid.width, grid.height);
    uint32_t* bits = buffer.bits();
    if (!bits) return;
    for (size_t i = 0; i < grid.px.size(); ++i)
        bits[i] = drawing::PixelOf(grid.px[i]);
    ::BitBlt(dc, grid.left, grid.top, grid.width, grid.height, buffer.dc(), 0, 0, SRCCOPY);
}

} // namespace menus
