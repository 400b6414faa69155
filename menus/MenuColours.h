#pragma once
// The colour of every role the drawing paints: the palette's slots, or under DrawStyle 2 the control's
// "User" colours for the roles that have one.
#include <cstdint>
#include <functional>

#include "menus/MenuPalette.h"
#include "menus/MenuProperties.h"

namespace menus {

struct MenuColours {
    // Menu-bar items: background, the open item's box, the hot item's box.
    Rgb barBack = 0;
    Rgb barOpenFill = 0;
    Rgb barOpenBorder = 0;
    Rgb barHotFill = 0;
    Rgb barHotBorder = 0;
    // Vertical gradients of bar items, and the horizontal one of the gutter.
    bool barGradient = false;
    bool sideBarGradient = false;
    Rgb gradientOne = 0;
    Rgb gradientTwo = 0;

    Rgb sideBar = 0;
    Rgb itemBack = 0;
    Rgb menuBorder = 0;
    Rgb selectionText = 0;
    Rgb selectionFill = 0;
    Rgb selectionBorder = 0;
    Rgb disabledText = 0;
    Rgb disabledFill = 0;
    Rgb disabledBorder = 0;
    Rgb checkFillSelected = 0;
    Rgb checkFill = 0;
    Rgb checkBorder = 0;
    Rgb checkMark = 0;
    // COLOR_BTNSHADOW: plain shadows and the picture effects.
    Rgb btnShadow = 0;
    friend bool operator==(const MenuColours&, const MenuColours&) = default;
};

// `translate` turns the control's OLE colours into RGB; it is used only under DrawStyle 2.
MenuColours ResolveColours(const MenuPalette& palette, Rgb btnShadow, const MenuProperties& props,
                           const std::function<Rgb(uint32_t)>& translate);

} // namespace menus
