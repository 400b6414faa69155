#pragma once
// OLE colours: 0x00BBGGRR, or a system colour index with the high bit set (0x80000000 | COLOR_xxx).
#include <windows.h>

#include <cstdint>

namespace rt {

namespace SysColor {
constexpr uint32_t ScrollBar = 0x80000000;
constexpr uint32_t Desktop = 0x80000001;
constexpr uint32_t Window = 0x80000005;
constexpr uint32_t WindowText = 0x80000008;
constexpr uint32_t ButtonFace = 0x8000000F;
constexpr uint32_t ButtonShadow = 0x80000010;
constexpr uint32_t GrayText = 0x80000011;
constexpr uint32_t ButtonText = 0x80000012;
constexpr uint32_t InfoText = 0x80000017;
constexpr uint32_t InfoBackground = 0x80000018;
} // namespace SysColor

constexpr bool IsSystemColor(uint32_t oleColor) {
    return (oleColor & 0x80000000u) != 0;
}

// The RGB value to draw with; an OLE colour that does not translate (an unknown system index, or
// stray bits in the top byte) gives `fallback`.
COLORREF ToColorRef(uint32_t oleColor, COLORREF fallback = RGB(0, 0, 0));

// Fills the rectangle with the colour through a brush made and deleted for the call.
void FillOleColor(HDC dc, const RECT& rect, uint32_t oleColor);
// WM_ERASEBKGND of a window painted in one OLE colour; returns the message's result.
LRESULT EraseClient(HWND wnd, HDC dc, uint32_t oleColor);

} // namespace rt
