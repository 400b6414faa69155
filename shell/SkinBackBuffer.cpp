#include "SkinBackBuffer.h"

namespace viewer {

bool SkinBackBuffer::Ensure(int width, int height) {
    if (dc_ && width == width_ && height == height_) return true;
    Release();
    if (width < 1 || height < 1) return false;
    rt::WindowDC screen(nullptr);
    if (!screen) return false;
    rt::UniqueDC dc(::CreateCompatibleDC(screen.get()));
    rt::UniqueBitmap bitmap(dc ? ::CreateCompatibleBitmap(screen.get(), width, height) : nullptr);
    if (!bitmap) return false;
    const HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
    if (!old || old == HGDI_ERROR) return false;
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    oldBitmap_ = old;
    width_ = width;
    height_ = height;
    ::PatBlt(dc_.get(), 0, 0, width, height, BLACKNESS);
    return true;
}

void SkinBackBuffer::Release() {
    // The bitmap leaves the DC before either is deleted.
    if (oldBitmap_) ::SelectObject(dc_.get(), oldBitmap_);
    oldBitmap_ = nullptr;
    bitmap_.reset();
    dc_.reset();
    width_ = height_ = 0;
}

void SkinBackBuffer::CopyTo(HDC target, const RECT& area, POINT at) const {
    if (!dc_ || !target) return;
    ::BitBlt(target, at.x, at.y, area.right - area.left, area.bottom - area.top, dc_.get(), area.left,
             area.top, SRCCOPY);
}

} // namespace viewer
