#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "MenuTestForm.h"
#include "msghook/cMenuHook.h"

namespace menutest {
namespace {

using menus::ItemRecord;

class MenuEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.Load()); }
    menus::ctxHookMenu& ctl() { return form.ctxHookMenu1; }
    std::optional<ItemRecord> RecordOf(HMENU menu, UINT pos) {
        return ctl().Records().Read(ItemData(menu, pos));
    }
    MenuForm form;
};

TEST_F(MenuEngine, AttachingConvertsTheMenuBarAndRecordsEachItemOnce) {
    EXPECT_EQ(ctl().FormWindow(), form.hWnd());
    EXPECT_EQ(ctl().MenuBar(), form.bar);
    ASSERT_EQ(ctl().Records().Count(), 3u);
    for (UINT pos = 0; pos < 3; ++pos) {
        EXPECT_EQ(ItemType(form.bar, pos), static_cast<UINT>(MFT_OWNERDRAW)) << pos;
        EXPECT_EQ(ItemData(form.bar, pos), pos + 1);
    }
    const auto help = RecordOf(form.bar, 2);
    ASSERT_TRUE(help);
    EXPECT_EQ(help->caption, L"帮助(&H)");
    EXPECT_TRUE(help->top);
    // The right-justify flag lives on in the record only.
    EXPECT_EQ(help->type, static_cast<uint32_t>(MFT_RIGHTJUSTIFY));
    EXPECT_EQ(help->menu, reinterpret_cast<uintptr_t>(form.bar));
    EXPECT_TRUE(ctl().IsCurrentMenuControl());
}

TEST_F(MenuEngine, OpeningAPopupConvertsItsItemsAndTakesOverItsWindow) {
    std::vector<HWND> seen;
    RECT window{}, client{};
    LONG_PTR style = 0, exStyle = 0;
    form.onIdle = [&](int) {
        seen = ctl().Popups();
        if (seen.size() == 1) {
            ::GetWindowRect(seen[0], &window);
            ::GetClientRect(seen[0], &client);
            ::MapWindowPoints(seen[0], nullptr, reinterpret_cast<POINT*>(&client), 2);
            style = ::GetWindowLongPtrW(seen[0], GWL_STYLE);
            exStyle = ::GetWindowLongPtrW(seen[0], GWL_EXSTYLE);
        }
        EXPECT_TRUE(ctl().InMenuLoop());
        return true;
    };
    form.Open(form.file, 120, 90);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(style & WS_BORDER, 0);
    EXPECT_EQ(exStyle & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE), 0);
    // The flat frame: 1 pixel left, 2 top, 4 right, 2 bottom.
    EXPECT_EQ(client.left - window.left, 1);
    EXPECT_EQ(client.top - window.top, 2);
    EXPECT_EQ(window.right - client.right, 4);
    EXPECT_EQ(window.bottom - client.bottom, 2);
    // The system menu opens where asked: nothing was selected in a menu bar to drop from.
    EXPECT_EQ(window.left, 120);
    EXPECT_EQ(window.top, 90);

    // Released when the menu closed, and the closing reported.
    EXPECT_TRUE(ctl().Popups().empty());
    EXPECT_FALSE(ctl().InMenuLoop());
    ASSERT_FALSE(form.highlights.empty());
    EXPECT_EQ(form.highlights.back(), L"");

    for (UINT pos = 0; pos < 8; ++pos) {
        const auto r = RecordOf(form.file, pos);
        ASSERT_TRUE(r) << pos;
        EXPECT_EQ(ItemType(form.file, pos), r->IsSeparator()
                                                ? static_cast<UINT>(MFT_OWNERDRAW | MFT_SEPARATOR)
                                                : static_cast<UINT>(MFT_OWNERDRAW));
    }
    EXPECT_EQ(RecordOf(form.file, 1)->caption, L"打开(&O)...\tCtrl+O");
    EXPECT_EQ(RecordOf(form.file, 3)->id, kSave);
    // States are not types: disabled and checked stay as they were.
    EXPECT_EQ(::GetMenuState(form.file, kSave, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(::GetMenuState(form.file, kWrap, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
}

TEST_F(MenuEngine, AnItemTheFormAddsWhileThePopupOpensIsConvertedInTheSameOpening) {
    UINT pasteType = 0;
    form.onIdle = [&](int) {
        pasteType = ItemType(form.edit, 1);
        return true;
    };
    form.Open(form.edit);
    EXPECT_EQ(pasteType, static_cast<UINT>(MFT_OWNERDRAW));
    EXPECT_EQ(RecordOf(form.edit, 1)->caption, L"粘贴(&P)\tCtrl+V");
}

TEST_F(MenuEngine, AMenuOpenedAgainAddsNoRecords) {
    form.Open(form.file);
    const size_t once = ctl().Records().Count();
    EXPECT_EQ(once, 3u + 8u);
    form.Open(form.file);
    form.Open(form.file);
    EXPECT_EQ(ctl().Records().Count(), once);
    EXPECT_EQ(form.initMenuPopups, 3);
}

TEST_F(MenuEngine, SelectingAnItemByKeyboardRaisesHighlightWithItsCaption) {
    form.onIdle = [&](int n) {
        // The menu loop reads keys from the queue: the first idle selects the first item.
        if (n == 1) ::PostMessageW(form.hWnd(), WM_KEYDOWN, VK_DOWN, 0);
        return n > 1;
    };
    form.Open(form.file);
    ASSERT_GE(form.highlights.size(), 2u);
    EXPECT_EQ(form.highlights.front(), L"新建(N)");
    EXPECT_EQ(form.highlights.back(), L"");
    ASSERT_FALSE(form.menuSelects.empty());
}

TEST_F(MenuEngine, MeasuresOurItemsAndLeavesOthersToTheForm) {
    form.Open(form.file);
    const auto measure = [&](ULONG_PTR data, UINT id) {
        MEASUREITEMSTRUCT mis{};
        mis.CtlType = ODT_MENU;
        mis.itemID = id;
        mis.itemData = data;
        const LRESULT r = ::SendMessageW(form.hWnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
        return std::make_tuple(r, mis.itemWidth, mis.itemHeight);
    };
    const int h = ctl().Metrics().itemHeight;
    const int unhandled = form.unhandledMeasures;
    // A separator is 2 pixels high whatever the font.
    EXPECT_EQ(std::get<2>(measure(ItemData(form.file, 2), 0)), 2u);
    const auto [handled, width, height] = measure(ItemData(form.file, 0), kNew);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(static_cast<int>(height), h);
    EXPECT_GT(static_cast<int>(width), 2 * h + 8);
    EXPECT_EQ(form.unhandledMeasures, unhandled);
    // An identifier that does not match the record is not ours: width 50 and the form sees it.
    EXPECT_EQ(std::get<1>(measure(ItemData(form.file, 0), kExit)), 50u);
    EXPECT_EQ(std::get<1>(measure(0, kNew)), 50u);
    EXPECT_EQ(form.unhandledMeasures, unhandled + 2);
}

TEST_F(MenuEngine, BitmapSize24WithAnEightPointFontMakesItemsThirtyOneHigh) {
    drawing::StdFont tahoma;
    tahoma.Name = L"Tahoma";
    tahoma.Size = 8;
    ctl().SetUseSystemFont(false);
    ctl().SetFont(tahoma);
    ctl().SetBitmapSize(24);
    EXPECT_EQ(ctl().Metrics().itemHeight, 31);
    EXPECT_EQ(ctl().Metrics().SideBarWidth(), 34);
    EXPECT_LT(ctl().Metrics().barItemHeight, 31);
}

TEST_F(MenuEngine, MnemonicsMatchLowerCaseCharactersOnly) {
    form.Open(form.file);
    form.Open(form.help);
    const auto menuChar = [&](wchar_t c, HMENU menu) {
        return ::SendMessageW(form.hWnd(), WM_MENUCHAR, MAKEWPARAM(c, MF_POPUP),
                              reinterpret_cast<LPARAM>(menu));
    };
    EXPECT_EQ(menuChar(L's', form.file), MAKELRESULT(3, MNC_EXECUTE));
    EXPECT_EQ(menuChar(L'x', form.file), MAKELRESULT(7, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(menuChar(L'S', form.file)), MNC_IGNORE);
    EXPECT_EQ(menuChar(L'a', form.help), MAKELRESULT(0, MNC_EXECUTE));
    // "&&" is a literal ampersand, never a mnemonic.
    EXPECT_EQ(HIWORD(menuChar(L'b', form.help)), MNC_IGNORE);
}

TEST_F(MenuEngine, DestroyingTheFormRestoresEveryItemAndRemovesTheInterception) {
    form.Open(form.file);
    form.Open(form.edit);
    form.Open(form.help);
    // Kept past the window, which would otherwise destroy it with itself.
    rt::UniqueMenu bar(form.bar);
    ::SetMenu(form.hWnd(), nullptr);
    form.Unload();
    EXPECT_EQ(ctl().FormWindow(), nullptr);
    EXPECT_EQ(ctl().Records().Count(), 0u);
    EXPECT_FALSE(ctl().IsCurrentMenuControl());
    EXPECT_EQ(ctl().FormDispatcher(), nullptr);

    const std::vector<ItemSnapshot> items = Snapshot(bar.get());
    ASSERT_EQ(items.size(), 15u);
    for (const ItemSnapshot& item : items)
        EXPECT_EQ(item.type & MFT_OWNERDRAW, 0u) << item.id;
    const auto byId = [&](UINT id) {
        for (const ItemSnapshot& item : items)
            if (item.id == id) return item;
        return ItemSnapshot{};
    };
    EXPECT_EQ(byId(kSave).text, L"保存(&S)\tCtrl+S");
    EXPECT_NE(byId(kSave).state & MF_GRAYED, 0u);
    EXPECT_EQ(byId(kPaste).text, L"粘贴(&P)\tCtrl+V");
    EXPECT_EQ(byId(kRecent1).text, L"1 行情.txt");
    // Both separators, which share identifier 0 with each other.
    EXPECT_EQ(ItemType(form.file, 2), static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(ItemType(form.file, 6), static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(ItemType(bar.get(), 2), static_cast<UINT>(MFT_RIGHTJUSTIFY));
    EXPECT_EQ(items[0].text, L"文件(&F)");
    EXPECT_EQ(items[13].text, L"帮助(&H)");
}

} // namespace
} // namespace menutest
