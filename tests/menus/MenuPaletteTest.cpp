#include "menus/MenuMetrics.h"
#include "menus/MenuPalette.h"

#include <gtest/gtest.h>

namespace menus {
// Named: the Windows tree builds each test program as one unit, beside the pixel tests' own Grey.
namespace palette_test {

constexpr Rgb Grey(uint32_t v) {
    return v | v << 8 | v << 16;
}

TEST(Blend, RoundsEachChannelToNearestAndClampsTheWeight) {
    struct Case {
        Rgb a, b;
        int32_t w;
        Rgb expected;
    };
    const Case cases[] = {
        {Grey(1), 0, 128, Grey(1)},
        {Grey(1), 0, 127, 0},                    // 0.502 and 0.498
        {Grey(3), 0, 170, Grey(2)},              // exactly 2
        {Grey(200), Grey(100), 70, Grey(127)},   // 127.45
        {0x0000FF, 0x00FF00, 128, 0x007F80},     // channels apart
        {0xD77800, 0xFFFFFF, 70, 0xF4DAB9},      // the classic highlight on white
        {0xFF0000FF, 0xFF0000FF, 128, 0x0000FF}, // stray high bytes are dropped
        {Grey(10), Grey(20), 300, Grey(10)},
        {Grey(10), Grey(20), -5, Grey(20)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Blend(c.a, c.b, c.w), c.expected)
            << std::hex << c.a << " " << c.b << " " << std::dec << c.w;
}

TEST(Luminance, WeighsRedGreenBlueAndTruncates) {
    EXPECT_EQ(Luminance(0x0000FF), 76);
    EXPECT_EQ(Luminance(0x00FF00), 150);
    EXPECT_EQ(Luminance(0xFF0000), 29);
    EXPECT_EQ(Luminance(0xFFFFFF), 255);
    EXPECT_EQ(Luminance(0x1E140A), 18); // 4630 / 255 = 18.16
}

// Every system colour distinct, so a slot taken from the wrong one shows.
const SystemColors s{.highlight = 0x0078D7,
                     .highlightText = 0x111111,
                     .window = 0xFFFFFF,
                     .windowText = 0x222222,
                     .menu = 0xF0F0F1,
                     .menuBar = 0xF0F0F2,
                     .menuText = 0x333333,
                     .btnFace = 0xF0F0F0,
                     .btnShadow = 0xA0A0A0,
                     .btnText = 0x444444,
                     .grayText = 0x6D6D6D};

TEST(MenuPalette, NormalDisplayBlendsTheSystemColours) {
    // Worked by hand from the blends: the selection fill is highlight 70 over window, (215·70 + 255·185) /
    // 255 = 244.02 for red; the side bar button face 214 over window, (240·214 + 255·41) / 255 = 242.41.
    const MenuPalette expected{.selectionBorder = s.highlight,
                               .selectionFill = 0xB9DAF4,
                               .selectionText = s.menuText,
                               .checkFillSelected = 0x8AC1EC,
                               .checkFill = 0xDCEDFA,
                               .menuBorder = s.btnShadow,
                               .sideBar = 0xF2F2F2,
                               .itemText = s.windowText,
                               .checkMark = s.menuText,
                               .disabledBorder = s.btnShadow,
                               .disabledFill = 0xF8F8F8,
                               .disabledText = s.grayText,
                               .menuBarBack = s.menu,
                               .itemBack = s.window};
    EXPECT_EQ(MakePalette(s, DisplayTraits{32, false, false}), expected);
    EXPECT_EQ(MakePalette(s, DisplayTraits{32, false, true}).menuBarBack, s.menuBar);
}

TEST(MenuPalette, HighContrastAndFewColoursTakePlainSystemColours) {
    const DisplayTraits highContrast{32, true, false}, fewColours{8, false, false};
    ASSERT_TRUE(highContrast.PlainColors() && fewColours.PlainColors());
    EXPECT_FALSE((DisplayTraits{16, false, false}.PlainColors()));
    const auto plain = [](Rgb fill, Rgb text) {
        return MenuPalette{.selectionBorder = s.btnText,
                           .selectionFill = fill,
                           .selectionText = text,
                           .checkFillSelected = fill,
                           .checkFill = fill,
                           .menuBorder = s.btnText,
                           .sideBar = s.btnFace,
                           .itemText = s.menuText,
                           .checkMark = text,
                           .disabledBorder = s.btnText,
                           .disabledFill = fill,
                           .disabledText = s.grayText,
                           .menuBarBack = s.menu,
                           .itemBack = s.window};
    };
    EXPECT_EQ(MakePalette(s, highContrast), plain(s.highlight, s.highlightText));
    EXPECT_EQ(MakePalette(s, fewColours), plain(s.window, s.windowText));
}

TEST(MenuPalette, HighContrastSchemeNamesAreRecognisedByTheirBeginning) {
    EXPECT_TRUE(IsHighContrastScheme(L"High Contrast Black"));
    EXPECT_TRUE(IsHighContrastScheme(L"High Contrast"));
    EXPECT_FALSE(IsHighContrastScheme(L"High Contras"));
    EXPECT_FALSE(IsHighContrastScheme(L"high contrast black"));
}

TEST(MenuMetrics, ItemsTakeTheLargerOfTextAndPictureAndSeparatorsTwoPixels) {
    // An 8-point font is 13 pixels high at 96 DPI, 20 at 144 and 26 at 192; pictures of 24 design pixels.
    struct Row {
        int32_t dpi, text, bar, item, side, barWidth, popupWidth, separator;
    };
    for (const Row& r : {Row{96, 13, 20, 31, 34, 42, 40 + 62 + 8, 2}, Row{144, 20, 31, 47, 52, 43, 146, 3},
                         Row{192, 26, 40, 62, 68, 44, 180, 4}}) {
        const MenuMetrics m = ComputeMetrics(r.text, 24, r.dpi);
        EXPECT_EQ(m.barItemHeight, r.bar) << r.dpi;
        EXPECT_EQ(m.SideBarWidth(), r.side) << r.dpi;
        EXPECT_EQ(MeasureItem(m, 40, true, false), (ItemSize{r.barWidth, r.item})) << r.dpi;
        EXPECT_EQ(MeasureItem(m, 40, false, false), (ItemSize{r.popupWidth, r.item})) << r.dpi;
        EXPECT_EQ(MeasureItem(m, 0, false, true).height, r.separator) << r.dpi;
    }
    EXPECT_EQ(ComputeMetrics(13, 4).itemHeight, 20);
    EXPECT_EQ(MeasureItem(ComputeMetrics(40, 16), 0, false, true).height, 2);
}

} // namespace palette_test
} // namespace menus
