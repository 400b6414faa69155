#include "msghook/cMenuHook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "msghook/Thunk.h"
#include "msghook/cSubThunk.h"
#include "tests/msghook/TestWindow.h"
#include "tests/support/MenuCloser.h"

namespace msghook::testing {
namespace {

std::wstring ClassOf(HWND wnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    return name;
}

// Stands in for the menu engine: records what it is told and, like the engine, subclasses each popup
// menu window it is handed (counted sink, DontFree).
class Recorder : public IMenuControl {
  public:
    void pvSubclassPopup(HWND hWnd) override {
        popups.push_back(hWnd);
        classes.push_back(ClassOf(hWnd));
        if (!subclassPopups) return;
        auto sub = std::make_unique<cSubThunk>();
        sub->SetAllBeforeMsgs(true);
        if (sub->Subclass(hWnd, sink, {.DontFree = true})) subs.push_back(std::move(sub));
    }

    bool subclassPopups = false;
    std::vector<HWND> popups;
    std::vector<std::wstring> classes;
    std::shared_ptr<SubSink> sink = std::make_shared<SubSink>();
    std::vector<std::unique_ptr<cSubThunk>> subs;
};

class MenuHook : public ::testing::Test {
  protected:
    void SetUp() override {
        cMenuHook::Instance();
        ::ShowWindow(form_.get(), SW_SHOWNOACTIVATE);
    }
    void TearDown() override { cMenuHook::ClearCurrentMenuControl(&recorder_); }

    void TrackMenu() {
        rt::UniqueMenu menu(::CreatePopupMenu());
        ::AppendMenuW(menu.get(), MF_STRING, 1, L"行情");
        ::AppendMenuW(menu.get(), MF_STRING, 2, L"关闭");
        testsupport::MenuCloser ender(50);
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD, 20, 20, 0, form_.get(), nullptr);
    }

    rt::UniqueWindow form_ = MakeWindow();
    Recorder recorder_;
};

// The real popup of TrackPopupMenu reaches the menu control while its WM_CREATE is on the way, so the
// control's subclass sees that WM_CREATE and everything after; the entry goes with the popup window.
// Every test asks for the watcher again: a second hook would report the popup twice.
TEST_F(MenuHook, TheRegisteredControlTakesOverTheRealPopup) {
    const long live0 = Thunk::LiveCount();
    recorder_.subclassPopups = true;
    cMenuHook::SetCurrentMenuControl(&recorder_);
    EXPECT_EQ(cMenuHook::CurrentMenuControl(), &recorder_);
    TrackMenu();
    ASSERT_EQ(recorder_.popups.size(), 1u);
    EXPECT_EQ(recorder_.classes[0], L"#32768");
    ASSERT_EQ(recorder_.subs.size(), 1u);
    const auto& seen = recorder_.sink->befores;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_PAINT)), seen.end());
    // The popup ended with its menu: the object still names it, its entry is gone.
    EXPECT_FALSE(::IsWindow(recorder_.popups[0]));
    EXPECT_EQ(recorder_.subs[0]->hWnd(), recorder_.popups[0]);
    EXPECT_EQ(Thunk::LiveCount(), live0);
    EXPECT_TRUE(recorder_.subs[0]->Unsubclass());
}

TEST_F(MenuHook, NothingIsReportedWithoutARegisteredControl) {
    cMenuHook::SetCurrentMenuControl(&recorder_);
    Recorder other;
    cMenuHook::ClearCurrentMenuControl(&other);
    EXPECT_EQ(cMenuHook::CurrentMenuControl(), &recorder_);
    cMenuHook::ClearCurrentMenuControl(&recorder_);
    EXPECT_EQ(cMenuHook::CurrentMenuControl(), nullptr);
    TrackMenu();
    EXPECT_TRUE(recorder_.popups.empty());
}

// Windows of look-alike classes are created with a control registered; only the exact class counts.
TEST_F(MenuHook, OnlyTheExactClassNameIsTakenOver) {
    cMenuHook::SetCurrentMenuControl(&recorder_);
    for (const wchar_t* name : {L"#327680", L"#3276", L"X#32768", L"#32768 "}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        const ATOM atom = ::RegisterClassExW(&wc);
        rt::UniqueWindow w(::CreateWindowExW(0, atom ? MAKEINTATOM(atom) : name, L"", WS_POPUP, 0, 0, 10, 10,
                                             nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(w) << ::testing::PrintToString(std::wstring(name));
        EXPECT_EQ(ClassOf(w.get()), name);
    }
    EXPECT_TRUE(recorder_.popups.empty());
}

// Hook calls given to the watcher directly, for a real popup-class window: the sizing message Wine never
// sends, negative codes, other messages.
struct CallCase {
    const char* name;
    int code;
    UINT message;
    bool registered;
    bool reported;
};

void PrintTo(const CallCase& c, std::ostream* os) {
    *os << c.name;
}

class MenuHookCalls : public MenuHook, public ::testing::WithParamInterface<CallCase> {};

TEST_P(MenuHookCalls, OnlyCreationAndSizingOfAPopupWithAControlAreReported) {
    const CallCase& c = GetParam();
    rt::UniqueWindow popup(::CreateWindowExW(WS_EX_TOOLWINDOW, MAKEINTATOM(32768), L"", WS_POPUP, 0, 0, 10,
                                             10, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(popup);
    ASSERT_EQ(ClassOf(popup.get()), L"#32768");
    if (c.registered) cMenuHook::SetCurrentMenuControl(&recorder_);
    ::CWPSTRUCT cwp{0, 0, c.message, popup.get()};
    IHookingSink& sink = cMenuHook::Instance();
    bool handled = false;
    LRESULT ret = 5;
    int code = c.code;
    WPARAM wp = 0;
    LPARAM lp = reinterpret_cast<LPARAM>(&cwp);
    sink.IHookingSink_Before(handled, ret, code, wp, lp);
    EXPECT_FALSE(handled);
    sink.IHookingSink_After(ret, c.code, 0, reinterpret_cast<LPARAM>(&cwp));
    EXPECT_EQ(ret, 5);
    EXPECT_EQ(recorder_.popups, c.reported ? std::vector<HWND>{popup.get()} : std::vector<HWND>{});
}

INSTANTIATE_TEST_SUITE_P(Cases, MenuHookCalls,
                         ::testing::Values(CallCase{"Create", HC_ACTION, WM_CREATE, true, true},
                                           CallCase{"Sizing", HC_ACTION, cMenuHook::kMenuSizeMsg, true, true},
                                           CallCase{"NegativeCode", -1, WM_CREATE, true, false},
                                           CallCase{"OtherMessage", HC_ACTION, WM_NCCREATE, true, false},
                                           CallCase{"NoControl", HC_ACTION, WM_CREATE, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace msghook::testing
