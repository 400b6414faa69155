#include "menus/MenuColours.h"

namespace menus {

MenuColours ResolveColours(const MenuPalette& palette, Rgb btnShadow, const MenuProperties& props,
                           const std::function<Rgb(uint32_t)>& translate) {
    MenuColours c;
    c.barBack = palette.menuBarBack;
    c.barOpenFill = palette.sideBar;
    c.barOpenBorder = palette.menuBorder;
    c.barHotFill = palette.selectionFill;
    c.barHotBorder = palette.selectionBorder;
    c.sideBar = palette.sideBar;
    c.itemBack = palette.itemBack;
    c.menuBorder = palette.menuBorder;
    c.selectionText = palette.selectionText;
    c.selectionFill = palette.selectionFill;
    c.selectionBorder = palette.selectionBorder;
    c.disabledText = palette.disabledText;
    c.disabledFill = palette.disabledFill;
    c.disabledBorder = palette.disabledBorder;
    c.checkFillSelected = palette.checkFillSelected;
    c.checkFill = palette.checkFill;
    c.checkBorder = palette.selectionBorder;
    c.checkMark = palette.checkMark;
    c.btnShadow = btnShadow;
    if (props.DrawStyle != 2) return c;

    c.barBack = translate(props.UserTopMenuBackColour);
    c.barOpenFill = translate(props.UserTopMenuSelectedColour);
    c.barOpenBorder = translate(props.UserMenuBorderColour);
    c.barHotFill = translate(props.UserTopMenuHotColour);
    c.barHotBorder = translate(props.UserTopMenuHotBorderColour);
    c.barGradient = props.UserUseTopMenuGradient;
    c.sideBarGradient = props.UserUseGradient;
    c.gradientOne = translate(props.UserGradientOne);
    c.gradientTwo = translate(props.UserGradientTwo);
    c.sideBar = translate(props.UserSideBarColour);
    c.menuBorder = translate(props.UserMenuBorderColour);
    c.selectionText = translate(props.UserSelectedItemForeColour);
    c.selectionFill = translate(props.UserSelectedMenuBackColour);
    c.selectionBorder = translate(props.UserSelectedMenuBorderColour);
    c.checkFillSelected = c.checkFill = translate(props.UserCheckBackColour);
    c.checkBorder = translate(props.UserCheckBorderColour);
    return c;
}

} // namespace menus
