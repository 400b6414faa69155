#include "menus/MenuProperties.h"

#include "runtime/Checked.h"
#include "runtime/RtError.h"

#include <string_view>
#include <variant>

namespace menus {

namespace {

const MenuProperties kDefaults{};

std::wstring Numbered(std::wstring_view prefix, size_t n) {
    const std::string digits = std::to_string(n);
    return std::wstring(prefix) + std::wstring(digits.begin(), digits.end());
}

// Colours are stored as colours; a plain number is taken as one too.
uint32_t ReadColour(const rt::PropertyBag& bag, std::wstring_view key, uint32_t def) {
    const rt::PropValue v = bag.Read(key, rt::OleColor{def});
    if (const auto* c = std::get_if<rt::OleColor>(&v)) return c->value;
    return static_cast<uint32_t>(bag.ReadInt32(key, 0));
}

void WriteColour(rt::PropertyBag& bag, std::wstring_view key, uint32_t value, uint32_t def) {
    bag.WriteColor(key, rt::OleColor{value}, rt::OleColor{def});
}

template <class F> void Each(F&& fn) {
    rt::Trap(std::forward<F>(fn));
}

struct UserColour {
    const wchar_t* key;
    uint32_t MenuProperties::*field;
};

// In the order they are read and written.
constexpr UserColour kUserColours[] = {
    {L"UserSideBarColour", &MenuProperties::UserSideBarColour},
    {L"UserTopMenuBackColour", &MenuProperties::UserTopMenuBackColour},
    {L"UserTopMenuSelectedColour", &MenuProperties::UserTopMenuSelectedColour},
    {L"UserTopMenuHotColour", &MenuProperties::UserTopMenuHotColour},
    {L"UserTopMenuHotBorderColour", &MenuProperties::UserTopMenuHotBorderColour},
    {L"UserMenuBorderColour", &MenuProperties::UserMenuBorderColour},
    {L"UserCheckBackColour", &MenuProperties::UserCheckBackColour},
    {L"UserCheckBorderColour", &MenuProperties::UserCheckBorderColour},
    {L"UserGradientOne", &MenuProperties::UserGradientOne},
    {L"UserGradientTwo", &MenuProperties::UserGradientTwo},
    {L"UserSelectedItemForeColour", &MenuProperties::UserSelectedItemForeColour},
    {L"UserSelectedMenuBackColour", &MenuProperties::UserSelectedMenuBackColour},
    {L"UserSelectedMenuBorderColour", &MenuProperties::UserSelectedMenuBorderColour},
};

} // namespace

void ReadFirstGroup(const rt::PropertyBag& bag, MenuProperties& p, std::vector<StoredPicture>& pictures) {
    const MenuProperties& d = kDefaults;
    Each([&] { p.SelectDisabled = bag.ReadBool(L"SelectDisabled", d.SelectDisabled); });
    Each([&] { p.BitmapSize = bag.ReadInt32(L"BitmapSize", d.BitmapSize); });
    Each([&] {
        const int16_t count = bag.ReadInt16(L"BmpCount", 0);
        for (int16_t n = 1; n <= count; ++n) {
            Each([&] {
                StoredPicture s;
                s.picture = bag.ReadPicture(Numbered(L"Bmp:", n), {});
                s.mask = ReadColour(bag, Numbered(L"Mask:", n), 0);
                s.key = bag.ReadText(Numbered(L"Key:", n), Numbered(L"#", n));
                if (!s.picture.name.empty()) pictures.push_back(std::move(s));
            });
        }
    });
    Each([&] { p.UseSystemFont = bag.ReadBool(L"UseSystemFont", d.UseSystemFont); });
    Each([&] { p.Font = bag.ReadFont(L"Font", d.Font); });
    Each([&] { p.DrawStyle = bag.ReadInt32(L"DrawStyle", d.DrawStyle); });
    Each([&] { p.MenuDrawStyle = bag.ReadInt32(L"MenuDrawStyle", d.MenuDrawStyle); });
    Each([&] { p.DisplayShadow = bag.ReadBool(L"DisplayShadow", d.DisplayShadow); });
    Each([&] { p.AutoColumn = bag.ReadInt16(L"AutoColumn", d.AutoColumn); });
}

void ReadUserGroup(const rt::PropertyBag& bag, MenuProperties& p) {
    // Read into a copy so that a failure leaves the whole group as it was.
    MenuProperties q = p;
    for (const UserColour& c : kUserColours)
        q.*c.field = ReadColour(bag, c.key, 0);
    q.UserUseGradient = bag.ReadBool(L"UserUseGradient", false);
    q.UserUseTopMenuGradient = bag.ReadBool(L"UserUseTopMenuGradient", false);
    q.RightToLeft = bag.ReadBool(L"RightToLeft", false);
    p = q;
}

void WriteProperties(rt::PropertyBag& bag, const MenuProperties& p,
                     const std::vector<StoredPicture>& pictures) {
    const MenuProperties& d = kDefaults;
    bag.WriteBool(L"SelectDisabled", p.SelectDisabled, d.SelectDisabled);
    bag.WriteInt32(L"BitmapSize", p.BitmapSize, d.BitmapSize);
    bag.WriteInt16(L"BmpCount", rt::Narrow<int16_t>(pictures.size()), 0);
    for (size_t n = 1; n <= pictures.size(); ++n) {
        const StoredPicture& s = pictures[n - 1];
        bag.WritePicture(Numbered(L"Bmp:", n), s.picture, {});
        WriteColour(bag, Numbered(L"Mask:", n), s.mask, 0);
        bag.WriteText(Numbered(L"Key:", n), s.key, Numbered(L"#", n));
    }
    bag.WriteBool(L"UseSystemFont", p.UseSystemFont, d.UseSystemFont);
    bag.WriteFont(L"Font", p.Font, d.Font);
    bag.WriteInt32(L"DrawStyle", p.DrawStyle, d.DrawStyle);
    bag.WriteInt32(L"MenuDrawStyle", p.MenuDrawStyle, d.MenuDrawStyle);
    bag.WriteBool(L"DisplayShadow", p.DisplayShadow, d.DisplayShadow);
    bag.WriteInt16(L"AutoColumn", p.AutoColumn, d.AutoColumn);
    for (const UserColour& c : kUserColours)
        WriteColour(bag, c.key, p.*c.field, 0);
    bag.WriteBool(L"UserUseGradient", p.UserUseGradient, false);
    bag.WriteBool(L"UserUseTopMenuGradient", p.UserUseTopMenuGradient, false);
    bag.WriteBool(L"RightToLeft", p.RightToLeft, false);
}

} // namespace menus
