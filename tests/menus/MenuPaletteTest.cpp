#include "MenuMetrics.h"
#include "MenuPalette.h"

#include <gtest/gtest.h>

namespace menus {
namespace {

constexpr Rgb Grey(uint32_t v) {
    return v | v << 8 | v << 16;
}

struct BlendCase {
    Rgb a, b;
    int32_t w;
    Rgb expected;
};

class BlendRounding : public ::testing::TestWithParam<BlendCase> {};

TEST_P(BlendRounding, RoundsEachChannelToNearest) {
    const BlendCase& c = GetParam();
    EXPECT_EQ(Blend(c.a, c.b, c.w), c.expected) << std::hex << c.a << " " << c.b << " " << std::dec << c.w;
}

INSTANTIATE_TEST_SUITE_P(Cases, BlendRounding,
                         ::testing::Values(BlendCase{Grey(1), 0, 128, Grey(1)}, // 0.502 rounds up
                                           BlendCase{Grey(1), 0, 127, 0},       // 0.498 rounds down
                                           BlendCase{Grey(3), 0, 170, Grey(2)}, // exactly 2
                                           BlendCase{0x0000FF, 0x00FF00, 128, 0x007F80},
                                           BlendCase{Grey(200), Grey(100), 70, Grey(127)}, // 127.45
                                           BlendCase{0x123456, 0xABCDEF, 255, 0x123456},
                                           BlendCase{0x123456, 0xABCDEF, 0, 0xABCDEF},
                                           // Stray high bytes never reach the result.
                                           BlendCase{0xFF0000FF, 0xFF0000FF, 128, 0x0000FF},
                                           // Weights outside 0…255 are clamped.
                                           BlendCase{Grey(10), Grey(20), 300, Grey(10)},
                                           BlendCase{Grey(10), Grey(20), -5, Grey(20)}));

TEST(Luminance, WeighsRedGreenBlueAndTruncates) {
    EXPECT_EQ(Luminance(0x0000FF), 76);
    EXPECT_EQ(Luminance(0x00FF00), 150);
    EXPECT_EQ(Luminance(0xFF0000), 29);
    EXPECT_EQ(Luminance(0xFFFFFF), 255);
    EXPECT_EQ(Luminance(0x1E140A), 18); // 4630 / 255 = 18.16
}

// Every system colour distinct, so a slot taken from the wrong one shows.
SystemColors DistinctColours() {
    SystemColors s;
    s.highlight = 0x0078D7;
    s.highlightText = 0x111111;
    s.window = 0xFFFFFF;
    s.windowText = 0x222222;
    s.menu = 0xF0F0F1;
    s.menuBar = 0xF0F0F2;
    s.menuText = 0x333333;
    s.btnFace = 0xF0F0F0;
    s.btnShadow = 0xA0A0A0;
    s.btnText = 0x444444;
    s.grayText = 0x6D6D6D;
    return s;
}

TEST(MenuPalette, NormalDisplayBlendsTheSystemColours) {
    const SystemColors s = DistinctColours();
    const MenuPalette p = MakePalette(s, DisplayTraits{32, false, false});
    const Rgb fill = Blend(s.highlight, s.window, 70);
    const Rgb side = Blend(s.btnFace, s.window, 214);
    EXPECT_EQ(p.selectionBorder, s.highlight);
    EXPECT_EQ(p.selectionFill, fill);
    EXPECT_EQ(p.selectionText, s.menuText);
    EXPECT_EQ(p.checkFillSelected, Blend(Blend(s.highlight, fill, 128), fill, 128));
    EXPECT_EQ(p.checkFill, Blend(s.window, fill, 128));
    EXPECT_EQ(p.menuBorder, s.btnShadow);
    EXPECT_EQ(p.sideBar, side);
    EXPECT_EQ(p.itemText, s.windowText);
    EXPECT_EQ(p.checkMark, s.menuText);
    EXPECT_EQ(p.disabledBorder, s.btnShadow);
    EXPECT_EQ(p.disabledFill, Blend(side, s.window, 128));
    EXPECT_EQ(p.disabledText, s.grayText);
    EXPECT_EQ(p.menuBarBack, s.menu);
    EXPECT_EQ(p.itemBack, s.window);
    EXPECT_EQ(MakePalette(s, DisplayTraits{32, false, true}).menuBarBack, s.menuBar);
    // A known value: the selection fill of the classic blue highlight on white.
    EXPECT_EQ(Blend(0xD77800, 0xFFFFFF, 70), 0xF4DAB9u);
}

TEST(MenuPalette, HighContrastTakesPlainHighlightColours) {
    const SystemColors s = DistinctColours();
    const DisplayTraits hc{32, true, false};
    ASSERT_TRUE(hc.PlainColors());
    const MenuPalette p = MakePalette(s, hc);
    EXPECT_EQ(p.selectionBorder, s.btnText);
    EXPECT_EQ(p.selectionFill, s.highlight);
    EXPECT_EQ(p.selectionText, s.highlightText);
    EXPECT_EQ(p.checkFillSelected, s.highlight);
    EXPECT_EQ(p.checkFill, s.highlight);
    EXPECT_EQ(p.menuBorder, s.btnText);
    EXPECT_EQ(p.sideBar, s.btnFace);
    EXPECT_EQ(p.itemText, s.menuText);
    EXPECT_EQ(p.checkMark, s.highlightText);
    EXPECT_EQ(p.disabledBorder, s.btnText);
    EXPECT_EQ(p.disabledFill, s.highlight);
    EXPECT_EQ(p.disabledText, s.grayText);
    EXPECT_EQ(p.itemBack, s.window);
}

TEST(MenuPalette, AtMostEightBitsWithoutHighContrastUsesWindowColours) {
    const SystemColors s = DistinctColours();
    EXPECT_FALSE((DisplayTraits{16, false, false}.PlainColors()));
    const MenuPalette p = MakePalette(s, DisplayTraits{8, false, false});
    EXPECT_EQ(p.selectionFill, s.window);
    EXPECT_EQ(p.selectionText, s.windowText);
    EXPECT_EQ(p.checkFillSelected, s.window);
    EXPECT_EQ(p.disabledFill, s.window);
    EXPECT_EQ(p.sideBar, s.btnFace);
    EXPECT_EQ(p.checkMark, s.windowText);
}

TEST(MenuPalette, HighContrastSchemeNamesAreRecognisedByTheirBeginning) {
    EXPECT_TRUE(IsHighContrastScheme(L"High Contrast Black"));
    EXPECT_TRUE(IsHighContrastScheme(L"High Contrast"));
    EXPECT_FALSE(IsHighContrastScheme(L"High Contras"));
    EXPECT_FALSE(IsHighContrastScheme(L"high contrast black"));
    EXPECT_FALSE(IsHighContrastScheme(L"Windows Standard"));
    EXPECT_FALSE(IsHighContrastScheme(L""));
}

TEST(MenuMetrics, ItemHeightFollowsTheLargerOfTextAndPicture) {
    // An 8-point font is 13 pixels high at 96 DPI.
    const MenuMetrics big = ComputeMetrics(13, 24);
    EXPECT_EQ(big.barItemHeight, 20);
    EXPECT_EQ(big.itemHeight, 31);
    EXPECT_EQ(big.SideBarWidth(), 34);
    const MenuMetrics small = ComputeMetrics(13, 4);
    EXPECT_EQ(small.itemHeight, 20);
}

TEST(MenuMetrics, MeasuresBarItemsPopupItemsAndSeparators) {
    const MenuMetrics m = ComputeMetrics(13, 16); // item height 23
    EXPECT_EQ(MeasureItem(m, 40, true, false), (ItemSize{42, 23}));
    EXPECT_EQ(MeasureItem(m, 40, false, false), (ItemSize{40 + 46 + 8, 23}));
    EXPECT_EQ(MeasureItem(m, 0, false, true).height, 2);
    EXPECT_EQ(MeasureItem(ComputeMetrics(40, 16), 0, false, true).height, 2);
}

} // namespace
} // namespace menus
