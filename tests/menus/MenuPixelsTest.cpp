#include "menus/MenuColours.h"
#include "menus/MenuPixels.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

constexpr Rgb Grey(uint32_t v) {
    return v | v << 8 | v << 16;
}

TEST(Shadow, WeightsAndTheirFadeAtBothEndsOfAStrip) {
    EXPECT_EQ(ShadowWeight(0), 64);
    EXPECT_EQ(ShadowWeight(1), 43);
    EXPECT_EQ(ShadowWeight(2), 21);
    // A strip of 12: fifths of 64 over four pixels at each end, the whole weight between.
    std::vector<int32_t> got;
    for (int32_t pos = 0; pos < 12; ++pos)
        got.push_back(FadedWeight(64, pos, 12));
    EXPECT_EQ(got, (std::vector<int32_t>{13, 26, 38, 51, 64, 64, 64, 64, 51, 38, 26, 13}));
    // A strip too short to reach the full weight peaks in its middle.
    EXPECT_EQ(FadedWeight(43, 0, 3), 9);
    EXPECT_EQ(FadedWeight(43, 1, 3), 17);
    EXPECT_EQ(FadedWeight(43, 3, 3), 0);
}

TEST(Shadow, ARunDarkensOnlyItsPixelsAndFadesOverItsWholeLength) {
    // The grid holds rows 10…13 of columns 5…7; the run goes down column 6 from row 2 to row 14, so the
    // grid sees its last four pixels, fading.
    PixelGrid grid(5, 10, 3, 4, Grey(200));
    DarkenRun(grid, {.vertical = true, .at = 6, .from = 2, .to = 14, .weight = 64, .fade = true});
    EXPECT_EQ(grid.At(6, 10), Blend(0, Grey(200), 51));
    EXPECT_EQ(grid.At(6, 11), Blend(0, Grey(200), 38));
    EXPECT_EQ(grid.At(6, 12), Blend(0, Grey(200), 26));
    EXPECT_EQ(grid.At(6, 13), Blend(0, Grey(200), 13));
    EXPECT_EQ(Blend(0, Grey(200), 64), Grey(150)); // 200 × 191 / 255 = 149.8
    for (int32_t y = 10; y < 14; ++y) {
        EXPECT_EQ(grid.At(5, y), Grey(200));
        EXPECT_EQ(grid.At(7, y), Grey(200));
    }
    // A row without fade: every pixel the same.
    PixelGrid row(0, 0, 4, 1, 0x4080C0);
    DarkenRun(row, {.vertical = false, .at = 0, .from = 0, .to = 4, .weight = 21});
    EXPECT_EQ(row.px, std::vector<Rgb>(4, Blend(0, 0x4080C0, 21)));
}

TEST(PictureEffects, TintAndSilhouetteLeaveTheTransparentColourAlone) {
    const Rgb side = Grey(0xE0), shadow = Grey(0x80);
    PixelGrid tint(0, 0, 3, 1);
    tint.px = {kMagenta, 0x0000FF, Grey(0x10)};
    TintTowardsSideBar(tint, side);
    EXPECT_EQ(tint.px, (std::vector<Rgb>{kMagenta, Blend(side, 0x0000FF, 70), Blend(side, Grey(0x10), 70)}));

    // Darker than the side bar (luminance 224): the shadow colour; as light or lighter: transparent.
    PixelGrid dis(0, 0, 4, 1);
    dis.px = {kMagenta, Grey(0xDF), Grey(0xE0), 0x0000FF};
    DisabledSilhouette(dis, side, shadow);
    EXPECT_EQ(dis.px, (std::vector<Rgb>{kMagenta, shadow, kMagenta, shadow}));
}

TEST(PictureEffects, HoverShadowFallsTwoDownAndRightOfThePictureOnly) {
    const Rgb fill = 0xF4DAB9, shadow = Grey(0x80), shade = Blend(fill, shadow, 70);
    // A 2 × 1 picture at the top left of a 7 × 7 image.
    PixelGrid img(0, 0, 7, 7, kMagenta);
    img.At(0, 0) = img.At(1, 0) = 0x112233;
    HoverShadow(img, fill, shadow);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 7; ++x) {
            const bool picture = y == 0 && x < 2;
            const bool cast = y == 2 && (x == 2 || x == 3);
            EXPECT_EQ(img.At(x, y), picture ? 0x112233 : cast ? shade : kMagenta) << x << "," << y;
        }
}

TEST(MenuColours, StyleTwoTakesTheUserColourOfEachRoleThatHasOne) {
    const MenuPalette p{.selectionBorder = 1,
                        .selectionFill = 2,
                        .selectionText = 3,
                        .checkFillSelected = 4,
                        .checkFill = 5,
                        .menuBorder = 6,
                        .sideBar = 7,
                        .itemText = 8,
                        .checkMark = 9,
                        .disabledBorder = 10,
                        .disabledFill = 11,
                        .disabledText = 12,
                        .menuBarBack = 13,
                        .itemBack = 14};
    MenuProperties props;
    props.UserSideBarColour = 101;
    props.UserTopMenuBackColour = 102;
    props.UserTopMenuSelectedColour = 103;
    props.UserTopMenuHotColour = 104;
    props.UserTopMenuHotBorderColour = 105;
    props.UserMenuBorderColour = 106;
    props.UserCheckBackColour = 107;
    props.UserCheckBorderColour = 108;
    props.UserGradientOne = 109;
    props.UserGradientTwo = 110;
    props.UserSelectedItemForeColour = 111;
    props.UserSelectedMenuBackColour = 112;
    props.UserSelectedMenuBorderColour = 113;
    props.UserUseGradient = true;
    props.UserUseTopMenuGradient = true;
    const auto plus1000 = [](uint32_t ole) { return ole + 1000; };

    const MenuColours one = ResolveColours(p, 99, props, plus1000);
    EXPECT_EQ(one, (MenuColours{.barBack = 13,
                                .barOpenFill = 7,
                                .barOpenBorder = 6,
                                .barHotFill = 2,
                                .barHotBorder = 1,
                                .sideBar = 7,
                                .itemBack = 14,
                                .menuBorder = 6,
                                .selectionText = 3,
                                .selectionFill = 2,
                                .selectionBorder = 1,
                                .disabledText = 12,
                                .disabledFill = 11,
                                .disabledBorder = 10,
                                .checkFillSelected = 4,
                                .checkFill = 5,
                                .checkBorder = 1,
                                .checkMark = 9,
                                .btnShadow = 99}));

    props.DrawStyle = 2;
    const MenuColours two = ResolveColours(p, 99, props, plus1000);
    EXPECT_EQ(two, (MenuColours{.barBack = 1102,
                                .barOpenFill = 1103,
                                .barOpenBorder = 1106,
                                .barHotFill = 1104,
                                .barHotBorder = 1105,
                                .barGradient = true,
                                .sideBarGradient = true,
                                .gradientOne = 1109,
                                .gradientTwo = 1110,
                                .sideBar = 1101,
                                .itemBack = 14,
                                .menuBorder = 1106,
                                .selectionText = 1111,
                                .selectionFill = 1112,
                                .selectionBorder = 1113,
                                .disabledText = 12,
                                .disabledFill = 11,
                                .disabledBorder = 10,
                                .checkFillSelected = 1107,
                                .checkFill = 1107,
                                .checkBorder = 1108,
                                .checkMark = 9,
                                .btnShadow = 99}));
}

} // namespace
} // namespace menus
