#include "menus/MenuPalette.h"

#include <algorithm>

namespace menus {

namespace {

uint32_t Channel(Rgb c, int shift) {
    return (c >> shift) & 0xFF;
}

// n / 255 to the nearest integer; 255 is odd, so no quotient is ever exactly half-way.
uint32_t DivRound255(uint32_t n) {
    return (n + 127) / 255;
}

} // namespace

Rgb Blend(Rgb a, Rgb b, int32_t w) {
    const uint32_t wa = static_cast<uint32_t>(std::clamp(w, 0, 255));
    const uint32_t wb = 255 - wa;
    Rgb out = 0;
    for (int shift : {0, 8, 16})
        out |= DivRound255(Channel(a, shift) * wa + Channel(b, shift) * wb) << shift;
    return out;
}

int32_t Luminance(Rgb c) {
    return static_cast<int32_t>((Channel(c, 0) * 76 + Channel(c, 8) * 150 + Channel(c, 16) * 29) / 255);
}

MenuPalette MakePalette(const SystemColors& sys, const DisplayTraits& display) {
    MenuPalette p;
    p.menuBarBack = display.flatMenus ? sys.menuBar : sys.menu;
    p.itemBack = sys.window;
    p.disabledText = sys.grayText;
    if (!display.PlainColors()) {
        p.selectionBorder = sys.highlight;
        p.selectionFill = Blend(sys.highlight, sys.window, 70);
        p.selectionText = sys.menuText;
        p.checkFillSelected = Blend(Blend(sys.highlight, p.selectionFill, 128), p.selectionFill, 128);
        p.checkFill = Blend(sys.window, p.selectionFill, 128);
        p.menuBorder = sys.btnShadow;
        p.sideBar = Blend(sys.btnFace, sys.window, 214);
        p.itemText = sys.windowText;
        p.disabledBorder = sys.btnShadow;
        p.disabledFill = Blend(p.sideBar, sys.window, 128);
    } else {
        p.selectionBorder = sys.btnText;
        p.selectionFill = display.highContrast ? sys.highlight : sys.window;
        p.selectionText = display.highContrast ? sys.highlightText : sys.windowText;
        p.checkFillSelected = p.selectionFill;
        p.checkFill = p.selectionFill;
        p.menuBorder = sys.btnText;
        p.sideBar = sys.btnFace;
        p.itemText = sys.menuText;
        p.disabledBorder = sys.btnText;
        p.disabledFill = p.selectionFill;
    }
    p.checkMark = p.selectionText;
    return p;
}

bool IsHighContrastScheme(std::wstring_view current) {
    return current.starts_with(L"High Contrast");
}

} // namespace menus
