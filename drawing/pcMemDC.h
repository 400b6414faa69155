#pragma once
// A small off-screen surface holding one skin bitmap: a memory DC compatible with the display and a
// bitmap of its own, copied onto callers' DCs one to one, stretched, blended or colour-keyed.
#include <windows.h>

#include "runtime/Handles.h"
#include "runtime/Picture.h"

#include <cstdint>
#include <string>

namespace drawing {

class pcMemDC {
  public:
    pcMemDC() = default;
    ~pcMemDC();
    pcMemDC(const pcMemDC&) = delete;
    pcMemDC& operator=(const pcMemDC&) = delete;
    pcMemDC(pcMemDC&& other) noexcept;
    pcMemDC& operator=(pcMemDC&& other) noexcept;

    int32_t Width() const { return m_Width; }
    // Only grows the surface; a larger value re-creates it without keeping the old pixels.
    void Width(int32_t Value);
    int32_t Height() const { return m_Height; }
    void Height(int32_t Value);
    HDC hdc() const { return m_hDC.get(); }

    // A widthSrc or heightSrc below 1 stands for the whole surface's Width or Height. Level 0 is
    // invisible and 255 opaque; the surface's own alpha channel is not used.
    void AlphaDraw(HDC hdc, int32_t Level, int32_t xSrc, int32_t ySrc, int32_t widthSrc, int32_t heightSrc,
                   int32_t xDst, int32_t yDst, int32_t WidthDst, int32_t HeightDst) const;
    void StretchDraw(HDC hdc, int32_t xSrc, int32_t ySrc, int32_t widthSrc, int32_t heightSrc, int32_t xDst,
                     int32_t yDst, int32_t WidthDst, int32_t HeightDst) const;
    // With UseMask, magenta surface pixels leave the destination as it was.
    void Draw(HDC hdc, int32_t xSrc, int32_t ySrc, int32_t widthSrc, int32_t heightSrc, int32_t xDst,
              int32_t yDst, bool UseMask) const;
    // Draws one string into the box with the DC's font, cut with "..." when too wide; returns the width
    // drawn.
    int32_t pDrawText(HDC hdc, const std::wstring& lpStr, int32_t X, int32_t Y, int32_t Width, int32_t Height,
                      int32_t wFormat) const;
    // Makes the surface a copy of the picture's bitmap, of exactly its size; a null picture, or one
    // that is not a bitmap, leaves it empty. The picture stays the caller's.
    void CreateFromPicture(const rt::Picture& sPic);
    void CreateFromPicture(HBITMAP sPic);

  private:
    void pCreate(int32_t cx, int32_t cy);
    void pDestroy();
    void pTransBlt(HDC hdc, int32_t xDst, int32_t yDst, int32_t w, int32_t h, int32_t xSrc,
                   int32_t ySrc) const;

    rt::UniqueDC m_hDC;
    rt::UniqueBitmap m_hBmp;
    HGDIOBJ m_hOldBmp = nullptr;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
};

} // namespace drawing
