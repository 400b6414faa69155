// An MDI frame and its active child, each carrying a menu control: the frame's control hands the menu
// work to the child's through the "InitMenuMsg" commands.
#include "menus/ctxHookMenu.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "menus/PopupGeometry.h"
#include "runtime/Handles.h"
#include "tests/menus/MenuTestForm.h"
#include "tests/support/MenuCloser.h"

namespace menutest {
namespace {

std::vector<WPARAM>& ChildMenuSelects() {
    static std::vector<WPARAM> seen;
    return seen;
}

HWND g_client = nullptr;
// Runs once in the menu loop of a real menu, which it then ends.
std::function<void()> g_onMenuIdle;

bool MenuIdle(UINT msg, WPARAM wp) {
    if (msg != WM_ENTERIDLE || wp != MSGF_MENU) return false;
    if (const auto run = std::exchange(g_onMenuIdle, nullptr)) run();
    ::EndMenu();
    return true;
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (MenuIdle(msg, wp)) return 0;
    return ::DefFrameProcW(wnd, g_client, msg, wp, lp);
}

LRESULT CALLBACK ChildProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MENUSELECT) ChildMenuSelects().push_back(wp);
    if (MenuIdle(msg, wp)) return 0;
    return ::DefMDIChildProcW(wnd, msg, wp, lp);
}

class MdiMenus : public ::testing::Test {
  protected:
    void SetUp() override {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpfnWndProc = FrameProc;
            wc.lpszClassName = L"PelmorMdiFrame";
            ::RegisterClassW(&wc);
            wc.lpfnWndProc = ChildProc;
            wc.lpszClassName = L"PelmorMdiChild";
            return ::RegisterClassW(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        ChildMenuSelects().clear();
        popup = ::CreatePopupMenu();
        ::AppendMenuW(popup, MF_STRING, 11, L"层叠(&C)");
        ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(popup, MF_STRING, 12, L"保存(&S)\tCtrl+S");
        bar = ::CreateMenu();
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"窗口(&W)");
        frame.reset(::CreateWindowExW(0, L"PelmorMdiFrame", L"框架", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                                      0, 500, 400, nullptr, bar, ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(frame);
        CLIENTCREATESTRUCT ccs{nullptr, 0xFF00};
        g_client = client =
            ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 480,
                              340, frame.get(), nullptr, ::GetModuleHandleW(nullptr), &ccs);
        ASSERT_TRUE(client);
    }
    void TearDown() override {
        frame.reset();
        g_client = nullptr;
    }
    HWND MakeChild() {
        return ::CreateMDIWindowW(L"PelmorMdiChild", L"子窗口", WS_VISIBLE, 0, 0, 200, 150, client,
                                  ::GetModuleHandleW(nullptr), 0);
    }
    LRESULT Command(HWND to, menus::InitMenuCommand c, LPARAM lp, uint16_t ch = 0) {
        return ::SendMessageW(to, menus::ctxHookMenu::InitMenuMsg(), menus::InitMenuWParam(c, ch), lp);
    }

    HMENU bar = nullptr;
    HMENU popup = nullptr;
    rt::UniqueWindow frame;
    HWND client = nullptr;
    // Declared after the windows: they go first, while the windows exist.
    menus::ctxHookMenu childCtl;
    menus::ctxHookMenu frameCtl;
};

TEST_F(MdiMenus, TheFrameHandsMenuWorkToTheActiveChildsControl) {
    const HWND child = MakeChild();
    ASSERT_TRUE(child);
    childCtl.Init(child);
    EXPECT_EQ(childCtl.MenuBar(), nullptr) << "an MDI child has no menu bar of its own";
    frameCtl.Init(frame.get());
    const size_t frameRecords = frameCtl.Records().Count();

    // Commands 0 and 3: the frame's popup is converted by the child, which enters the loop and
    // learns the frame (command 4).
    ::SendMessageW(frame.get(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_EQ(frameCtl.Records().Count(), frameRecords);
    ASSERT_EQ(childCtl.Records().Count(), 3u);
    EXPECT_FALSE(childCtl.Records().Read(1)->top);
    EXPECT_EQ(ItemType(popup, 1), static_cast<UINT>(MFT_OWNERDRAW | MFT_SEPARATOR));
    EXPECT_EQ(::SendMessageW(frame.get(), WM_ENTERMENULOOP, 0, 0), 1);
    EXPECT_TRUE(childCtl.InMenuLoop());
    EXPECT_FALSE(frameCtl.InMenuLoop());
    EXPECT_EQ(childCtl.MenuBar(), bar);
    EXPECT_EQ(childCtl.FrameOwner(), frame.get());
    EXPECT_TRUE(childCtl.IsCurrentMenuControl());

    // Only the item and the system-menu flag go on, with the forwarded mark.
    ::SendMessageW(frame.get(), WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE),
                   reinterpret_cast<LPARAM>(popup));
    ASSERT_FALSE(ChildMenuSelects().empty());
    EXPECT_EQ(ChildMenuSelects().back(), static_cast<WPARAM>(0x02000000));

    // Command 5, and the child's measuring.
    EXPECT_EQ(
        ::SendMessageW(frame.get(), WM_MENUCHAR, MAKEWPARAM(L's', MF_POPUP), reinterpret_cast<LPARAM>(popup)),
        MAKELRESULT(2, MNC_EXECUTE));
    using C = menus::InitMenuCommand;
    EXPECT_EQ(Command(child, C::MenuChar, reinterpret_cast<LPARAM>(popup), L'q'), 1);
    MEASUREITEMSTRUCT mis{ODT_MENU, 0, 12, 0, 0, ItemData(popup, 2)};
    EXPECT_EQ(::SendMessageW(frame.get(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)), 1);
    EXPECT_EQ(static_cast<int>(mis.itemHeight), childCtl.Metrics().itemHeight);

    // Command 1 converts as menu bar; command 2 leaves the loop.
    HMENU other = ::CreateMenu();
    rt::UniqueMenu owned(other);
    ::AppendMenuW(other, MF_STRING, 21, L"其他(&O)");
    EXPECT_EQ(Command(child, C::InitMenuBar, reinterpret_cast<LPARAM>(other)), 1);
    EXPECT_TRUE(childCtl.Records().Read(4)->top);
    EXPECT_EQ(::SendMessageW(frame.get(), WM_EXITMENULOOP, 0, 0), 1);
    EXPECT_FALSE(childCtl.InMenuLoop());
}

TEST_F(MdiMenus, ANewFrameMenuRestoresTheOldOneAndIsConverted) {
    frameCtl.Init(frame.get());
    ASSERT_EQ(ItemType(bar, 0), static_cast<UINT>(MFT_OWNERDRAW));
    HMENU other = ::CreateMenu();
    ::AppendMenuW(other, MF_STRING, 21, L"其他(&O)");
    // Kept past the frame, which no longer owns it once replaced.
    rt::UniqueMenu oldBar(bar);
    ::SendMessageW(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(other), 0);
    EXPECT_EQ(frameCtl.MenuBar(), other);
    EXPECT_EQ(::GetMenu(frame.get()), other);
    EXPECT_EQ(ItemType(bar, 0), 0u);
    EXPECT_EQ(ItemType(other, 0), static_cast<UINT>(MFT_OWNERDRAW));
    EXPECT_EQ(frameCtl.Records().Count(), 1u);
}

// Real menus of a shown frame with an active child, owned by either window: the child's control, which
// does the frame's menu work, takes each popup window over.
class MdiRealMenus : public MdiMenus, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(MdiRealMenus, TheChildsControlTakesThePopupWindowOver) {
    const auto [childOwns, systemMenu] = GetParam();
    ::ShowWindow(frame.get(), SW_SHOWNORMAL);
    const HWND child = MakeChild();
    childCtl.Init(child);
    frameCtl.Init(frame.get());
    const HWND owner = childOwns ? child : frame.get();
    std::vector<HWND> taken;
    HMENU shown = nullptr;
    g_onMenuIdle = [&] {
        taken = childCtl.Popups();
        if (taken.size() == 1) shown = reinterpret_cast<HMENU>(::SendMessageW(taken[0], MN_GETHMENU, 0, 0));
    };
    testsupport::MenuCloser closer(3000);
    if (systemMenu)
        ::SendMessageW(owner, WM_SYSCOMMAND, SC_MOUSEMENU | HTSYSMENU, MAKELPARAM(20, 40));
    else
        ::TrackPopupMenu(popup, TPM_RETURNCMD, 60, 60, 0, owner, nullptr);
    g_onMenuIdle = nullptr;
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(shown, systemMenu ? ::GetSystemMenu(owner, FALSE) : popup);
    EXPECT_TRUE(frameCtl.Popups().empty());
}

INSTANTIATE_TEST_SUITE_P(Owners, MdiRealMenus, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Child" : "Frame") +
                                    (std::get<1>(info.param) ? "SystemMenu" : "ContextMenu");
                         });

} // namespace
} // namespace menutest
