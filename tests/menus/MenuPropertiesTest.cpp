#include "menus/MenuProperties.h"
#include "tests/support/SwallowedErrors.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

const MenuProperties kChanged{.SelectDisabled = false,
                              .BitmapSize = 24,
                              .UseSystemFont = false,
                              .Font = rt::FontRef{L"宋体", 105000, 700, 134, true, false, false},
                              .DrawStyle = 2,
                              .MenuDrawStyle = 2,
                              .DisplayShadow = false,
                              .AutoColumn = 3,
                              .RightToLeft = true,
                              .UserSideBarColour = 0x8000000F,
                              .UserTopMenuBackColour = 1,
                              .UserTopMenuSelectedColour = 2,
                              .UserTopMenuHotColour = 3,
                              .UserTopMenuHotBorderColour = 4,
                              .UserMenuBorderColour = 5,
                              .UserCheckBackColour = 6,
                              .UserCheckBorderColour = 7,
                              .UserGradientOne = 8,
                              .UserGradientTwo = 9,
                              .UserUseGradient = true,
                              .UserUseTopMenuGradient = true,
                              .UserSelectedItemForeColour = 10,
                              .UserSelectedMenuBackColour = 11,
                              .UserSelectedMenuBorderColour = 12};

MenuProperties ReadAll(const rt::PropertyBag& bag, std::vector<StoredPicture>& pictures) {
    MenuProperties p;
    ReadFirstGroup(bag, p, pictures);
    ReadUserGroup(bag, p);
    return p;
}

TEST(MenuProperties, EveryPropertyAndPictureSurvivesTheBagAndItsText) {
    const std::vector<StoredPicture> pictures{{{L"MENU_OPEN"}, 0xFF00FF, L"#mnuOpen"},
                                              {{L"MENU_SAVE"}, 0, L"#mnuFile:2"}};
    rt::PropertyBag bag;
    WriteProperties(bag, kChanged, pictures);
    const auto back = rt::PropertyBag::FromText(bag.ToText());
    ASSERT_TRUE(back);
    std::vector<StoredPicture> read;
    EXPECT_EQ(ReadAll(*back, read), kChanged);
    EXPECT_EQ(read, pictures);
    EXPECT_EQ(back->ReadText(L"Key:2", L""), L"#mnuFile:2");
    // Defaults write nothing, and an empty bag reads them.
    rt::PropertyBag empty;
    WriteProperties(empty, MenuProperties{}, {});
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(ReadAll(empty, read), MenuProperties{});
}

TEST(MenuProperties, AMissingUserColourLoadsBlackWhateverItWasBefore) {
    const auto bag = rt::PropertyBag::FromText("UserGradientOne = color &H00000008&\n");
    ASSERT_TRUE(bag);
    MenuProperties p = kChanged;
    ReadUserGroup(*bag, p);
    EXPECT_EQ(p.UserGradientOne, 8u);
    EXPECT_EQ(p.UserGradientTwo, 0u);
    EXPECT_FALSE(p.UserUseGradient);
    EXPECT_FALSE(p.RightToLeft);
}

TEST(MenuProperties, ABadFirstGroupEntryIsSkippedButABadUserEntryStopsItsGroup) {
    testsupport::ExpectSwallowed(rt::Swallowed::RtError);
    const auto bag = rt::PropertyBag::FromText("SelectDisabled = bool False\n"
                                               "BitmapSize = text \"big\"\n"
                                               "BmpCount = i16 3\n"
                                               "Bmp:1 = picture \"A\"\n"
                                               "Bmp:2 = text \"not a picture\"\n"
                                               "Bmp:3 = picture \"C\"\n"
                                               "Mask:3 = i32 255\n"
                                               "Font = i32 5\n"
                                               "AutoColumn = i32 40000\n"
                                               "DrawStyle = i32 2\n"
                                               "UserSideBarColour = color &H00123456&\n"
                                               "UserGradientOne = text \"red\"\n"
                                               "RightToLeft = bool True\n");
    ASSERT_TRUE(bag);
    std::vector<StoredPicture> pictures;
    MenuProperties p;
    ReadFirstGroup(*bag, p, pictures);
    EXPECT_FALSE(p.SelectDisabled);
    EXPECT_EQ(p.BitmapSize, 16);
    EXPECT_EQ(p.Font, MenuProperties{}.Font);
    EXPECT_EQ(p.AutoColumn, 0); // too wide for 16 bits
    EXPECT_EQ(p.DrawStyle, 2);
    EXPECT_EQ(pictures, (std::vector<StoredPicture>{{{L"A"}, 0, L"#1"}, {{L"C"}, 255, L"#3"}}));
    EXPECT_ANY_THROW(ReadUserGroup(*bag, p));
    EXPECT_EQ(p.UserSideBarColour, 0u);
    EXPECT_FALSE(p.RightToLeft);
}

} // namespace
} // namespace menus
