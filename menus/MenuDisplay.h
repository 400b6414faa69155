#pragma once
// What the menu palette is derived from on this desktop: the system colours, the colour depth, High
// Contrast and flat menus.
#include "menus/MenuPalette.h"

namespace menus {

SystemColors ReadSystemColors();
// High Contrast is on when the system says so, or when the user's appearance scheme is a High
// Contrast one.
bool HighContrastOn();
DisplayTraits ReadDisplayTraits();

} // namespace menus
