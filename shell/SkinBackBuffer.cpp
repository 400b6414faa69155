#include "shell/SkinBackBuffer.h"

#include "shell/SkinGeometry.h"

namespace viewer {

bool SkinBackBuffer::Ensure(int width, int height) {
    if (width < 1 || height < 1) {
        Release();
        return false;
    }
    if (dc_ && width <= capWidth_ && height <= capHeight_) {
        width_ = width;
        height_ = height;
        return true;
    }
    // Growth stops at the desktop (plus the sizing border a maximized frame hangs off it), where a
    // window normally ends; a larger one still gets exactly what it needs.
    const int capWidth = skin::GrowBufferSide(capWidth_, width, ::GetSystemMetrics(SM_CXVIRTUALSCREEN) + 8);
    const int capHeight =
        skin::GrowBufferSide(capHeight_, height, ::GetSystemMetrics(SM_CYVIRTUALSCREEN) + 8);
    Release();
    rt::WindowDC screen(nullptr);
    if (!screen) return false;
    rt::UniqueDC dc(::CreateCompatibleDC(screen.get()));
    rt::UniqueBitmap bitmap(dc ? ::CreateCompatibleBitmap(screen.get(), capWidth, capHeight * pictures_)
                               : nullptr);
    if (!bitmap) return false;
    const HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
    if (!old || old == HGDI_ERROR) return false;
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    oldBitmap_ = old;
    capWidth_ = capWidth;
    capHeight_ = capHeight;
    width_ = width;
    height_ = height;
    ++allocations_;
    ::PatBlt(dc_.get(), 0, 0, capWidth, capHeight * pictures_, BLACKNESS);
    if (font_) {
        const HGDIOBJ oldFont = ::SelectObject(dc_.get(), font_);
        oldFont_ = oldFont == HGDI_ERROR ? nullptr : oldFont;
    }
    return true;
}

void SkinBackBuffer::SelectFont(HFONT font) {
    if (font == font_) return;
    if (dc_ && oldFont_) ::SelectObject(dc_.get(), oldFont_);
    oldFont_ = nullptr;
    font_ = font;
    if (dc_ && font_) {
        const HGDIOBJ old = ::SelectObject(dc_.get(), font_);
        oldFont_ = old == HGDI_ERROR ? nullptr : old;
    }
}

void SkinBackBuffer::Release() {
    // Font and bitmap leave the DC, in reverse order of selection, before anything is deleted.
    if (oldFont_) ::SelectObject(dc_.get(), oldFont_);
    oldFont_ = nullptr;
    if (oldBitmap_) ::SelectObject(dc_.get(), oldBitmap_);
    oldBitmap_ = nullptr;
    bitmap_.reset();
    dc_.reset();
    width_ = height_ = capWidth_ = capHeight_ = 0;
}

void SkinBackBuffer::CopyTo(HDC target, const RECT& area, POINT at) const {
    if (!dc_ || !target) return;
    ::BitBlt(target, at.x, at.y, area.right - area.left, area.bottom - area.top, dc_.get(), area.left,
             area.top, SRCCOPY);
}

} // namespace viewer
