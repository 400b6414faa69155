#include <windows.h>
#include <downloadmgr.h>
#include <mshtmdid.h>
#include <ole2.h>
#include <comcat.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Handles.h"
#include "runtime/OleSite.h"
#include "runtime/WebBrowser.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TestHttpServer.h"

using Microsoft::WRL::ComPtr;
using rt::WebBrowserControl;
using testsupport::HttpRoute;
using testsupport::TestHttpServer;

namespace {

constexpr wchar_t kHostClass[] = L"PelmorBrowserTestHost";
constexpr int kContainerWidth = 390;
constexpr int kContainerHeight = 270;

bool IsDialogClass(HWND w) {
    wchar_t cls[16] = {};
    ::GetClassNameW(w, cls, 16);
    return std::wstring(cls) == L"#32770";
}

// Dialog boxes made on this thread never get to open: the hook refuses them and counts them, so a
// regression shows as a failure instead of a test stuck in a modal loop.
HHOOK g_cbt = nullptr;
int g_dialogsRefused = 0;

LRESULT CALLBACK RefuseDialogs(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && IsDialogClass(reinterpret_cast<HWND>(wp))) {
        ++g_dialogsRefused;
        return 1;
    }
    return ::CallNextHookEx(g_cbt, code, wp, lp);
}

struct WindowTally {
    size_t n;
};

bool OfThisProcess(HWND w) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    return pid == ::GetCurrentProcessId();
}

BOOL CALLBACK TallyDialog(HWND w, LPARAM p) {
    if (OfThisProcess(w) && ::IsWindowVisible(w) && IsDialogClass(w)) ++reinterpret_cast<WindowTally*>(p)->n;
    return TRUE;
}

// Dialog boxes of this process made on any thread.
size_t VisibleDialogsOfProcess() {
    WindowTally tally{0};
    ::EnumWindows(TallyDialog, reinterpret_cast<LPARAM>(&tally));
    return tally.n;
}

std::string ClassOf(HWND w) {
    char cls[64] = {};
    ::GetClassNameA(w, cls, 64);
    return std::string(cls) +
           (::GetWindowThreadProcessId(w, nullptr) == ::GetCurrentThreadId() ? "" : " (other thread)");
}

BOOL CALLBACK ListOne(HWND w, LPARAM p) {
    reinterpret_cast<std::vector<std::string>*>(p)->push_back(ClassOf(w));
    return TRUE;
}

BOOL CALLBACK ListTree(HWND w, LPARAM p) {
    if (OfThisProcess(w)) {
        ListOne(w, p);
        ::EnumChildWindows(w, ListOne, p);
    }
    return TRUE;
}

// The classes of every window of the process: top-level ones with all their descendants, and
// message-only ones.
std::vector<std::string> ProcessWindows() {
    std::vector<std::string> classes;
    const auto list = reinterpret_cast<LPARAM>(&classes);
    ::EnumWindows(ListTree, list);
    for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        ListTree(w, list);
    std::sort(classes.begin(), classes.end());
    return classes;
}

RECT RectIn(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

class WebBrowserTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kHostClass;
        ::RegisterClassExW(&wc);
    }

    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        HttpRoute page;
        page.contentType = "text/html";
        page.body = "<html><body>quotes</body></html>";
        for (const char* path :
             {"/", "/ruanjiantongji.htm", "/dzh.swf", "/test/flashHQ.swf", "/first.htm", "/second.htm"})
            server_.SetRoute(path, page);

        frame_.reset(::CreateWindowExW(0, kHostClass, L"browser host",
                                       WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, kContainerWidth + 10,
                                       kContainerHeight + 30, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                       nullptr));
        ASSERT_TRUE(frame_);
        container_.reset(::CreateWindowExW(0, kHostClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 5,
                                           24, kContainerWidth, kContainerHeight, frame_.get(), nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(container_);
        g_dialogsRefused = 0;
        g_cbt = ::SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, ::GetCurrentThreadId());
        ASSERT_NE(g_cbt, nullptr);
    }

    void TearDown() override {
        Pump([] { return false; }, 100);
        if (g_cbt) ::UnhookWindowsHookEx(std::exchange(g_cbt, nullptr));
        EXPECT_EQ(g_dialogsRefused, 0) << "a dialog box was about to open on the test thread";
        EXPECT_EQ(dialogsSeen_, 0u) << "a dialog box opened on another thread";
    }

    // Runs this thread's messages until done() holds or the time is up, watching for dialog boxes.
    template <class Done> bool Pump(Done done, DWORD timeoutMs) {
        const DWORD start = ::GetTickCount();
        for (;;) {
            testsupport::Pump();
            dialogsSeen_ += VisibleDialogsOfProcess();
            if (done()) return true;
            if (::GetTickCount() - start >= timeoutMs) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }

    bool WaitForRequest(const std::string& path, DWORD timeoutMs = 10000) {
        return Pump([&] { return server_.RequestCount(path) > 0; }, timeoutMs);
    }

    TestHttpServer server_;
    rt::UniqueWindow frame_;
    rt::UniqueWindow container_;
    size_t dialogsSeen_ = 0;
};

TEST_F(WebBrowserTest, NavigateFetchesExactlyThatPage) {
    WebBrowserControl web;
    ASSERT_TRUE(web.Create(container_.get()));
    EXPECT_TRUE(web.SetSilent(true));
    EXPECT_TRUE(web.Navigate2(server_.Url("/ruanjiantongji.htm")));

    ASSERT_TRUE(WaitForRequest("/ruanjiantongji.htm")) << "requests seen: " << server_.Requests().size();
    const auto requests = server_.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().method, "GET");
    EXPECT_EQ(requests.front().target, "/ruanjiantongji.htm");
}

// Two quick clicks on quote buttons: the second page is the one that stays, whichever of the two
// requests happens to reach the server last (the first may already be on its way).
TEST_F(WebBrowserTest, LastOfTwoQuickNavigationsIsTheOneShown) {
    WebBrowserControl web;
    ASSERT_TRUE(web.Create(container_.get()));
    ASSERT_TRUE(web.SetSilent(true));
    EXPECT_TRUE(web.Navigate2(server_.Url("/first.htm")));
    EXPECT_TRUE(web.Navigate2(server_.Url("/second.htm")));

    const auto shownPage = [&] {
        ComPtr<IWebBrowser2> browser;
        BSTR url = nullptr;
        if (FAILED(web.Object()->QueryInterface(IID_PPV_ARGS(&browser))) || FAILED(browser->get_LocationURL(&url)))
            return std::wstring();
        std::wstring text = url ? url : L"";
        ::SysFreeString(url);
        return text.substr(std::min(text.size(), text.find_last_of(L'/')));
    };
    ASSERT_TRUE(WaitForRequest("/second.htm"));
    ASSERT_TRUE(Pump([&] { return shownPage() == L"/second.htm"; }, 10000)) << "shown: " << shownPage();
    // A late answer to the first request must not take the page's place.
    Pump([] { return false; }, 1000);
    EXPECT_EQ(shownPage(), L"/second.htm");
}

TEST_F(WebBrowserTest, SilentIsSetOnTheControlAndKeptFromBeforeCreation) {
    WebBrowserControl web;
    EXPECT_FALSE(web.SetSilent(true)); // nothing to set yet; remembered for Create
    ASSERT_TRUE(web.Create(container_.get()));
    ComPtr<IWebBrowser2> browser;
    ASSERT_TRUE(SUCCEEDED(web.Object()->QueryInterface(IID_PPV_ARGS(&browser))));
    VARIANT_BOOL silent = VARIANT_FALSE;
    ASSERT_TRUE(SUCCEEDED(browser->get_Silent(&silent)));
    EXPECT_EQ(silent, VARIANT_TRUE);

    EXPECT_TRUE(web.SetSilent(false));
    ASSERT_TRUE(SUCCEEDED(browser->get_Silent(&silent)));
    EXPECT_EQ(silent, VARIANT_FALSE);
}

TEST_F(WebBrowserTest, MovePlacesTheBrowserWindowInsideItsContainer) {
    WebBrowserControl web;
    // The layout of the quote browser and the place of the hidden one, then ordinary ones.
    ASSERT_FALSE(web.Move(-20, -20, kContainerWidth + 50, kContainerHeight + 20));
    ASSERT_TRUE(web.Create(container_.get()));
    const HWND wnd = web.Window();
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(::IsChild(container_.get(), wnd));
    EXPECT_TRUE(::IsWindowVisible(wnd));
    const RECT atCreate{-20, -20, kContainerWidth + 30, kContainerHeight};
    RECT seen = RectIn(container_.get(), wnd);
    EXPECT_TRUE(::EqualRect(&seen, &atCreate)) << Show(seen);

    const struct {
        int l, t, w, h;
    } moves[] = {{0, 0, 100, 50}, {-100, -100, 0, 0}, {7, 3, kContainerWidth, 1}, {-20, -20, 440, 290}};
    for (const auto& m : moves) {
        EXPECT_TRUE(web.Move(m.l, m.t, m.w, m.h));
        const RECT want{m.l, m.t, m.l + m.w, m.t + m.h};
        seen = RectIn(container_.get(), wnd);
        EXPECT_TRUE(::EqualRect(&seen, &want)) << "wanted " << Show(want) << ", got " << Show(seen);
    }

    // A negative size is refused and leaves the browser where it was.
    EXPECT_FALSE(web.Move(0, 0, -1, 10));
    seen = RectIn(container_.get(), wnd);
    const RECT last{-20, -20, 420, 270};
    EXPECT_TRUE(::EqualRect(&seen, &last)) << Show(seen);
}

TEST_F(WebBrowserTest, CreateAndDestroyTwentyTimesLeavesNothingBehind) {
    // The first control loads the browser's libraries and their process-wide windows.
    {
        WebBrowserControl warmUp;
        ASSERT_TRUE(warmUp.Create(container_.get()));
        warmUp.Navigate2(server_.Url("/"));
        WaitForRequest("/");
    }
    // urlmon keeps a notification window on the thread while any download is under way, also one that
    // an earlier control left behind and that ends only with its connection (under load that took longer
    // than 20 s). It is the download service's, not a control's, so it is left out of the comparison.
    const auto ownWindows = [] {
        auto classes = ProcessWindows();
        std::erase(classes, std::string("URL Moniker Notification Window"));
        return classes;
    };
    const auto windowsBefore = ownWindows();
    const long gdiBefore = rt::LiveHandles::Gdi();
    const long userBefore = rt::LiveHandles::User();
    ASSERT_EQ(WebBrowserControl::LiveSites(), 0);

    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE("cycle " + std::to_string(i));
        WebBrowserControl web;
        web.Move(-20, -20, kContainerWidth + 50, kContainerHeight + 20);
        ASSERT_TRUE(web.Create(container_.get()));
        web.SetSilent(true);
        const std::string path = i % 2 ? "/dzh.swf" : "/test/flashHQ.swf";
        const size_t seenBefore = server_.RequestCount(path);
        ASSERT_TRUE(web.Navigate2(server_.Url(path)));
        // Half the controls go away while their page may still be loading.
        if (i % 4 < 2) Pump([&] { return server_.RequestCount(path) > seenBefore; }, 10000);
        const HWND wnd = web.Window();
        ASSERT_TRUE(::IsWindow(wnd));
        IUnknown* object = web.Object();
        object->AddRef();
        web.Destroy();
        EXPECT_FALSE(::IsWindow(wnd));
        // A navigation still queued holds the control until its task has run off the message queue.
        EXPECT_TRUE(Pump([&] { return (object->AddRef(), object->Release()) == 1; }, 5000));
        EXPECT_EQ(object->Release(), 0u) << "the control is still referenced after Destroy";
        EXPECT_EQ(WebBrowserControl::LiveSites(), 0);
        EXPECT_FALSE(web.Created());
        EXPECT_EQ(web.Window(), nullptr);
    }
    // The late requests of the controls destroyed early finish on their own.
    Pump([&] { return ownWindows() == windowsBefore; }, 20000);
    EXPECT_EQ(ownWindows(), windowsBefore);
    EXPECT_EQ(rt::LiveHandles::Gdi(), gdiBefore);
    EXPECT_EQ(rt::LiveHandles::User(), userBefore);
    EXPECT_EQ(WebBrowserControl::LiveSites(), 0);
}

TEST_F(WebBrowserTest, DestroyAfterTheContainerWindowIsGone) {
    WebBrowserControl web;
    ASSERT_TRUE(web.Create(container_.get()));
    web.SetSilent(true);
    web.Navigate2(server_.Url("/"));
    const HWND wnd = web.Window();
    container_.reset();
    EXPECT_FALSE(::IsWindow(wnd));
    web.Destroy();
    web.Destroy();
    EXPECT_EQ(WebBrowserControl::LiveSites(), 0);
    EXPECT_FALSE(web.Navigate2(server_.Url("/")));
}

TEST_F(WebBrowserTest, ControlThatCannotBeCreatedReportsFailureAndLeavesTheContainerEmpty) {
    // A class id nothing is registered under, and one whose object is no OLE control.
    const CLSID unknown{0x5c1f0e7a, 0x31d2, 0x4b8e, {0x9a, 0x41, 0x7e, 0x22, 0x0d, 0x6b, 0x93, 0x10}};
    for (const CLSID& clsid : {unknown, CLSID_StdComponentCategoriesMgr}) {
        WebBrowserControl web(clsid);
        EXPECT_FALSE(web.Create(container_.get()));
        EXPECT_FALSE(web.Created());
        EXPECT_EQ(web.Window(), nullptr);
        EXPECT_EQ(web.Object(), nullptr);
        EXPECT_FALSE(web.Move(0, 0, 10, 10));
        EXPECT_FALSE(web.SetSilent(true));
        EXPECT_FALSE(web.Navigate2(server_.Url("/")));
        EXPECT_EQ(::GetWindow(container_.get(), GW_CHILD), nullptr);
        EXPECT_EQ(WebBrowserControl::LiveSites(), 0);
    }
    WebBrowserControl web;
    EXPECT_FALSE(web.Create(nullptr));
    Pump([] { return false; }, 300);
    EXPECT_EQ(server_.Requests().size(), 0u);
}

TEST_F(WebBrowserTest, CreateTwiceKeepsTheFirstControl) {
    WebBrowserControl web;
    ASSERT_TRUE(web.Create(container_.get()));
    const HWND wnd = web.Window();
    EXPECT_FALSE(web.Create(container_.get()));
    EXPECT_EQ(web.Window(), wnd);
    EXPECT_EQ(WebBrowserControl::LiveSites(), 1);
}

// The container site on its own: COM identity, the frame it hands out, and the ambient answers.
TEST(OleSiteTest, InterfacesShareOneIdentityAndOneWindow) {
    const HWND desktop = ::GetDesktopWindow();
    auto* site = new rt::OleSite(desktop);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&unknown)), S_OK);
    for (const IID& iid : {IID_IOleClientSite, IID_IOleInPlaceSite, IID_IOleWindow, IID_IOleInPlaceFrame,
                           IID_IOleInPlaceUIWindow, IID_IDispatch, IID_IServiceProvider}) {
        ComPtr<IUnknown> itf;
        ASSERT_EQ(site->QueryInterface(iid, reinterpret_cast<void**>(itf.GetAddressOf())), S_OK);
        ComPtr<IUnknown> back;
        ASSERT_EQ(itf->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
        EXPECT_EQ(back.Get(), unknown.Get());
    }
    ComPtr<IOleWindow> window;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&window)), S_OK);
    HWND got = nullptr;
    EXPECT_EQ(window->GetWindow(&got), S_OK);
    EXPECT_EQ(got, desktop);

    site->SetBounds({-20, -20, 420, 290});
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    ASSERT_EQ(site->GetWindowContext(&frame, &doc, &pos, &clip, &info), S_OK);
    const RECT want{-20, -20, 420, 290};
    EXPECT_TRUE(::EqualRect(&pos, &want));
    EXPECT_EQ(doc.Get(), nullptr);
    ASSERT_NE(frame.Get(), nullptr);
    EXPECT_EQ(frame->GetWindow(&got), S_OK);
    EXPECT_EQ(got, desktop);

    EXPECT_EQ(rt::OleSite::Live(), 1);
    window.Reset();
    frame.Reset();
    unknown.Reset();
    site->Release();
    EXPECT_EQ(rt::OleSite::Live(), 0);
}

TEST(OleSiteTest, SilentSiteKeepsDialogsAndDownloadsAwayButLetsPagesRun) {
    auto* site = new rt::OleSite(::GetDesktopWindow());
    ComPtr<IDispatch> ambient;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&ambient)), S_OK);
    auto dlControl = [&] {
        VARIANT v;
        ::VariantInit(&v);
        DISPPARAMS none{};
        EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v,
                                  nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(v.vt, VT_I4);
        return v.lVal;
    };
    ComPtr<IServiceProvider> services;
    ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&services)), S_OK);
    ComPtr<IDownloadManager> downloads;

    EXPECT_EQ(dlControl() & DLCTL_SILENT, 0);
    EXPECT_EQ(services->QueryService(__uuidof(IDownloadManager), IID_PPV_ARGS(&downloads)), E_NOINTERFACE);

    site->SetSilent(true);
    const LONG flags = dlControl();
    EXPECT_NE(flags & DLCTL_SILENT, 0);
    EXPECT_NE(flags & DLCTL_DLIMAGES, 0);
    EXPECT_EQ(flags & (DLCTL_NO_SCRIPTS | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS), 0);
    ASSERT_EQ(services->QueryService(__uuidof(IDownloadManager), IID_PPV_ARGS(&downloads)), S_OK);
    EXPECT_EQ(downloads->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);

    downloads.Reset();
    services.Reset();
    ambient.Reset();
    site->Release();
    EXPECT_EQ(rt::OleSite::Live(), 0);
}

} // namespace
