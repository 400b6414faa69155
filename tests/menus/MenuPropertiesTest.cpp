#include "MenuProperties.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

MenuProperties Changed() {
    MenuProperties p;
    p.SelectDisabled = false;
    p.BitmapSize = 24;
    p.UseSystemFont = false;
    p.Font = rt::FontRef{L"宋体", 105000, 700, 134, true, false, false};
    p.DrawStyle = 2;
    p.MenuDrawStyle = 2;
    p.DisplayShadow = false;
    p.AutoColumn = 3;
    p.RightToLeft = true;
    p.UserSideBarColour = 0x8000000F;
    p.UserTopMenuBackColour = 0x000001;
    p.UserTopMenuSelectedColour = 0x000002;
    p.UserTopMenuHotColour = 0x000003;
    p.UserTopMenuHotBorderColour = 0x000004;
    p.UserMenuBorderColour = 0x000005;
    p.UserCheckBackColour = 0x000006;
    p.UserCheckBorderColour = 0x000007;
    p.UserGradientOne = 0x000008;
    p.UserGradientTwo = 0x000009;
    p.UserUseGradient = true;
    p.UserUseTopMenuGradient = true;
    p.UserSelectedItemForeColour = 0x00000A;
    p.UserSelectedMenuBackColour = 0x00000B;
    p.UserSelectedMenuBorderColour = 0x00000C;
    return p;
}

MenuProperties ReadAll(const rt::PropertyBag& bag, std::vector<StoredPicture>* pictures = nullptr) {
    MenuProperties p;
    std::vector<StoredPicture> ignored;
    ReadFirstGroup(bag, p, pictures ? *pictures : ignored);
    ReadUserGroup(bag, p);
    return p;
}

TEST(MenuProperties, EveryPropertyAndPictureSurvivesTheBagAndItsText) {
    const std::vector<StoredPicture> pictures{{{L"MENU_OPEN"}, 0xFF00FF, L"#mnuOpen"},
                                              {{L"MENU_SAVE"}, 0, L"#mnuFile:2"}};
    rt::PropertyBag bag;
    WriteProperties(bag, Changed(), pictures);
    const auto back = rt::PropertyBag::FromText(bag.ToText());
    ASSERT_TRUE(back);
    std::vector<StoredPicture> read;
    EXPECT_EQ(ReadAll(*back, &read), Changed());
    EXPECT_EQ(read, pictures);
    EXPECT_EQ(back->ReadInt16(L"BmpCount", 0), 2);
    EXPECT_EQ(back->ReadText(L"Key:2", L""), L"#mnuFile:2");
}

TEST(MenuProperties, DefaultsWriteNothingAndAnEmptyBagReadsThem) {
    rt::PropertyBag bag;
    WriteProperties(bag, MenuProperties{}, {});
    EXPECT_EQ(bag.size(), 0u);
    EXPECT_EQ(ReadAll(bag), MenuProperties{});
}

TEST(MenuProperties, AMissingUserColourLoadsBlackWhateverItWasBefore) {
    rt::PropertyBag bag;
    WriteProperties(bag, Changed(), {});
    ASSERT_TRUE(bag.Contains(L"UserGradientTwo"));
    rt::PropertyBag without;
    for (const auto& [key, value] : bag.Entries())
        if (key != L"UserGradientTwo" && key != L"UserUseGradient")
            without.Write(key, value, rt::PropValue(false));
    MenuProperties p = Changed();
    ReadUserGroup(without, p);
    EXPECT_EQ(p.UserGradientTwo, 0u);
    EXPECT_FALSE(p.UserUseGradient);
    EXPECT_EQ(p.UserGradientOne, 0x000008u);
}

TEST(MenuProperties, ABadFirstGroupEntryIsSkippedAndTheRestIsRead) {
    const auto bag = rt::PropertyBag::FromText("SelectDisabled = bool False\n"
                                               "BitmapSize = text \"big\"\n"
                                               "BmpCount = i16 3\n"
                                               "Bmp:1 = picture \"A\"\n"
                                               "Bmp:2 = text \"not a picture\"\n"
                                               "Bmp:3 = picture \"C\"\n"
                                               "Mask:3 = i32 255\n"
                                               "Font = i32 5\n"
                                               "AutoColumn = i32 40000\n"
                                               "DrawStyle = i32 2\n");
    ASSERT_TRUE(bag);
    std::vector<StoredPicture> pictures;
    const MenuProperties p = ReadAll(*bag, &pictures);
    EXPECT_FALSE(p.SelectDisabled);
    EXPECT_EQ(p.BitmapSize, 16);
    EXPECT_EQ(p.Font, MenuProperties{}.Font);
    EXPECT_EQ(p.AutoColumn, 0); // too wide for 16 bits
    EXPECT_EQ(p.DrawStyle, 2);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0], (StoredPicture{{L"A"}, 0, L"#1"}));
    EXPECT_EQ(pictures[1], (StoredPicture{{L"C"}, 255, L"#3"}));
}

TEST(MenuProperties, ABadUserEntryLeavesTheWholeUserGroupAsItWas) {
    const auto bag = rt::PropertyBag::FromText("UserSideBarColour = color &H00123456&\n"
                                               "UserGradientOne = text \"red\"\n"
                                               "RightToLeft = bool True\n");
    ASSERT_TRUE(bag);
    MenuProperties p = Changed();
    p.RightToLeft = false;
    EXPECT_ANY_THROW(ReadUserGroup(*bag, p));
    EXPECT_EQ(p.UserSideBarColour, 0x8000000Fu);
    EXPECT_FALSE(p.RightToLeft);
}

} // namespace
} // namespace menus
