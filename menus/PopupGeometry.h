#pragma once
// Where a popup menu window that the engine has taken over puts its client area, and where it opens
// next to the item that dropped it.
#include <cstdint>

#include "runtime/DpiScale.h"
#include "runtime/Geometry.h"

namespace menus {

// How far the client lies inside the window on each side (left, top, right, bottom): at 96 DPI 1 pixel
// at the left, 2 at the top, 4 at the right (the frame and the shadow), 2 at the bottom.
rt::Rect PopupFrameInsets(int32_t dpi = rt::kDesignDpi);
// The client area inside the flat frame.
rt::Rect PopupClientRect(const rt::Rect& window, int32_t dpi = rt::kDesignDpi);
// The part of the window, in window coordinates, left out of the non-client paint.
rt::Rect PopupPaintExclusion(int32_t windowWidth, int32_t windowHeight, int32_t dpi = rt::kDesignDpi);

struct PopupPlacementInput {
    // The position the system proposes.
    int32_t x = 0;
    int32_t y = 0;
    // The popup's window rectangle, screen pixels.
    rt::Rect popup;
    // The selected item's rectangle from WM_MENUSELECT, screen pixels.
    rt::Rect item;
    // False when WM_MENUSELECT last came from the system menu: the system's position stands.
    bool tracked = false;
    // The popup drops from an item of the menu bar; otherwise it is a submenu of a popup.
    bool fromMenuBar = false;
    bool itemRightJustified = false;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t autoColumn = 0;
    // The resolution of the menu's window, and the width of the dialog frames the system sized it with.
    int32_t dpi = rt::kDesignDpi;
    int32_t dlgFrame = 3;
};

struct PopupPlacement {
    int32_t x = 0;
    int32_t y = 0;
    // How far the popup's left edge lies left of the bar item's, for the join of item and popup.
    int32_t joinOffset = 0;
    bool shiftedLeft = false;
    bool below = false;
    bool columns = false;
    friend bool operator==(const PopupPlacement&, const PopupPlacement&) = default;
};

PopupPlacement PlacePopup(const PopupPlacementInput& in);

// Bit 25 of a WM_MENUSELECT wParam marks one a frame forwarded to its active MDI child.
constexpr uint32_t kForwardedMenuSelect = 0x02000000;
// What the frame sends on: the item and the system-menu flag only, with the forwarded mark.
constexpr uint32_t ForwardedMenuSelectWParam(uint32_t wParam) {
    return (wParam & 0x2000FFFF) | kForwardedMenuSelect;
}

// Commands of the "InitMenuMsg" protocol between a frame's menu control and its active child's.
enum class InitMenuCommand : uint16_t {
    InitPopup = 0,
    InitMenuBar = 1,
    ExitMenuLoop = 2,
    EnterMenuLoop = 3,
    SetFrameOwner = 4,
    MenuChar = 5,
};
constexpr uint32_t InitMenuWParam(InitMenuCommand command, uint16_t character = 0) {
    return static_cast<uint32_t>(character) * 65536u + static_cast<uint32_t>(command);
}

} // namespace menus
