#pragma once
// The colours every menu drawing step reads, derived from the system colours: blends for a normal
// display, plain system colours for High Contrast and displays of 256 colours or fewer.
#include <cstdint>
#include <string_view>

namespace menus {

// 0x00BBGGRR, already translated from an OLE colour.
using Rgb = uint32_t;

// Per channel (a × w + b × (255 − w)) / 255 rounded to nearest (halves to even), w clamped to 0…255.
Rgb Blend(Rgb a, Rgb b, int32_t w);
// (R × 76 + G × 150 + B × 29) / 255, truncated.
int32_t Luminance(Rgb c);

// The system colours the palette is made of, as GetSysColor gives them.
struct SystemColors {
    Rgb highlight = 0;
    Rgb highlightText = 0;
    Rgb window = 0;
    Rgb windowText = 0;
    Rgb menu = 0;
    Rgb menuBar = 0;
    Rgb menuText = 0;
    Rgb btnFace = 0;
    Rgb btnShadow = 0;
    Rgb btnText = 0;
    Rgb grayText = 0;
};

struct MenuPalette {
    Rgb selectionBorder = 0;
    Rgb selectionFill = 0;
    Rgb selectionText = 0;
    Rgb checkFillSelected = 0;
    Rgb checkFill = 0;
    Rgb menuBorder = 0;
    Rgb sideBar = 0;
    Rgb itemText = 0;
    Rgb checkMark = 0;
    Rgb disabledBorder = 0;
    Rgb disabledFill = 0;
    Rgb disabledText = 0;
    Rgb menuBarBack = 0;
    Rgb itemBack = 0;
    friend bool operator==(const MenuPalette&, const MenuPalette&) = default;
};

struct DisplayTraits {
    int32_t bitsPerPixel = 32;
    bool highContrast = false;
    bool flatMenus = false;

    bool PlainColors() const { return bitsPerPixel <= 8 || highContrast; }
};

MenuPalette MakePalette(const SystemColors& sys, const DisplayTraits& display);

// The appearance scheme named in the user's "Control Panel\Appearance" "Current" value is a High
// Contrast one: it begins with "High Contrast" (case as written).
bool IsHighContrastScheme(std::wstring_view current);

} // namespace menus
