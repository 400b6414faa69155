#pragma once
// The plain look of owner-drawn items and popup frames: item text on the item background and a
// one-pixel frame. It keeps menus readable and usable until the full owner-drawn look replaces it.
#include <windows.h>

#include "MenuItems.h"
#include "MenuPalette.h"
#include "drawing/StdFont.h"
#include "drawing/cMemDC.h"

namespace menus {

void PaintItemPlainly(const DRAWITEMSTRUCT& dis, const ItemRecord& record, const MenuPalette& palette,
                      const drawing::StdFont& font);
// Fills a popup's frame image, already made at the window's size.
void PaintFramePlainly(drawing::cMemDC& image, const MenuPalette& palette);

} // namespace menus
