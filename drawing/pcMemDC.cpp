#include "drawing/pcMemDC.h"

#include "drawing/TextDraw.h"
#include "drawing/TransBlt.h"
#include "runtime/Checked.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace drawing {

namespace {

constexpr uint32_t kMagenta = 0xFF00FF;
} // namespace

pcMemDC::~pcMemDC() {
    pDestroy();
}

pcMemDC::pcMemDC(pcMemDC&& other) noexcept
    : m_hDC(std::move(other.m_hDC)), m_hBmp(std::move(other.m_hBmp)),
      m_hOldBmp(std::exchange(other.m_hOldBmp, nullptr)), m_Width(std::exchange(other.m_Width, 0)),
      m_Height(std::exchange(other.m_Height, 0)) {}

pcMemDC& pcMemDC::operator=(pcMemDC&& other) noexcept {
    if (this != &other) {
        pDestroy();
        m_hDC = std::move(other.m_hDC);
        m_hBmp = std::move(other.m_hBmp);
        m_hOldBmp = std::exchange(other.m_hOldBmp, nullptr);
        m_Width = std::exchange(other.m_Width, 0);
        m_Height = std::exchange(other.m_Height, 0);
    }
    return *this;
}

void pcMemDC::Width(int32_t Value) {
    if (Value <= m_Width) return;
    m_Width = Value;
    pCreate(Value, m_Height);
}

void pcMemDC::Height(int32_t Value) {
    if (Value <= m_Height) return;
    m_Height = Value;
    pCreate(m_Width, Value);
}

void pcMemDC::pCreate(int32_t cx, int32_t cy) {
    pDestroy();
    rt::UniqueDC display(::CreateDCW(L"DISPLAY", L"", L"", nullptr));
    if (!display) return;
    m_hDC.reset(::CreateCompatibleDC(display.get()));
    if (m_hDC) m_hBmp.reset(::CreateCompatibleBitmap(display.get(), cx, cy));
    if (m_hBmp) {
        HGDIOBJ old = ::SelectObject(m_hDC.get(), m_hBmp.get());
        if (old != HGDI_ERROR) m_hOldBmp = old;
    }
    if (!m_hOldBmp) {
        display.reset();
        pDestroy();
        return;
    }
    m_Width = cx;
    m_Height = cy;
}

void pcMemDC::pDestroy() {
    if (m_hOldBmp) ::SelectObject(m_hDC.get(), std::exchange(m_hOldBmp, nullptr));
    m_hBmp.reset();
    m_hDC.reset();
    m_Width = 0;
    m_Height = 0;
}

void pcMemDC::CreateFromPicture(const rt::Picture& sPic) {
    CreateFromPicture(sPic ? sPic->Bitmap() : nullptr);
}

void pcMemDC::CreateFromPicture(HBITMAP sPic) {
    pDestroy();
    if (!sPic) return;
    BITMAP bm{};
    if (!::GetObjectW(sPic, sizeof(bm), &bm)) bm = BITMAP{};
    Width(bm.bmWidth);
    // A top-down DIB section may report its height negated.
    Height(std::abs(bm.bmHeight));
    if (!m_hDC) return;

    bool copied = false;
    {
        rt::UniqueDC display(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
        rt::UniqueDC temp(::CreateCompatibleDC(display.get()));
        rt::SelectGuard picture(temp.get(), sPic);
        copied = picture.ok() && ::BitBlt(m_hDC.get(), 0, 0, m_Width, m_Height, temp.get(), 0, 0, SRCCOPY);
    }
    // A bitmap that cannot be read (selected into another DC, say) must not leave a sized surface of
    // stale pixels that looks loaded.
    if (!copied) pDestroy();
}

void pcMemDC::AlphaDraw(HDC hdc, int32_t Level, int32_t xSrc, int32_t ySrc, int32_t widthSrc,
                        int32_t heightSrc, int32_t xDst, int32_t yDst, int32_t WidthDst,
                        int32_t HeightDst) const {
    // The opacity travels as the third byte of the 32-bit blend value Level × 65536.
    static_cast<void>(rt::Mul<int32_t>(Level, 65536));
    if (widthSrc < 1) widthSrc = m_Width;
    if (heightSrc < 1) heightSrc = m_Height;
    // Out-of-range levels are held to 0…255 so they can never spill into the alpha-format byte.
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(Level, 0, 255)), 0};
    ::AlphaBlend(hdc, xDst, yDst, WidthDst, HeightDst, m_hDC.get(), xSrc, ySrc, widthSrc, heightSrc, blend);
}

void pcMemDC::StretchDraw(HDC hdc, int32_t xSrc, int32_t ySrc, int32_t widthSrc, int32_t heightSrc,
                          int32_t xDst, int32_t yDst, int32_t WidthDst, int32_t HeightDst) const {
    if (widthSrc < 1) widthSrc = m_Width;
    if (heightSrc < 1) heightSrc = m_Height;
    ::StretchBlt(hdc, xDst, yDst, WidthDst, HeightDst, m_hDC.get(), xSrc, ySrc, widthSrc, heightSrc, SRCCOPY);
}

void pcMemDC::Draw(HDC hdc, int32_t xSrc, int32_t ySrc, int32_t widthSrc, int32_t heightSrc, int32_t xDst,
                   int32_t yDst, bool UseMask) const {
    if (widthSrc < 1) widthSrc = m_Width;
    if (heightSrc < 1) heightSrc = m_Height;
    if (UseMask)
        pTransBlt(hdc, xDst, yDst, widthSrc, heightSrc, xSrc, ySrc);
    else
        ::BitBlt(hdc, xDst, yDst, widthSrc, heightSrc, m_hDC.get(), xSrc, ySrc, SRCCOPY);
}

void pcMemDC::pTransBlt(HDC hdc, int32_t xDst, int32_t yDst, int32_t w, int32_t h, int32_t xSrc,
                        int32_t ySrc) const {
    TransBlt(hdc, xDst, yDst, w, h, m_hDC.get(), xSrc, ySrc, kMagenta, nullptr);
}

int32_t pcMemDC::pDrawText(HDC hdc, const std::wstring& lpStr, int32_t X, int32_t Y, int32_t Width,
                           int32_t Height, int32_t wFormat) const {
    return DrawTextCut(hdc, lpStr, X, Y, Width, Height, wFormat);
}

} // namespace drawing
