// Owner-drawn items read back pixel by pixel from WM_DRAWITEM into a memory DC: each part of a popup
// item and of a menu-bar item in the palette's colours, mirrored, with pictures and their MenuDrawStyle 2
// images, and the custom-draw events.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "drawing/SurfacePixels.h"
#include "menus/MenuPixels.h"
#include "tests/menus/MenuTestForm.h"
#include "tests/support/ImportSlot.h"
#include "tests/support/TestCanvas.h"

namespace menutest {
namespace {

using menus::Rgb;
using testsupport::TestCanvas;

// What the canvas holds before an item is drawn: the item's surface loads it and copies it back.
constexpr uint32_t kBehind = 0x102030;
constexpr Rgb kBehindRgb = 0x302010;

uint32_t Px(Rgb colour) {
    return drawing::PixelOf(colour);
}

UINT ItemId(HMENU menu, UINT pos) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_ID;
    ::GetMenuItemInfoW(menu, pos, TRUE, &mii);
    return mii.wID;
}

// A 16 × 16 bitmap: a magenta border two pixels wide around a square of `inner`, with one pixel of
// `spot` at its centre.
rt::Picture SquarePicture(uint32_t inner, uint32_t spot) {
    return rt::PictureObject::FromBitmap(testsupport::MakeDib(16, 16, [&](int x, int y) {
        if (x < 2 || y < 2 || x > 13 || y > 13) return 0xFFFF00FFu;
        return x == 8 && y == 8 ? spot : inner;
    }));
}

class ItemDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(form.Load());
        ctl().pvInitMenu(form.file, menus::ctxHookMenu::MenuKind::Popup);
        H = ctl().Metrics().itemHeight;
        B = ctl().BitmapSize();
    }
    menus::ctxHookMenu& ctl() { return form.ctxHookMenu1; }

    // Draws item `pos` of `menu` at (4, 5), `width` wide, into a new canvas, as the menu would ask.
    void Draw(HMENU menu, UINT pos, UINT itemState, int width = 220) {
        const bool separator = (ItemType(menu, pos) & MFT_SEPARATOR) != 0;
        const int height = menu == form.bar ? ctl().Metrics().barItemHeight : separator ? 2 : H;
        rc = {4, 5, 4 + width, 5 + height};
        canvas = std::make_unique<TestCanvas>(width + 20, height + 20, 0xFF000000 | kBehind);
        c = ctl().Colours();
        DRAWITEMSTRUCT dis{ODT_MENU,       0,         ItemId(menu, pos),
                           ODA_DRAWENTIRE, itemState, reinterpret_cast<HWND>(menu),
                           canvas->dc(),   rc,        ItemData(menu, pos)};
        ASSERT_EQ(::SendMessageW(form.hWnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)), 1);
    }
    uint32_t At(int x, int y) const { return testsupport::Rgb(canvas->At(x, y)); }
    // Pixels of the rectangle (right and bottom exclusive) that fail the test.
    int Count(const RECT& r, const std::function<bool(uint32_t)>& bad) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += bad(At(x, y));
        return n;
    }
    int Not(const RECT& r, Rgb colour) const {
        return Count(r, [&](uint32_t p) { return p != Px(colour); });
    }
    int Exactly(const RECT& r, Rgb colour) const {
        return Count(r, [&](uint32_t p) { return p == Px(colour); });
    }
    // The leftmost and rightmost columns in which a pixel differs from `back`.
    std::pair<int, int> InkColumns(const RECT& r, Rgb back) const {
        int first = INT_MAX, last = INT_MIN;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) != Px(back)) first = std::min(first, x), last = std::max(last, x);
        return {first, last};
    }
    // The gutter and the text rectangle of the item as drawn, mirrored or not.
    RECT Gutter(bool mirrored) const {
        return mirrored ? RECT{rc.right - H - 4, rc.top, rc.right - 1, rc.bottom}
                        : RECT{rc.left, rc.top, rc.left + H + 3, rc.bottom};
    }

    MenuForm form;
    int H = 0;
    int B = 0;
    RECT rc{};
    menus::MenuColours c;
    std::unique_ptr<TestCanvas> canvas;
};

// Left to right and mirrored, with pictures of 16 and of 24 pixels (items taller than the text).
class PopupItem : public ItemDrawing, public ::testing::WithParamInterface<std::tuple<bool, int>> {
  protected:
    void SetUp() override {
        ItemDrawing::SetUp();
        mirrored = std::get<0>(GetParam());
        ctl().SetRightToLeft(mirrored);
        ctl().SetBitmapSize(std::get<1>(GetParam()));
        H = ctl().Metrics().itemHeight;
        B = ctl().BitmapSize();
    }
    bool mirrored = false;
};

TEST_P(PopupItem, GutterRowTextAndAcceleratorTakeTheirColumns) {
    // 打开(&O)...\tCtrl+O, neither selected nor checked.
    Draw(form.file, 1, 0);
    const RECT gutter = Gutter(mirrored);
    EXPECT_EQ(Not(gutter, c.sideBar), 0);
    // The rest of the row but its last column, which keeps what was there; nothing outside the item.
    const RECT rest = mirrored ? RECT{rc.left, rc.top, gutter.left, rc.bottom}
                               : RECT{gutter.right, rc.top, rc.right - 1, rc.bottom};
    EXPECT_EQ(Count(rest, [&](uint32_t p) { return p == Px(c.sideBar) || p == kBehind; }), 0);
    EXPECT_EQ(Not({rc.right - 1, rc.top, rc.right + 3, rc.bottom + 1}, kBehindRgb), 0)
        << "the last column and what lies beyond the item are left as they were";
    EXPECT_EQ(Not({rc.left, rc.bottom, rc.right, rc.bottom + 1}, kBehindRgb), 0);

    // Text and accelerator in the item text colour, at the two ends of the text rectangle: the text
    // from H + 10 off the gutter's side, the accelerator up to H from the other side.
    EXPECT_GT(Exactly(rest, ctl().Palette().itemText), 0);
    const auto [first, last] = InkColumns(rest, c.itemBack);
    if (!mirrored) {
        EXPECT_GE(first, rc.left + H + 10);
        EXPECT_LE(first, rc.left + H + 12);
        EXPECT_LE(last, rc.right - H - 1);
        EXPECT_GE(last, rc.right - H - 3);
    } else {
        EXPECT_GE(first, rc.left + H);
        EXPECT_LE(first, rc.left + H + 2);
        EXPECT_LE(last, rc.right - H - 12);
        EXPECT_GE(last, rc.right - H - 14);
    }
}

TEST_P(PopupItem, ASeparatorIsOneLineInTheBorderColourBesideTheGutter) {
    Draw(form.file, 2, 0);
    const int y = (rc.top + rc.bottom) / 2 - 1;
    const RECT line =
        mirrored ? RECT{rc.left, y, rc.right - H - 11, y + 1} : RECT{rc.left + H + 10, y, rc.right, y + 1};
    EXPECT_EQ(Not(line, c.menuBorder), 0);
    EXPECT_EQ(Exactly({rc.left, rc.top, rc.right, rc.bottom}, c.menuBorder), line.right - line.left);
    EXPECT_EQ(Not(Gutter(mirrored), c.sideBar), 0);
}

TEST_P(PopupItem, ACheckedItemShowsItsBoxAndMarkInTheGutter) {
    for (const bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "not selected");
        Draw(form.file, 4, selected ? ODS_SELECTED : 0);
        const int bx = (mirrored ? rc.right - H - 4 : rc.left) + (H - B - 1) / 2;
        const int by = rc.top + (H - B - 5) / 2;
        const RECT box{bx, by, bx + B + 4, by + B + 4};
        // The outline in the selection border, 1 pixel wide all round.
        const RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
        EXPECT_EQ(Not(box, c.checkBorder) - (inside.right - inside.left) * (inside.bottom - inside.top), 0);
        // Inside: the mark's 14 pixels, everything else the fill of the state.
        const int cy = rc.top + H / 2;
        const int x0 = mirrored ? rc.right - H / 2 - 6 : rc.left + H / 2 - 2;
        int marks = 0;
        for (int y = inside.top; y < inside.bottom; ++y)
            for (int x = inside.left; x < inside.right; ++x) {
                const int i = x - x0;
                const bool mark = (i >= 0 && i <= 2 && (y == cy + i - 1 || y == cy + i)) ||
                                  (i >= 3 && i <= 6 && (y == cy - (i - 2) + 1 || y == cy - (i - 2) + 2));
                marks += mark;
                ASSERT_EQ(At(x, y), Px(mark       ? c.checkMark
                                       : selected ? c.checkFillSelected
                                                  : c.checkFill))
                    << x << "," << y;
            }
        EXPECT_EQ(marks, 14);
    }
}

TEST_P(PopupItem, TheSelectedItemGetsItsBoxAndTheSelectionTextAndRaisesHighlight) {
    Draw(form.file, 1, ODS_SELECTED);
    const RECT box{rc.left + 1, rc.top, rc.right - 2, rc.bottom - 1};
    const RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    EXPECT_EQ(Not(box, c.selectionBorder), (inside.right - inside.left) * (inside.bottom - inside.top));
    EXPECT_EQ(Count(inside, [&](uint32_t p) { return p == Px(c.selectionBorder); }), 0);
    EXPECT_GT(Exactly(inside, c.selectionText), 0);
    ASSERT_FALSE(form.highlights.empty());
    EXPECT_EQ(form.highlights.back(), L"打开(O)...");
}

TEST_P(PopupItem, AGrayedItemUnderThePointerGetsTheDisabledBoxOnlyWithSelectDisabled) {
    // 保存(&S)\tCtrl+S is grayed.
    Draw(form.file, 3, ODS_SELECTED);
    const RECT box{rc.left + 1, rc.top, rc.right - 2, rc.bottom - 1};
    EXPECT_EQ(At(box.left, box.top + 3), Px(c.disabledBorder));
    EXPECT_EQ(At(box.left + 3, box.top + 1), Px(c.disabledFill));
    EXPECT_GT(Exactly(box, c.disabledText), 0);
    EXPECT_EQ(Exactly(box, ctl().Palette().itemText), 0);

    ctl().SetSelectDisabled(false);
    Draw(form.file, 3, ODS_SELECTED);
    // The border colour may be the text's too: look where the box's edges would be.
    const RECT gutter = Gutter(mirrored);
    const auto back = [&](int x) { return x >= gutter.left && x < gutter.right ? c.sideBar : c.itemBack; };
    EXPECT_EQ(At(box.left, box.top + 3), Px(back(box.left)));
    EXPECT_EQ(At(box.right - 1, box.top + 3), Px(back(box.right - 1)));
    EXPECT_EQ(At(box.left + H + 5, box.top), Px(back(box.left + H + 5)));
    EXPECT_EQ(Exactly({rc.left, rc.top, rc.right, rc.bottom}, c.disabledFill), 0);
    EXPECT_GT(Exactly(box, c.disabledText), 0);
}

TEST_P(PopupItem, ASubmenuItemDrawsItsTriangleAndKeepsTheSystemsArrowOut) {
    Draw(form.file, 5, 0);
    const int cy = (rc.top + rc.bottom - 1) / 2;
    const int tip = mirrored ? rc.left + 2 * H / 3 - 4 : rc.right - H / 3 - 4;
    const int n = (ctl().Metrics().barItemHeight + 3) / 8;
    const int step = mirrored ? 1 : -1;
    for (int k = 0; k <= n; ++k)
        for (int y = cy - k - 1; y <= cy + k + 1; ++y)
            EXPECT_EQ(At(tip + step * k, y),
                      Px(y >= cy - k && y <= cy + k ? ctl().Palette().itemText : c.itemBack))
                << "column " << k << ", row " << y;
    EXPECT_EQ(At(tip - step, cy), Px(c.itemBack)) << "nothing beyond the tip";
    EXPECT_EQ(At(tip + step * (n + 1), cy), Px(c.itemBack)) << "nothing behind the last column";
    // The item's rectangle is out of the target's clipping from now on.
    rt::UniqueBrush red(::CreateSolidBrush(0x0000FF));
    ::FillRect(canvas->dc(), &rc, red.get());
    EXPECT_EQ(Exactly({rc.left, rc.top, rc.right, rc.bottom}, 0x0000FF), 0);
}

INSTANTIATE_TEST_SUITE_P(Layout, PopupItem, ::testing::Combine(::testing::Bool(), ::testing::Values(16, 24)),
                         [](const auto& info) {
                             return (std::get<0>(info.param) ? "Mirrored" : "LeftToRight") +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST_F(ItemDrawing, AutomaticColumnsDrawTheColumnLineAndCloseEachColumnsGutter) {
    ctl().SetAutoColumn(3);
    ctl().pvInitMenu(form.file, menus::ctxHookMenu::MenuKind::Popup);
    // 新建 打开 — 保存 | 自动换行 …: 保存 ends the first column, 打开 does not.
    Draw(form.file, 3, 0);
    EXPECT_EQ(Not({rc.right - 1, rc.top, rc.right, rc.bottom}, c.menuBorder), 0);
    EXPECT_EQ(Not({rc.left, rc.bottom - 1, rc.right - 1, rc.bottom}, c.itemBack), 0);
    Draw(form.file, 1, 0);
    EXPECT_EQ(Not({rc.right - 1, rc.top, rc.right, rc.bottom}, c.menuBorder), 0);
    EXPECT_EQ(Not({rc.left, rc.bottom - 1, rc.left + H + 3, rc.bottom}, c.sideBar), 0);
    // The last item of the menu closes its gutter too.
    Draw(form.file, 7, 0);
    EXPECT_EQ(Not({rc.left, rc.bottom - 1, rc.right - 1, rc.bottom}, c.itemBack), 0);
}

class ItemPictures : public ItemDrawing {
  protected:
    void SetUp() override {
        ItemDrawing::SetUp();
        ctl().SetMenuControls({{L"mnuNew", -1, L"新建(&N)"},
                               {L"mnuSave", -1, L"保存(&S)\tCtrl+S"},
                               {L"mnuWrap", -1, L"自动换行(&W)"}});
        for (const wchar_t* name : {L"mnuNew", L"mnuSave", L"mnuWrap"})
            ctl().SetBitmapByCaption(name, SquarePicture(kBlue, kSpot), 0xFF00FF);
    }
    // Top left of the picture image in the gutter; the picture lies `inset` inside it.
    POINT ImageAt() const { return {rc.left + (H - B - 1) / 2 + 1, rc.top + (H - B - 1) / 2 - 1}; }
    // The picture's own pixel (x, y) of 16 × 16 as drawn, with the image's inset.
    uint32_t Picture(int x, int y, int inset) const {
        return At(ImageAt().x + inset + x, ImageAt().y + inset + y);
    }

    static constexpr uint32_t kBlue = 0xFF3366CC; // as a DIB pixel
    static constexpr uint32_t kSpot = 0xFFFFFFFF;
    static constexpr Rgb kBlueRgb = 0xCC6633;
    static constexpr Rgb kSpotRgb = 0xFFFFFF;
};

TEST_F(ItemPictures, APictureSitsCentredInTheGutterWithMagentaTransparent) {
    Draw(form.file, 0, 0);
    EXPECT_EQ(Picture(2, 2, 1), Px(kBlueRgb));
    EXPECT_EQ(Picture(13, 13, 1), Px(kBlueRgb));
    EXPECT_EQ(Picture(8, 8, 1), Px(kSpotRgb));
    // Its magenta border shows the gutter, and no magenta is left anywhere.
    EXPECT_EQ(Picture(1, 1, 1), Px(c.sideBar));
    EXPECT_EQ(Picture(14, 14, 1), Px(c.sideBar));
    EXPECT_EQ(Exactly({rc.left, rc.top, rc.right, rc.bottom}, menus::kMagenta), 0);
    EXPECT_EQ(Exactly(Gutter(false), kBlueRgb), 12 * 12 - 1);
}

TEST_F(ItemPictures, ACheckedItemWithAPictureShowsThePictureOverItsBoxAndNoMark) {
    Draw(form.file, 4, 0);
    const int bx = rc.left + (H - B - 1) / 2, by = rc.top + (H - B - 5) / 2;
    EXPECT_EQ(At(bx, by + 2), Px(c.checkBorder));
    EXPECT_EQ(Picture(2, 2, 1), Px(kBlueRgb));
    EXPECT_EQ(Exactly(Gutter(false), c.checkMark), 0);
    EXPECT_EQ(Picture(1, 1, 1), Px(c.checkFill)) << "the box shows through the picture's magenta";
}

TEST_F(ItemPictures, MenuDrawStyleTwoTintsDimsAndLiftsThePictures) {
    ctl().SetMenuDrawStyle(2);
    // Normal: every picture pixel drawn towards the side bar.
    Draw(form.file, 0, 0);
    EXPECT_EQ(Picture(2, 2, 1), Px(menus::Blend(c.sideBar, kBlueRgb, 70)));
    EXPECT_EQ(Picture(8, 8, 1), Px(menus::Blend(c.sideBar, kSpotRgb, 70)));

    // Disabled (保存 is grayed): dark pixels in the button shadow colour, light ones gone, one pixel up
    // and left.
    Draw(form.file, 3, 0);
    EXPECT_EQ(Picture(2, 2, 0), Px(c.btnShadow));
    EXPECT_EQ(Picture(8, 8, 0), Px(c.sideBar)) << "a pixel lighter than the side bar is left out";
    EXPECT_EQ(Exactly(Gutter(false), kBlueRgb), 0);

    // Hover: the picture one pixel up and left over a shadow two pixels down and right.
    Draw(form.file, 0, ODS_SELECTED);
    const Rgb shade = menus::Blend(c.selectionFill, c.btnShadow, 70);
    EXPECT_EQ(Picture(2, 2, 0), Px(kBlueRgb));
    EXPECT_EQ(Picture(15, 15, 0), Px(shade));
    EXPECT_EQ(Picture(15, 4, 0), Px(shade));
    EXPECT_EQ(Picture(14, 1, 0), Px(c.selectionFill)) << "no shadow above the picture's reach";
}

TEST_F(ItemDrawing, AnOpenBarItemGetsItsBoxAndAShadowThatDarkensTheBarByTheWeights) {
    Draw(form.bar, 0, ODS_SELECTED, 60);
    EXPECT_EQ(At(rc.left, rc.top + 4), Px(c.barOpenBorder));
    EXPECT_EQ(At(rc.right - 1, rc.top + 4), Px(c.barOpenBorder));
    EXPECT_EQ(At(rc.left + 2, rc.top + 1), Px(c.barOpenFill));
    EXPECT_GT(Exactly({rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1}, c.selectionText), 0);
    const int weights[] = {64, 43, 21};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(At(rc.right + i, rc.top + 2), Px(c.barBack)) << i;
        for (int y = rc.top + 3; y < rc.bottom; ++y)
            ASSERT_EQ(At(rc.right + i, y), Px(menus::Blend(0, c.barBack, weights[i]))) << i << "," << y;
    }
    EXPECT_EQ(At(rc.right + 3, rc.top + 5), kBehind);

    // Hot: the hot box and no shadow.
    Draw(form.bar, 0, ODS_HOTLIGHT, 60);
    EXPECT_EQ(At(rc.left, rc.top + 4), Px(c.barHotBorder));
    EXPECT_EQ(At(rc.left + 2, rc.top + 1), Px(c.barHotFill));
    EXPECT_EQ(Not({rc.right, rc.top, rc.right + 3, rc.bottom}, c.barBack), 0);
}

TEST_F(ItemDrawing, StyleTwoWithItsOwnFontLetsHandlersChooseFontAndColours) {
    int fonts = 0, hovers = 0;
    ctl().CustomDrawItemFont = [&](drawing::StdFont& font, std::wstring& caption, uint32_t& fore) {
        ++fonts;
        EXPECT_EQ(caption.find(L'&'), std::wstring::npos) << "mnemonic markers are dropped";
        font.Bold(true);
        fore = 0x0000C0;
    };
    ctl().CustomDrawItemHoverFont = [&](drawing::StdFont&, std::wstring& caption, uint32_t& fore,
                                        uint32_t& back, uint32_t& border) {
        ++hovers;
        EXPECT_EQ(caption, L"打开(O)...");
        EXPECT_EQ(fore, 0x0000C0u) << "the colour the first handler left";
        EXPECT_EQ(back, 0x00F0E0u);
        fore = 0x008000;
        back = 0x80FFFF;
        border = 0x800000;
    };
    ctl().SetUserSelectedMenuBackColour(0x00F0E0);
    ctl().SetDrawStyle(2);
    // With the system font: neither event.
    Draw(form.file, 1, ODS_SELECTED);
    EXPECT_EQ(fonts + hovers, 0);

    ctl().SetUseSystemFont(false);
    Draw(form.file, 0, 0);
    EXPECT_EQ(fonts, 1);
    EXPECT_GT(Exactly({rc.left, rc.top, rc.right, rc.bottom}, 0x0000C0), 0);
    Draw(form.file, 1, ODS_SELECTED);
    EXPECT_EQ(fonts, 2);
    EXPECT_EQ(hovers, 1);
    EXPECT_EQ(At(rc.left + 1, rc.top + 3), Px(0x800000));
    EXPECT_EQ(At(rc.left + H + 5, rc.top + 2), Px(0x80FFFF));
    EXPECT_GT(Exactly({rc.left, rc.top, rc.right, rc.bottom}, 0x008000), 0);
    // The colour a handler left is the item text colour from now on.
    ctl().CustomDrawItemFont = nullptr;
    Draw(form.file, 0, 0);
    EXPECT_GT(Exactly({rc.left, rc.top, rc.right, rc.bottom}, 0x0000C0), 0);
}

// The engine's calls of GetMenuItemInfoW and SystemParametersInfoW, through the program's import slots.
long g_calls[2];
decltype(&::GetMenuItemInfoW) g_getMenuItemInfo;
decltype(&::SystemParametersInfoW) g_systemParametersInfo;
BOOL WINAPI CountedGetMenuItemInfo(HMENU m, UINT item, BOOL byPosition, LPMENUITEMINFOW mii) {
    return ++g_calls[0], g_getMenuItemInfo(m, item, byPosition, mii);
}
BOOL WINAPI CountedSystemParametersInfo(UINT action, UINT n, PVOID p, UINT flags) {
    return ++g_calls[1], g_systemParametersInfo(action, n, p, flags);
}

// An item deep in a long popup is found and drawn with as few menu calls as the first; the system menu
// font is read when its setting changes, not for each item.
TEST_F(ItemDrawing, AnItemIsDrawnWithTheSameMenuCallsWhereverItLies) {
    rt::UniqueMenu big(::CreatePopupMenu());
    const HMENU m = big.get();
    for (UINT i = 0; i < 200; ++i)
        ::AppendMenuW(m, MF_STRING, 1000 + i, L"项目");
    ctl().pvInitMenu(m, menus::ctxHookMenu::MenuKind::Popup);
    void** const info = testsupport::ImportSlot("user32.dll", "GetMenuItemInfoW");
    void** const settings = testsupport::ImportSlot("user32.dll", "SystemParametersInfoW");
    ASSERT_TRUE(info && settings);
    g_getMenuItemInfo = reinterpret_cast<decltype(g_getMenuItemInfo)>(
        testsupport::SwapImport(info, reinterpret_cast<void*>(&CountedGetMenuItemInfo)));
    g_systemParametersInfo = reinterpret_cast<decltype(g_systemParametersInfo)>(
        testsupport::SwapImport(settings, reinterpret_cast<void*>(&CountedSystemParametersInfo)));
    TestCanvas target(210, H + 10, 0xFF000000);
    const HDC dc = target.dc();
    const HWND hm = reinterpret_cast<HWND>(m);
    rc = {0, 0, 200, H};
    std::vector<long> calls;
    g_calls[1] = 0;
    for (const UINT pos : {0u, 100u, 199u}) {
        DRAWITEMSTRUCT dis{ODT_MENU, 0, ItemId(m, pos), ODA_DRAWENTIRE, 0, hm, dc, rc, ItemData(m, pos)};
        g_calls[0] = 0;
        ::SendMessageW(form.hWnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
        calls.push_back(g_calls[0]);
    }
    calls.push_back(std::exchange(g_calls[1], 0));
    ::SendMessageW(form.hWnd(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    testsupport::SwapImport(info, reinterpret_cast<void*>(g_getMenuItemInfo));
    testsupport::SwapImport(settings, reinterpret_cast<void*>(g_systemParametersInfo));
    EXPECT_EQ(calls[1], calls[0]);
    EXPECT_LE(calls[2], calls[0]);
    EXPECT_EQ(calls[3], 0) << "the menu font read while drawing";
    EXPECT_GT(g_calls[1], 0) << "a change of the menu font is read";
}

} // namespace
} // namespace menutest
