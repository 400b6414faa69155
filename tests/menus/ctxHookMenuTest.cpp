#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include "tests/menus/MenuTestForm.h"
#include "tests/support/MessagePump.h"

namespace menutest {
namespace {

class MenuEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.Load()); }
    menus::ctxHookMenu& ctl() { return form.ctxHookMenu1; }
    std::optional<menus::ItemRecord> RecordOf(HMENU menu, UINT pos) {
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
    // The right-justify flag lives on in the record only.
    const auto help = RecordOf(form.bar, 2);
    ASSERT_TRUE(help);
    EXPECT_EQ(std::tie(help->menu, help->caption, help->type, help->top),
              std::make_tuple(reinterpret_cast<uintptr_t>(form.bar), std::wstring(L"帮助(&H)"),
                              static_cast<uint32_t>(MFT_RIGHTJUSTIFY), true));
    EXPECT_TRUE(ctl().IsCurrentMenuControl());
}

TEST_F(MenuEngine, OpeningAPopupConvertsItsItemsAndTakesOverItsWindow) {
    // An earlier loop ends with a selection still queued, re-posted while its popup was not on screen.
    ::SendMessageW(form.hWnd(), WM_ENTERMENULOOP, TRUE, 0);
    rt::UniqueWindow hidden(::CreateWindowExW(WS_EX_TOOLWINDOW, MAKEINTATOM(32768), L"", WS_POPUP, 0, 0, 10,
                                              10, form.hWnd(), nullptr, ::GetModuleHandleW(nullptr),
                                              nullptr));
    ASSERT_EQ(ctl().Popups(), std::vector<HWND>{hidden.get()});
    ::SendMessageW(form.hWnd(), WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE),
                   reinterpret_cast<LPARAM>(form.bar));
    hidden.reset();
    ::SendMessageW(form.hWnd(), WM_EXITMENULOOP, TRUE, 0);
    testsupport::Pump();

    HWND popup = nullptr;
    RECT window{}, client{};
    form.onIdle = [&](int) {
        EXPECT_TRUE(ctl().InMenuLoop());
        if (ctl().Popups().size() != 1) return true;
        popup = ctl().Popups()[0];
        ::GetWindowRect(popup, &window);
        ::GetClientRect(popup, &client);
        ::MapWindowPoints(popup, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_EQ(::GetWindowLongPtrW(popup, GWL_STYLE) & WS_BORDER, 0);
        EXPECT_EQ(::GetWindowLongPtrW(popup, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE), 0);
        return true;
    };
    form.Open(form.file, 120, 90);
    ASSERT_TRUE(popup);
    // The flat frame: 1 pixel left, 2 top, 4 right, 2 bottom; placed where asked, as nothing was
    // selected in a menu bar to drop from (what the earlier loop left queued is over).
    EXPECT_EQ(std::make_tuple(client.left - window.left, client.top - window.top, window.right - client.right,
                              window.bottom - client.bottom),
              std::make_tuple(1, 2, 4, 2));
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
        EXPECT_EQ(ItemType(form.file, pos), r->IsSeparator() ? 0x900u : 0x100u) << pos;
    }
    EXPECT_EQ(RecordOf(form.file, 1)->caption, L"打开(&O)...\tCtrl+O");
    // States are not types: disabled and checked stay as they were.
    EXPECT_NE(::GetMenuState(form.file, kSave, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(::GetMenuState(form.file, kWrap, MF_BYCOMMAND) & MF_CHECKED, 0u);

    // Opened again: no new records.
    const size_t records = ctl().Records().Count();
    EXPECT_EQ(records, 3u + 8u);
    form.Open(form.file);
    EXPECT_EQ(ctl().Records().Count(), records);
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
}

TEST_F(MenuEngine, MeasuresOurItemsAndLeavesOthersToTheForm) {
    form.Open(form.file);
    const auto measure = [&](ULONG_PTR data, UINT id) {
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, id, 0, 0, data};
        const LRESULT r = ::SendMessageW(form.hWnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
        return std::make_tuple(r, mis.itemWidth, mis.itemHeight);
    };
    const int unhandled = form.unhandledMeasures;
    EXPECT_EQ(std::get<2>(measure(ItemData(form.file, 2), 0)), 2u); // a separator, whatever the font
    const auto [handled, width, height] = measure(ItemData(form.file, 0), kNew);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(static_cast<int>(height), ctl().Metrics().itemHeight);
    EXPECT_GT(static_cast<int>(width), 2 * ctl().Metrics().itemHeight + 8);
    EXPECT_EQ(form.unhandledMeasures, unhandled);
    // An identifier that does not match the record is not ours: width 50 and the form sees it.
    EXPECT_EQ(std::get<1>(measure(ItemData(form.file, 0), kExit)), 50u);
    EXPECT_EQ(std::get<1>(measure(0, kNew)), 50u);
    EXPECT_EQ(form.unhandledMeasures, unhandled + 2);

    drawing::StdFont tahoma;
    tahoma.Name = L"Tahoma";
    tahoma.Size = 8;
    ctl().SetUseSystemFont(false);
    ctl().SetFont(tahoma);
    ctl().SetBitmapSize(24);
    EXPECT_EQ(ctl().Metrics().itemHeight, 31);
    EXPECT_EQ(ctl().Metrics().SideBarWidth(), 34);
    EXPECT_EQ(std::get<2>(measure(ItemData(form.file, 0), kNew)), 31u);
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
    // "关于 A&&B(&A)": "&&" is a literal ampersand, never a mnemonic.
    EXPECT_EQ(menuChar(L'a', form.help), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(HIWORD(menuChar(L'b', form.help)), MNC_IGNORE);
}

TEST_F(MenuEngine, DestroyingTheFormRestoresEveryItemAndRemovesTheInterception) {
    for (HMENU m : {form.file, form.edit, form.help})
        form.Open(m);
    // Kept past the window, which would otherwise destroy it with itself.
    rt::UniqueMenu bar(form.bar);
    ::SetMenu(form.hWnd(), nullptr);
    form.Unload();
    EXPECT_EQ(ctl().FormWindow(), nullptr);
    EXPECT_EQ(ctl().FormDispatcher(), nullptr);
    EXPECT_EQ(ctl().Records().Count(), 0u);
    EXPECT_FALSE(ctl().IsCurrentMenuControl());

    const std::vector<ItemSnapshot> items = Snapshot(bar.get());
    ASSERT_EQ(items.size(), 15u);
    for (const ItemSnapshot& item : items)
        EXPECT_EQ(item.type & MFT_OWNERDRAW, 0u) << item.id;
    const auto text = [&](UINT id) {
        for (const ItemSnapshot& item : items)
            if (item.id == id) return item.text;
        return std::wstring();
    };
    EXPECT_EQ(text(kSave), L"保存(&S)\tCtrl+S");
    EXPECT_EQ(text(kPaste), L"粘贴(&P)\tCtrl+V");
    EXPECT_EQ(items[0].text, L"文件(&F)");
    // Both separators, which share identifier 0, and the right-justified bar item.
    EXPECT_EQ(ItemType(form.file, 2), static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(ItemType(form.file, 6), static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(ItemType(bar.get(), 2), static_cast<UINT>(MFT_RIGHTJUSTIFY));
    EXPECT_NE(::GetMenuState(form.file, kSave, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

} // namespace
} // namespace menutest
