#include "drawing/PixelDib.h"

namespace drawing {

PixelDib::PixelDib(int32_t w, int32_t h) : dc_(::CreateCompatibleDC(nullptr)) {
    if (!dc_ || w <= 0 || h <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dib_.reset(::CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib_ || !bits) return;
    select_.emplace(dc_.get(), dib_.get());
    if (select_->ok())
        pixels_ = {static_cast<uint32_t*>(bits), static_cast<std::size_t>(w) * static_cast<std::size_t>(h)};
}

} // namespace drawing
