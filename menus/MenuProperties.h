#pragma once
// The menu control's persisted properties and how they are read from and written to its property bag.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/PropertyBag.h"

namespace menus {

struct MenuProperties {
    bool SelectDisabled = true;
    int32_t BitmapSize = 16;
    bool UseSystemFont = true;
    rt::FontRef Font{.name = L"Tahoma", .sizeTenThousandths = 80000};
    int32_t DrawStyle = 1;
    int32_t MenuDrawStyle = 1;
    bool DisplayShadow = true;
    int16_t AutoColumn = 0;
    bool RightToLeft = false;

    // Colours of DrawStyle 2 (OLE colours).
    uint32_t UserSideBarColour = 0;
    uint32_t UserTopMenuBackColour = 0;
    uint32_t UserTopMenuSelectedColour = 0;
    uint32_t UserTopMenuHotColour = 0;
    uint32_t UserTopMenuHotBorderColour = 0;
    uint32_t UserMenuBorderColour = 0;
    uint32_t UserCheckBackColour = 0;
    uint32_t UserCheckBorderColour = 0;
    uint32_t UserGradientOne = 0;
    uint32_t UserGradientTwo = 0;
    bool UserUseGradient = false;
    bool UserUseTopMenuGradient = false;
    uint32_t UserSelectedItemForeColour = 0;
    uint32_t UserSelectedMenuBackColour = 0;
    uint32_t UserSelectedMenuBorderColour = 0;

    friend bool operator==(const MenuProperties&, const MenuProperties&) = default;
};

// An item picture as stored: "Bmp:n", "Mask:n" and "Key:n".
struct StoredPicture {
    rt::PictureRef picture;
    uint32_t mask = 0;
    // "#" followed by the menu control's key.
    std::wstring key;
    friend bool operator==(const StoredPicture&, const StoredPicture&) = default;
};

// SelectDisabled, BitmapSize, the pictures, UseSystemFont, Font, DrawStyle, MenuDrawStyle,
// DisplayShadow, AutoColumn. Each value that cannot be read is skipped and keeps what it had; a
// missing key gives the property's default. Entries without a picture are left out.
void ReadFirstGroup(const rt::PropertyBag& bag, MenuProperties& p, std::vector<StoredPicture>& pictures);
// The colours and gradient flags whose names begin with "User", then RightToLeft. A missing key loads
// 0 (False); a value that cannot be read raises and leaves the whole group as it was.
void ReadUserGroup(const rt::PropertyBag& bag, MenuProperties& p);
// Every key with the defaults a read uses, so what is written reads back the same.
void WriteProperties(rt::PropertyBag& bag, const MenuProperties& p,
                     const std::vector<StoredPicture>& pictures);

} // namespace menus
