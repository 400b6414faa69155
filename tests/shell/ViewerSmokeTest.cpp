// The shipped viewer starts under the test display and shows its main window as designed: a form with
// an 831 × 532 client area, centred, whose system caption the skin then strips; on the way it has
// named its browser's document mode under the user's key. A screen reader reads its buttons.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pelmor_version.h"
#include "runtime/ScopeExit.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/WindowProbe.h"

using namespace testsupport;

namespace {

const wchar_t kViewerExe[] = L"Pelmor免费行情分析系统.exe";
const std::wstring kViewerCaption = L"Pelmor免费行情分析系统V" + std::to_wstring(PELMOR_VERSION_MAJOR) + L"." +
                                    std::to_wstring(PELMOR_VERSION_MINOR);

// A copy of the shipped program in a folder of its own: beside the shipped one lies update.exe, which
// the viewer would start against the real product site.
std::wstring LoneCopyOfTheViewer() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"pelmor-viewer-smoke";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring copy = dir + L"\\" + kViewerExe;
    ::DeleteFileW((dir + L"\\update.exe").c_str());
    return ::CopyFileW(ShippedProgramPath(kViewerExe).c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

const wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// The viewer's browser-emulation value under the user's key; 0 when there is none.
DWORD EmulationMode() {
    DWORD mode = 0, size = sizeof(mode);
    if (::RegGetValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe, RRF_RT_REG_DWORD, nullptr, &mode,
                       &size) != ERROR_SUCCESS)
        return 0;
    return mode;
}

// Takes the value away until the returned guard goes, which leaves the prefix as it was found.
auto NoEmulationValue() {
    const DWORD before = EmulationMode();
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe);
    return rt::ScopeExit([before] {
        if (before)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe, REG_DWORD, &before,
                              sizeof(before));
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe);
    });
}

struct Told {
    long role = 0;
    std::wstring action;
    RECT place{};
};

// Walks the objects under `parent` the way screen readers do, keeping each named one by its name.
void ReadTree(IAccessible* parent, std::map<std::wstring, Told>& out, int depth = 0) {
    long count = 0;
    if (depth > 6 || FAILED(parent->get_accChildCount(&count)) || count <= 0) return;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    if (FAILED(::AccessibleChildren(parent, 0, count, children.data(), &got))) return;
    for (long i = 0; i < got; ++i) {
        VARIANT& child = children[static_cast<size_t>(i)];
        IAccessible* object = nullptr;
        if (child.vt == VT_DISPATCH && child.pdispVal &&
            SUCCEEDED(
                child.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&object)))) {
            VARIANT self{};
            self.vt = VT_I4;
            self.lVal = CHILDID_SELF;
            BSTR name = nullptr, action = nullptr;
            VARIANT role{};
            Told told;
            if (object->get_accName(self, &name) == S_OK && object->get_accRole(self, &role) == S_OK) {
                object->get_accDefaultAction(self, &action);
                long x = 0, y = 0, w = 0, h = 0;
                object->accLocation(&x, &y, &w, &h, self);
                out[name] = {role.lVal, action ? action : L"", RECT{x, y, x + w, y + h}};
            }
            ::SysFreeString(name);
            ::SysFreeString(action);
            ReadTree(object, out, depth + 1);
            object->Release();
        }
        ::VariantClear(&child);
    }
}

// Focus events of the viewer's process, as an out-of-context hook hears them.
std::vector<HWND> g_focused;
void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND wnd, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_focused.push_back(wnd);
}

// The name and state of the client object a focus event names.
std::pair<std::wstring, long> ReadFocused(HWND wnd) {
    IAccessible* object = nullptr;
    VARIANT child{}, state{};
    BSTR name = nullptr;
    if (FAILED(::AccessibleObjectFromEvent(wnd, OBJID_CLIENT, CHILDID_SELF, &object, &child))) return {};
    object->get_accName(child, &name);
    object->get_accState(child, &state);
    std::pair<std::wstring, long> out{name ? name : L"", state.vt == VT_I4 ? state.lVal : 0};
    ::SysFreeString(name);
    object->Release();
    return out;
}

} // namespace

TEST(ViewerSmoke, MainWindowComesUpCentredFromItsDesignClientSizeAndSkinned) {
    const std::wstring exe = LoneCopyOfTheViewer();
    ASSERT_FALSE(exe.empty());
    const auto clean = NoEmulationValue();
    ASSERT_EQ(EmulationMode(), 0u);
    ProgramRunner viewer;
    ASSERT_TRUE(viewer.Start(exe));
    HWND main = viewer.WaitForWindow(kViewerCaption);
    ASSERT_NE(main, nullptr) << "no visible window captioned " << kViewerCaption;

    // The window was made for an 831 × 532 client area under a caption and a sizing frame.
    RECT designed{0, 0, 831, 532};
    ::AdjustWindowRectEx(&designed, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_WINDOWEDGE);
    RECT wr{};
    ::GetWindowRect(main, &wr);
    EXPECT_EQ(wr.right - wr.left, designed.right - designed.left);
    EXPECT_EQ(wr.bottom - wr.top, designed.bottom - designed.top);

    const RECT wa = WorkArea();
    EXPECT_LE(std::abs((wr.left - wa.left) - (wa.right - wr.right)), 1);
    EXPECT_LE(std::abs((wr.top - wa.top) - (wa.bottom - wr.bottom)), 1);

    // The skin has taken the system caption away; the sizing frame stays (clipped by the region).
    const LONG style = ::GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_THICKFRAME, 0);

    // By the time its window shows, the viewer has asked for the newest document mode of its pages.
    EXPECT_EQ(EmulationMode(), 11001u);

    // A screen reader from another process: the client area is named by the caption, and under it are
    // the six quote-source buttons in bar order and the caption buttons, each a push button.
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    IAccessible* client = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(main, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&client)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    EXPECT_EQ(client->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), kViewerCaption);
    ::SysFreeString(name);
    std::map<std::wstring, Told> told;
    ReadTree(client, told);
    client->Release();
    const RECT bar{wr.left, wr.top, wr.right, wr.top + 40};
    const wchar_t* const buttons[] = {L"Pelmor", L"大智慧", L"通达信", L"华融证券", L"实时DEDE", L"全球行情",
                                      L"最小化", L"最大化", L"关闭",   L"主菜单",   L"窗口置顶"};
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const wchar_t* button = buttons[i];
        SCOPED_TRACE(testing::Message() << "button " << i << " of " << told.size() << " named objects");
        ASSERT_EQ(told.count(button), 1u);
        const Told& b = told[button];
        EXPECT_EQ(b.role, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(b.action, L"按下");
        RECT inside{};
        EXPECT_TRUE(::IntersectRect(&inside, &b.place, &bar) && ::EqualRect(&inside, &b.place));
        // The quote buttons lie left to right in bar order.
        if (i > 0 && i < 6) {
            EXPECT_LT(told[buttons[i - 1]].place.left, b.place.left);
        }
    }

    // Tab takes the focus from the page to the first quote button: the event names it, focused.
    const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                                 OnFocusEvent, viewer.ProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &gui) && gui.hwndFocus);
    ::PostMessageW(gui.hwndFocus, WM_KEYDOWN, VK_TAB, 1);
    std::pair<std::wstring, long> focused;
    for (const DWORD end = ::GetTickCount() + 5000; focused.first != L"Pelmor" && ::GetTickCount() < end;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            ::DispatchMessageW(&msg);
        for (HWND w : std::exchange(g_focused, {}))
            focused = ReadFocused(w);
    }
    ::UnhookWinEvent(hook);
    EXPECT_EQ(focused.first, L"Pelmor");
    EXPECT_TRUE(focused.second & STATE_SYSTEM_FOCUSED);
    ::CoUninitialize();

    EXPECT_EQ(viewer.Close(main), 0);
}
