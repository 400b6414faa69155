// Fonts of the memory drawing surface: font objects in and out, the system's menu and icon-title fonts,
// and what a surface takes over from its parent DC.
#include "drawing/cMemDC.h"

#include "drawing/ScreenDpi.h"
#include "drawing/SurfaceUnits.h"
#include "runtime/RtError.h"

#include <algorithm>
#include <array>

namespace drawing {

namespace {

StdFont FontOfDC(HDC dc) {
    StdFont font;
    TEXTMETRICW tm{};
    std::array<wchar_t, LF_FACESIZE> face{};
    if (!dc || !::GetTextMetricsW(dc, &tm) || !::GetTextFaceW(dc, static_cast<int>(face.size()), face.data()))
        return font;
    font.Name = face.data();
    font.Size = FontSizeFromMetrics(tm.tmHeight - tm.tmInternalLeading, tm.tmDigitizedAspectY);
    font.Weight = tm.tmWeight;
    font.Italic = tm.tmItalic != 0;
    font.Underline = tm.tmUnderlined != 0;
    font.Strikethrough = tm.tmStruckOut != 0;
    font.Charset = tm.tmCharSet;
    return font;
}

StdFont FontOfLogFont(const LOGFONTW& lf) {
    StdFont font;
    font.Name = lf.lfFaceName;
    font.Size = FontSizeFromHeight(lf.lfHeight, ScreenPixelsPerInch().y);
    font.Weight = lf.lfWeight;
    font.Italic = lf.lfItalic != 0;
    font.Underline = lf.lfUnderline != 0;
    font.Strikethrough = lf.lfStrikeOut != 0;
    font.Charset = lf.lfCharSet;
    return font;
}

} // namespace

StdFont cMemDC::Font() const {
    return FontOfDC(m_hDC);
}

void cMemDC::Font(const StdFont& oValue) {
    if (!m_hDC) return;
    LOGFONTW lf{};
    if (!rt::Trap([&] {
            lf.lfHeight = FontHeightForSize(oValue.Size, ::GetDeviceCaps(m_hDC, LOGPIXELSY));
        }))
        return;
    lf.lfWeight = oValue.Weight;
    lf.lfItalic = oValue.Italic;
    lf.lfUnderline = oValue.Underline;
    lf.lfStrikeOut = oValue.Strikethrough;
    lf.lfCharSet = static_cast<BYTE>(oValue.Charset);
    const std::size_t n = std::min<std::size_t>(oValue.Name.size(), LF_FACESIZE - 1);
    std::copy_n(oValue.Name.data(), n, lf.lfFaceName);
    pvSetFont(lf);
}

void cMemDC::pvSetFont(const LOGFONTW& lf) {
    if (m_hFontOld) ::SelectObject(m_hDC, std::exchange(m_hFontOld, nullptr));
    m_hFont.reset(::CreateFontIndirectW(&lf));
    if (!m_hFont) return;
    const HGDIOBJ old = ::SelectObject(m_hDC, m_hFont.get());
    if (old && old != HGDI_ERROR)
        m_hFontOld = old;
    else
        m_hFont.reset();
}

void cMemDC::pvCopyParent(HDC parent) {
    ::SetBkColor(m_hDC, ::GetBkColor(parent));
    ::SetTextColor(m_hDC, ::GetTextColor(parent));
    ::SetBkMode(m_hDC, ::GetBkMode(parent));
    Font(FontOfDC(parent));
}

StdFont cMemDC::SystemMenuFont() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return StdFont{};
    return FontOfLogFont(ncm.lfMenuFont);
}

StdFont cMemDC::SystemIconFont() {
    LOGFONTW lf{};
    if (!::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) return StdFont{};
    return FontOfLogFont(lf);
}

} // namespace drawing
