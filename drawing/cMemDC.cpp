#include "drawing/cMemDC.h"

#include "drawing/SystemPalette.h"

#include <olectl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <utility>

namespace drawing {

namespace {

// Rows of 0xAA and 0x55, each padded to 16 bits, as monochrome bitmap rows are.
constexpr std::array<uint32_t, 4> kDotPattern = {0x5555AAAA, 0x5555AAAA, 0x5555AAAA, 0x5555AAAA};

int TextLength(std::wstring_view text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
}

// Selects `object` and reports what it replaced; 0 when the selection failed.
HGDIOBJ Select(HDC dc, HGDIOBJ object) {
    const HGDIOBJ old = ::SelectObject(dc, object);
    return old == HGDI_ERROR ? nullptr : old;
}

} // namespace

cMemDC::~cMemDC() {
    Destroy();
}

HDC cMemDC::Init(int32_t PixelWidth, int32_t PixelHeight, HDC hParentDC, HDC hMemoryDC) {
    if (IsCreated()) Destroy();
    std::optional<rt::WindowDC> screen;
    if (!hParentDC) screen.emplace(nullptr);
    const HDC parent = hParentDC ? hParentDC : screen->get();
    if (!parent) return nullptr;

    if (hMemoryDC) {
        m_hDC = hMemoryDC;
    } else {
        m_ownDC.reset(::CreateCompatibleDC(parent));
        m_hBmp.reset(::CreateCompatibleBitmap(parent, PixelWidth, PixelHeight));
        m_hBmpOld = m_ownDC && m_hBmp ? Select(m_ownDC.get(), m_hBmp.get()) : nullptr;
        // A DC without its bitmap would draw into a single monochrome pixel: no surface at all is plainer.
        if (!m_hBmpOld) {
            m_hBmp.reset();
            m_ownDC.reset();
            return nullptr;
        }
        m_hDC = m_ownDC.get();
    }
    m_Width = PixelWidth;
    m_Height = PixelHeight;
    pvSystemPalette(parent);
    if (hParentDC) {
        m_hParentDC = hParentDC;
        pvCopyParent(hParentDC);
    }
    return m_hDC;
}

void cMemDC::pvSystemPalette(HDC parent) {
    if (!UsesSystemPalette(::GetDeviceCaps(parent, RASTERCAPS), ::GetDeviceCaps(parent, SIZEPALETTE))) return;
    std::array<PALETTEENTRY, 256> system{};
    if (::GetSystemPaletteEntries(parent, 0, 256, system.data()) != 256) return;
    std::array<PaletteEntry, 256> entries{};
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = {system[i].peRed, system[i].peGreen, system[i].peBlue, system[i].peFlags};
    const std::vector<uint8_t> record = LogPaletteBytes(entries);
    m_hPal.reset(::CreatePalette(reinterpret_cast<const LOGPALETTE*>(record.data())));
    if (!m_hPal) return;
    m_hPalOld = ::SelectPalette(m_hDC, m_hPal.get(), FALSE);
    ::RealizePalette(m_hDC);
}

void cMemDC::Destroy() {
    if (!m_hDC) return;
    if (m_Pen.previous) ::SelectObject(m_hDC, m_Pen.previous);
    if (m_Brush.previous) ::SelectObject(m_hDC, m_Brush.previous);
    if (m_hPalOld) {
        ::SelectPalette(m_hDC, m_hPalOld, FALSE);
        ::RealizePalette(m_hDC);
    }
    if (m_hBmpOld) ::SelectObject(m_hDC, m_hBmpOld);
    if (m_hFontOld) ::SelectObject(m_hDC, m_hFontOld);
    m_Pen = {};
    m_Brush = {};
    m_ownDotBrush.reset();
    m_hFont.reset();
    m_hPal.reset();
    m_hBmp.reset();
    m_ownDC.reset();
    m_hDC = nullptr;
    m_hParentDC = nullptr;
    m_Width = m_Height = 0;
    m_hBmpOld = m_hFontOld = nullptr;
    m_hPalOld = nullptr;
    m_hDotBrush = nullptr;
}

rt::UniqueBitmap cMemDC::DetachBitmap(rt::UniqueBitmap hNewBitmap) {
    if (!m_hDC) return hNewBitmap;
    if (m_hBmpOld) ::SelectObject(m_hDC, std::exchange(m_hBmpOld, nullptr));
    rt::UniqueBitmap detached = std::move(m_hBmp);
    if (hNewBitmap) {
        m_hBmpOld = Select(m_hDC, hNewBitmap.get());
        if (m_hBmpOld) m_hBmp = std::move(hNewBitmap);
    }
    return detached;
}

uint32_t cMemDC::BackColor() const {
    return m_hDC ? ::GetBkColor(m_hDC) : 0;
}

void cMemDC::BackColor(uint32_t clr) {
    if (m_hDC) ::SetBkColor(m_hDC, TranslateColor(clr));
}

uint32_t cMemDC::ForeColor() const {
    return m_hDC ? ::GetTextColor(m_hDC) : 0;
}

void cMemDC::ForeColor(uint32_t clr) {
    if (m_hDC) ::SetTextColor(m_hDC, TranslateColor(clr));
}

int32_t cMemDC::BackStyle() const {
    return m_hDC ? ::GetBkMode(m_hDC) : 0;
}

void cMemDC::BackStyle(int32_t mode) {
    if (m_hDC) ::SetBkMode(m_hDC, mode);
}

int32_t cMemDC::DrawMode() const {
    return m_hDC ? ::GetROP2(m_hDC) : 0;
}

void cMemDC::DrawMode(int32_t rop2) {
    if (m_hDC) ::SetROP2(m_hDC, rop2);
}

template <class H, class Owner> void cMemDC::pvAssign(Held<H, Owner>& held, H lValue, H neverOwned) {
    if (!m_hDC) return;
    // Handing over the object the surface already holds must not delete it while it is selected.
    if (lValue && lValue == held.handle) return;
    Owner adopted(lValue && lValue != neverOwned ? lValue : nullptr);
    HGDIOBJ returned = nullptr;
    if (lValue) {
        returned = Select(m_hDC, lValue);
        if (!returned) return;
        if (!held.previous) held.previous = returned;
    } else {
        if (!held.previous) return;
        returned = Select(m_hDC, std::exchange(held.previous, nullptr));
    }
    // The one held before is deleted only when this selection took it out of the DC; one that someone
    // else selected out is theirs now.
    if (returned == held.handle)
        held.owned.reset();
    else
        static_cast<void>(held.owned.release());
    held.handle = lValue;
    held.owned = std::move(adopted);
}

void cMemDC::Brush(HBRUSH lValue) {
    pvAssign(m_Brush, lValue, m_hDotBrush);
}

void cMemDC::Pen(HPEN lValue) {
    pvAssign(m_Pen, lValue, HPEN{});
}

HBRUSH cMemDC::DotBrush() {
    if (m_hDotBrush) return m_hDotBrush;
    rt::UniqueBitmap pattern(::CreateBitmap(8, 8, 1, 1, kDotPattern.data()));
    if (pattern) m_ownDotBrush.reset(::CreatePatternBrush(pattern.get()));
    m_hDotBrush = m_ownDotBrush ? m_ownDotBrush.get() : static_cast<HBRUSH>(::GetStockObject(DKGRAY_BRUSH));
    return m_hDotBrush;
}

uint32_t cMemDC::TranslateColor(uint32_t clr) const {
    if (clr == kNoColor) return clr;
    COLORREF rgb = 0;
    if (FAILED(::OleTranslateColor(clr, m_hPal.get(), &rgb))) return 0;
    return rgb & 0xFFFFFF;
}

rt::UniqueBrush cMemDC::CreateBrush(uint32_t clrFill, UINT lStyle, ULONG_PTR lHatch) const {
    if (!m_hDC) return {};
    const LOGBRUSH lb{lStyle, TranslateColor(clrFill), lHatch};
    return rt::UniqueBrush(::CreateBrushIndirect(&lb));
}

rt::UniquePen cMemDC::CreatePen(uint32_t clrOutline, int lStyle, int lWidth) const {
    if (!m_hDC) return {};
    return rt::UniquePen(::CreatePen(lStyle, lWidth, TranslateColor(clrOutline)));
}

void cMemDC::BitBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight, int32_t xSrc,
                    int32_t ySrc, DWORD dwRop) const {
    if (!m_hDC) return;
    ::BitBlt(DestOr(hdcDest), xDest, yDest, WidthOr(nWidth), HeightOr(nHeight), m_hDC, xSrc, ySrc, dwRop);
}

void cMemDC::LoadBlt(HDC hdcSrc, int32_t xSrc, int32_t ySrc, int32_t xDest, int32_t yDest, int32_t nWidth,
                     int32_t nHeight, DWORD dwRop) const {
    if (!m_hDC) return;
    ::BitBlt(m_hDC, xDest, yDest, WidthOr(nWidth), HeightOr(nHeight), DestOr(hdcSrc), xSrc, ySrc, dwRop);
}

void cMemDC::StretchBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                        int32_t xSrc, int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight,
                        DWORD dwRop) const {
    if (!m_hDC) return;
    ::StretchBlt(DestOr(hdcDest), xDest, yDest, WidthOr(nWidth), HeightOr(nHeight), m_hDC, xSrc, ySrc,
                 nSrcWidth, nSrcHeight, dwRop);
}

void cMemDC::SetDIBits(int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                       const std::vector<uint8_t>& aBits, DWORD dwRop) const {
    if (!m_hDC || nWidth <= 0 || nHeight <= 0) return;
    const uint64_t stride = (static_cast<uint64_t>(nWidth) * 3 + 3) & ~uint64_t{3};
    if (aBits.size() < stride * static_cast<uint64_t>(nHeight)) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = nWidth;
    bi.bmiHeader.biHeight = nHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    ::StretchDIBits(m_hDC, xDest, yDest, nWidth, nHeight, 0, 0, nWidth, nHeight, aBits.data(), &bi,
                    DIB_RGB_COLORS, dwRop);
}

uint32_t cMemDC::GetPixel(int32_t X, int32_t Y) const {
    return m_hDC ? ::GetPixel(m_hDC, X, Y) : CLR_INVALID;
}

void cMemDC::SetPixel(int32_t X, int32_t Y, uint32_t clrColor) const {
    if (m_hDC) ::SetPixelV(m_hDC, X, Y, TranslateColor(clrColor));
}

void cMemDC::pvFill(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                    HBRUSH hbrFill, Fill what) const {
    if (!m_hDC) return;
    const RECT rc{LeftX, TopY, RightX, BottomY};
    HBRUSH brush = hbrFill;
    COLORREF previous = CLR_INVALID;
    // The DC's own brush colour stands for a solid brush made and deleted for the call.
    if (clrFill != kNoColor) {
        previous = ::SetDCBrushColor(m_hDC, TranslateColor(clrFill));
        brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
    }
    if (brush) what == Fill::Frame ? ::FrameRect(m_hDC, &rc, brush) : ::FillRect(m_hDC, &rc, brush);
    if (previous != CLR_INVALID) ::SetDCBrushColor(m_hDC, previous);
}

void cMemDC::FillRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                      HBRUSH hbrFill) const {
    pvFill(LeftX, TopY, RightX, BottomY, clrFill, hbrFill, Fill::Area);
}

void cMemDC::FrameRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                       HBRUSH hbrFill) const {
    pvFill(LeftX, TopY, RightX, BottomY, clrFill, hbrFill, Fill::Frame);
}

void cMemDC::Cls(uint32_t clrFill, HBRUSH hbrFill) const {
    pvFill(0, 0, m_Width, m_Height, clrFill, hbrFill, Fill::Area);
}

void cMemDC::Rectangle(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFill,
                       HBRUSH hbrFill, uint32_t clrOutline, HPEN hpnOutline) {
    if (!m_hDC) return;
    const HBRUSH brush = clrFill != kNoColor ? ::CreateSolidBrush(TranslateColor(clrFill)) : hbrFill;
    if (brush) Brush(brush);
    const HPEN pen =
        clrOutline != kNoColor ? ::CreatePen(PS_SOLID, 1, TranslateColor(clrOutline)) : hpnOutline;
    if (pen) Pen(pen);
    if (RightX < LeftX) RightX = m_Width;
    if (BottomY < TopY) BottomY = m_Height;
    ::Rectangle(m_hDC, LeftX, TopY, RightX, BottomY);
}

void cMemDC::DrawEllipse(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrOutline,
                         HPEN hpnOutline) {
    if (!m_hDC) return;
    const HPEN pen =
        clrOutline != kNoColor ? ::CreatePen(PS_SOLID, 1, TranslateColor(clrOutline)) : hpnOutline;
    if (pen) Pen(pen);
    if (RightX < LeftX) RightX = m_Width;
    if (BottomY < TopY) BottomY = m_Height;
    ::Arc(m_hDC, LeftX, TopY, RightX, BottomY, LeftX, TopY, LeftX, TopY);
}

void cMemDC::DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, uint32_t clrLine, HPEN hpnLine) {
    if (!m_hDC) return;
    Pen(clrLine != kNoColor ? ::CreatePen(PS_SOLID, 1, TranslateColor(clrLine)) : hpnLine);
    if (X1 >= 0) ::MoveToEx(m_hDC, X1, Y1, nullptr);
    ::LineTo(m_hDC, X2, Y2);
}

void cMemDC::DrawEdge(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, UINT edge,
                      UINT Flags) const {
    if (!m_hDC) return;
    RECT rc{LeftX, TopY, RightX, BottomY};
    ::DrawEdge(m_hDC, &rc, edge, Flags);
}

void cMemDC::DrawFrameControl(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, UINT Type_,
                              UINT Flags) const {
    if (!m_hDC) return;
    RECT rc{LeftX, TopY, RightX, BottomY};
    ::DrawFrameControl(m_hDC, &rc, Type_, Flags);
}

void cMemDC::FillGradient(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY, uint32_t clrFirst,
                          uint32_t clrSecond, bool bVertical) const {
    if (!m_hDC) return;
    auto vertex = [this](int32_t x, int32_t y, uint32_t clr) {
        const COLORREF rgb = TranslateColor(clr);
        return TRIVERTEX{x,
                         y,
                         static_cast<COLOR16>(GetRValue(rgb) << 8),
                         static_cast<COLOR16>(GetGValue(rgb) << 8),
                         static_cast<COLOR16>(GetBValue(rgb) << 8),
                         0};
    };
    TRIVERTEX v[2] = {vertex(LeftX, TopY, clrFirst), vertex(RightX, BottomY, clrSecond)};
    GRADIENT_RECT mesh{0, 1};
    ::GradientFill(m_hDC, v, 2, &mesh, 1, bVertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

int32_t cMemDC::DrawText(std::wstring_view Text, int32_t& LeftX, int32_t& TopY, int32_t& RightX,
                         int32_t& BottomY, UINT dtFlags) const {
    if (!m_hDC) return 0;
    RECT rc{LeftX, TopY, RightX, BottomY};
    // Without DT_MODIFYSTRING the text is only read, so the caller's characters need no copy.
    const int drawn = ::DrawTextExW(m_hDC, const_cast<wchar_t*>(Text.data()), TextLength(Text), &rc,
                                    dtFlags & ~UINT{DT_MODIFYSTRING}, nullptr);
    LeftX = rc.left;
    TopY = rc.top;
    RightX = rc.right;
    BottomY = rc.bottom;
    return drawn;
}

void cMemDC::ExtTextOut(std::wstring_view Text, int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY,
                        int32_t xOffset, int32_t yOffset, UINT etoFlags) const {
    if (!m_hDC) return;
    const RECT rc{LeftX, TopY, RightX, BottomY};
    ::ExtTextOutW(m_hDC, xOffset, yOffset, etoFlags, &rc, Text.data(), static_cast<UINT>(TextLength(Text)),
                  nullptr);
}

int32_t cMemDC::TextWidth(std::wstring_view sText) const {
    SIZE size{};
    if (!m_hDC || !::GetTextExtentPoint32W(m_hDC, sText.data(), TextLength(sText), &size)) return 0;
    return size.cx;
}

int32_t cMemDC::TextHeight(std::wstring_view sText) const {
    SIZE size{};
    if (!m_hDC || !::GetTextExtentPoint32W(m_hDC, sText.data(), TextLength(sText), &size)) return 0;
    return size.cy;
}

int32_t cMemDC::FontHeight() const {
    TEXTMETRICW tm{};
    if (!m_hDC || !::GetTextMetricsW(m_hDC, &tm)) return 0;
    return tm.tmHeight;
}

void cMemDC::NormalizeRect(int32_t& LeftX, int32_t& TopY, int32_t& RightX, int32_t& BottomY) {
    if (LeftX > RightX) std::swap(LeftX, RightX);
    if (TopY > BottomY) std::swap(TopY, BottomY);
}

void cMemDC::SetClipRect(int32_t LeftX, int32_t TopY, int32_t RightX, int32_t BottomY) const {
    if (!m_hDC) return;
    if (LeftX < 0) {
        ::SelectClipRgn(m_hDC, nullptr);
        return;
    }
    // Regions are in device coordinates; the rectangle is in the surface's, which a moved viewport shifts.
    POINT corners[2] = {{LeftX, TopY}, {RightX, BottomY}};
    ::LPtoDP(m_hDC, corners, 2);
    int32_t l = corners[0].x, t = corners[0].y, r = corners[1].x, b = corners[1].y;
    NormalizeRect(l, t, r, b);
    rt::UniqueRgn region(::CreateRectRgn(l, t, r, b));
    if (region) ::SelectClipRgn(m_hDC, region.get());
}

} // namespace drawing
