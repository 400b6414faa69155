// CFileDownload against a local HTTP server: what is saved, what counts as a failure, the busy flag and
// the binding reference, abort, progress, and the caller's window running during a transfer.
#include <winsock2.h>
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CFileDownload.h"

using testsupport::HttpRoute;
using testsupport::TestHttpServer;
using updatertest::FileExists;
using updatertest::PatternBytes;
using updatertest::ReadBytes;
using updatertest::ScratchFolder;
using updatertest::WriteFileBytes;

namespace {

HttpRoute BodyRoute(std::string body, bool contentLength = true) {
    HttpRoute r;
    r.body = std::move(body);
    r.sendContentLength = contentLength;
    return r;
}

HttpRoute SlowRoute(size_t pieces, size_t pieceSize, DWORD delayMs, bool contentLength = true) {
    HttpRoute r = BodyRoute(PatternBytes(pieces * pieceSize, 7), contentLength);
    r.chunkSize = pieceSize;
    r.chunkDelayMs = delayMs;
    return r;
}

long ElapsedMs(std::chrono::steady_clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
            .count());
}

// A hidden window whose messages go to a test's handler.
class TestWindow {
  public:
    explicit TestWindow(std::function<void(UINT)> handler) : handler_(std::move(handler)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PelmorDownloadTestWindow";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowW(wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestWindow() { ::DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m >= WM_APP) {
            self->handler_(m);
            return 0;
        }
        return ::DefWindowProcW(h, m, w, l);
    }
    std::function<void(UINT)> handler_;
    HWND hwnd_ = nullptr;
};

struct ProgressEvent {
    int32_t progress, maximum, code;
    std::wstring text;
    DWORD thread;
};

bool IsDataStatus(int32_t code) {
    return code == BINDSTATUS_BEGINDOWNLOADDATA || code == BINDSTATUS_DOWNLOADINGDATA ||
           code == BINDSTATUS_ENDDOWNLOADDATA;
}

// Counts references and Abort calls; never deletes itself.
class MockBinding final : public IBinding {
  public:
    LONG refs = 1;
    int aborts = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IBinding) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    STDMETHODIMP Abort() override {
        ++aborts;
        return S_OK;
    }
    STDMETHODIMP Suspend() override { return E_NOTIMPL; }
    STDMETHODIMP Resume() override { return E_NOTIMPL; }
    STDMETHODIMP SetPriority(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) override { return E_NOTIMPL; }
};

class FileDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server.Running()); }

    // References on the status callback other than the object's own one.
    static ULONG ForeignRefs(const CFileDownload& d) {
        IBindStatusCallback* cb = d.StatusCallback();
        cb->AddRef();
        return cb->Release() - 1;
    }

    // Waits until the server has finished with the request for path and tells whether all was sent.
    bool ServerSentAll(const std::string& path) {
        EXPECT_TRUE(server.WaitForRequest(path, 10000, true)) << path;
        for (const auto& r : server.Requests())
            if (r.path == path) return r.completed;
        return false;
    }

    TestHttpServer server;
    ScratchFolder scratch{L"pelmor_download"};
    const std::wstring dir = scratch.Path() + L"\\";
};

struct BodyCase {
    const char* name;
    size_t size;
    bool contentLength;
    size_t chunk;
};

class SavedBodyTest : public FileDownloadTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(SavedBodyTest, OkAnswerIsSavedByteForByteOverAnOlderLongerFile) {
    const BodyCase& c = GetParam();
    HttpRoute route = BodyRoute(PatternBytes(c.size, 1), c.contentLength);
    route.chunkSize = c.chunk;
    route.chunkDelayMs = c.chunk ? 10 : 0;
    server.SetRoute("/file", route);
    const std::wstring dest = dir + L"file.bin";
    ASSERT_TRUE(WriteFileBytes(dest, PatternBytes(c.size + 100000, 2)));

    CFileDownload d;
    ASSERT_TRUE(d.StartDownloading(server.Url("/file"), dest));
    std::string saved;
    ASSERT_TRUE(ReadBytes(dest, saved));
    EXPECT_EQ(saved.size(), route.body.size());
    EXPECT_TRUE(saved == route.body) << "content differs";
    EXPECT_FALSE(d.Busy());
    EXPECT_EQ(ForeignRefs(d), 0u) << "urlmon still holds the callback after the call";
    EXPECT_EQ(server.RequestCount("/file"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Bodies, SavedBodyTest,
                         ::testing::Values(BodyCase{"Small", 5, true, 0}, BodyCase{"Empty", 0, true, 0},
                                           BodyCase{"OneMegabyte", 1 << 20, true, 0},
                                           BodyCase{"UnknownLengthInPieces", 64 * 1024, false, 8 * 1024}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileDownloadTest, SameUrlTwiceIsFetchedFromTheServerEachTime) {
    server.SetRoute("/upsoft.txt", BodyRoute("1.666|http://example/a.exe"));
    CFileDownload d;
    ASSERT_TRUE(d.StartDownloading(server.Url("/upsoft.txt"), dir + L"a.txt"));
    server.SetRoute("/upsoft.txt", BodyRoute("1.777|http://example/b.exe"));
    ASSERT_TRUE(d.StartDownloading(server.Url("/upsoft.txt"), dir + L"b.txt"));
    std::string second;
    ASSERT_TRUE(ReadBytes(dir + L"b.txt", second));
    EXPECT_EQ(second, "1.777|http://example/b.exe");
    EXPECT_EQ(server.RequestCount("/upsoft.txt"), 2u);
}

class HttpErrorTest : public FileDownloadTest, public ::testing::WithParamInterface<int> {};

TEST_P(HttpErrorTest, ErrorAnswerIsAFailureAndSavesNothing) {
    HttpRoute route = BodyRoute("<html>error page</html>");
    route.status = GetParam();
    server.SetRoute("/error", route);
    const std::wstring dest = dir + L"error.bin";

    CFileDownload d;
    EXPECT_FALSE(d.StartDownloading(server.Url("/error"), dest));
    EXPECT_FALSE(FileExists(dest));
    EXPECT_FALSE(d.Busy());
    EXPECT_EQ(ForeignRefs(d), 0u);
    EXPECT_EQ(server.RequestCount("/error"), 1u)
        << "the failure must come from the answer, not the connection";
}

INSTANTIATE_TEST_SUITE_P(Statuses, HttpErrorTest, ::testing::Values(404, 403, 500, 503));

TEST_F(FileDownloadTest, UnroutedPathIsA404Failure) {
    CFileDownload d;
    EXPECT_FALSE(d.StartDownloading(server.Url("/no/such/file"), dir + L"x.bin"));
    EXPECT_FALSE(FileExists(dir + L"x.bin"));
}

TEST_F(FileDownloadTest, RefusedConnectionAndBadAddressFail) {
    uint16_t closedPort = 0;
    {
        TestHttpServer closed;
        closedPort = closed.Port();
    }
    CFileDownload d;
    EXPECT_FALSE(
        d.StartDownloading(L"http://127.0.0.1:" + std::to_wstring(closedPort) + L"/x", dir + L"r.bin"));
    EXPECT_FALSE(d.StartDownloading(L"nosuchscheme://nowhere/x", dir + L"r.bin"));
    EXPECT_FALSE(FileExists(dir + L"r.bin"));
    EXPECT_FALSE(d.Busy());
    EXPECT_EQ(ForeignRefs(d), 0u);
}

TEST_F(FileDownloadTest, SecondStartFromInsideProgressIsRefused) {
    server.SetRoute("/slow", SlowRoute(4, 1000, 50));
    server.SetRoute("/other", BodyRoute("other"));
    CFileDownload d;
    int nestedCalls = 0;
    bool nestedResult = true;
    bool busyInside = false;
    d.OnProgress = [&](int32_t, int32_t, int32_t, const std::wstring&) {
        if (nestedCalls++ > 0) return;
        busyInside = d.Busy();
        nestedResult = d.StartDownloading(server.Url("/other"), dir + L"other.bin");
    };
    ASSERT_TRUE(d.StartDownloading(server.Url("/slow"), dir + L"slow.bin"));
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(server.RequestCount("/other"), 0u);
    EXPECT_FALSE(FileExists(dir + L"other.bin"));
    std::string saved;
    ASSERT_TRUE(ReadBytes(dir + L"slow.bin", saved));
    EXPECT_EQ(saved.size(), 4000u);
}

TEST_F(FileDownloadTest, AbortFromProgressEndsTheTransferWithFailure) {
    server.SetRoute("/slow", SlowRoute(40, 1000, 100)); // four seconds when not aborted
    server.SetRoute("/small", BodyRoute("small"));
    CFileDownload d;
    bool busyAfterAbort = true;
    int aborts = 0;
    d.OnProgress = [&](int32_t progress, int32_t, int32_t code, const std::wstring&) {
        // Some data has been written by then.
        if (code != BINDSTATUS_DOWNLOADINGDATA || progress < 3000) return;
        if (aborts++ > 0) return;
        d.AbortDownloading();
        busyAfterAbort = d.Busy();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(d.StartDownloading(server.Url("/slow"), dir + L"slow.bin"));
    EXPECT_LT(ElapsedMs(start), 2500);
    EXPECT_EQ(aborts, 1);
    EXPECT_FALSE(busyAfterAbort);
    EXPECT_FALSE(d.Busy());
    EXPECT_EQ(ForeignRefs(d), 0u);
    EXPECT_FALSE(FileExists(dir + L"slow.bin")) << "a cut-off file was left behind";
    EXPECT_FALSE(ServerSentAll("/slow"));

    d.OnProgress = nullptr;
    EXPECT_TRUE(d.StartDownloading(server.Url("/small"), dir + L"small.bin")) << "the object is usable again";
}

TEST_F(FileDownloadTest, OwnerDestroyedInsideProgressAbortsTheTransfer) {
    server.SetRoute("/slow", SlowRoute(40, 1000, 100));
    auto d = std::make_unique<CFileDownload>();
    CFileDownload* raw = d.get();
    int events = 0;
    d->OnProgress = [&](int32_t, int32_t, int32_t code, const std::wstring&) {
        ++events;
        if (code == BINDSTATUS_BEGINDOWNLOADDATA) d.reset();
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(raw->StartDownloading(server.Url("/slow"), dir + L"slow.bin"));
    EXPECT_EQ(d, nullptr);
    EXPECT_LT(ElapsedMs(start), 2500);
    const int eventsAtReturn = events;
    EXPECT_FALSE(ServerSentAll("/slow"));
    EXPECT_EQ(events, eventsAtReturn);
    EXPECT_FALSE(FileExists(dir + L"slow.bin"));
}

TEST_F(FileDownloadTest, QuitPostedDuringTransferAbortsItAndIsHandedBack) {
    server.SetRoute("/slow", SlowRoute(40, 1000, 100));
    CFileDownload d;
    bool posted = false;
    d.OnProgress = [&](int32_t, int32_t, int32_t code, const std::wstring&) {
        if (code != BINDSTATUS_BEGINDOWNLOADDATA || posted) return;
        posted = true;
        ::PostQuitMessage(7);
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(d.StartDownloading(server.Url("/slow"), dir + L"slow.bin"));
    EXPECT_LT(ElapsedMs(start), 2500);
    ASSERT_TRUE(posted);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(FileDownloadTest, ProgressPassesTheMaximumThroughOnTheCallersThread) {
    for (const bool contentLength : {true, false}) {
        SCOPED_TRACE(contentLength ? "with Content-Length" : "without Content-Length");
        server.SetRoute("/slow", SlowRoute(6, 2000, 60, contentLength));
        CFileDownload d;
        std::vector<ProgressEvent> events;
        d.OnProgress = [&](int32_t p, int32_t m, int32_t c, const std::wstring& t) {
            events.push_back({p, m, c, t, ::GetCurrentThreadId()});
        };
        ASSERT_TRUE(d.StartDownloading(server.Url("/slow"), dir + L"slow.bin"));

        const int32_t expectedMax = contentLength ? 12000 : 0;
        int dataEvents = 0;
        int32_t last = 0;
        for (const auto& e : events) {
            EXPECT_EQ(e.thread, ::GetCurrentThreadId());
            if (!IsDataStatus(e.code)) continue;
            ++dataEvents;
            EXPECT_EQ(e.maximum, expectedMax) << "status " << e.code << " at " << e.progress;
            EXPECT_GE(e.progress, last);
            last = e.progress;
        }
        EXPECT_GE(dataEvents, 3);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().code, BINDSTATUS_ENDDOWNLOADDATA);
        EXPECT_EQ(events.back().progress, 12000);
        EXPECT_EQ(events.back().text, server.Url("/slow")) << "status text of the end is the URL";
    }
}

TEST_F(FileDownloadTest, WindowMessagesRunDuringTheTransfer) {
    // The body is held back for a second and a half: no progress notification arrives meanwhile.
    HttpRoute stall = BodyRoute(PatternBytes(3000, 3));
    stall.chunkSize = 3000;
    stall.chunkDelayMs = 1500;
    server.SetRoute("/stall", stall);

    CFileDownload d;
    bool postedEarlyHandled = false;
    bool stallMessageHandled = false;
    size_t bodyBytesSentWhenHandled = SIZE_MAX;
    TestWindow window([&](UINT m) {
        if (m == WM_APP + 1) postedEarlyHandled = true;
        if (m == WM_APP + 2) {
            stallMessageHandled = true;
            for (const auto& r : server.Requests())
                if (r.path == "/stall") bodyBytesSentWhenHandled = r.bodyBytesSent;
        }
    });
    ASSERT_NE(window.hwnd(), nullptr) << ::GetLastError();
    ASSERT_TRUE(::PostMessageW(window.hwnd(), WM_APP + 1, 0, 0));
    std::thread poster([&] {
        if (server.WaitForRequest("/stall", 5000)) ::PostMessageW(window.hwnd(), WM_APP + 2, 0, 0);
    });
    const bool ok = d.StartDownloading(server.Url("/stall"), dir + L"stall.bin");
    poster.join();

    EXPECT_TRUE(ok);
    EXPECT_TRUE(postedEarlyHandled);
    EXPECT_TRUE(stallMessageHandled);
    EXPECT_EQ(bodyBytesSentWhenHandled, 0u) << "the message waited for the next progress notification";
}

TEST_F(FileDownloadTest, ChineseDestinationPath) {
    const std::string body = PatternBytes(100000, 4);
    server.SetRoute("/Pelmor.exe", BodyRoute(body));
    const std::wstring folder = dir + L"更新目录\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring dest = folder + L"Pelmor免费行情分析系统.exe";

    CFileDownload d;
    ASSERT_TRUE(d.StartDownloading(server.Url("/Pelmor.exe"), dest));
    std::string saved;
    ASSERT_TRUE(ReadBytes(dest, saved)) << "not saved under its Chinese name";
    EXPECT_TRUE(saved == body);
}

TEST_F(FileDownloadTest, BindingReferenceAndBusyAcrossTheLifecycle) {
    MockBinding binding;
    {
        CFileDownload d;
        IBindStatusCallback* cb = d.StatusCallback();
        EXPECT_FALSE(d.Busy());

        d.AbortDownloading(); // idle: nothing to abort
        EXPECT_FALSE(d.Busy());
        EXPECT_EQ(binding.aborts, 0);

        EXPECT_EQ(cb->OnStartBinding(0, &binding), S_OK);
        EXPECT_TRUE(d.Busy());
        EXPECT_EQ(binding.refs, 2);
        EXPECT_FALSE(d.StartDownloading(server.Url("/any"), dir + L"any.bin")) << "busy";
        EXPECT_EQ(server.RequestCount("/any"), 0u);

        EXPECT_EQ(cb->OnStopBinding(S_OK, nullptr), S_OK);
        EXPECT_FALSE(d.Busy());
        EXPECT_EQ(binding.refs, 1);
        EXPECT_EQ(cb->OnStopBinding(S_OK, nullptr), S_OK);
        EXPECT_EQ(binding.refs, 1) << "released twice";

        d.AbortDownloading(); // after the end: only clears busy
        EXPECT_EQ(binding.aborts, 0);
        EXPECT_EQ(binding.refs, 1);

        EXPECT_EQ(cb->OnStartBinding(0, &binding), S_OK);
        d.AbortDownloading();
        EXPECT_EQ(binding.aborts, 1);
        EXPECT_FALSE(d.Busy());
        EXPECT_EQ(binding.refs, 2) << "the reference is given back at the end of the binding, not at Abort";
    }
    EXPECT_EQ(binding.refs, 1) << "destruction must release a binding still held";
    EXPECT_EQ(binding.aborts, 1) << "no transfer was running; destruction only releases";
}

TEST(FileDownloadStrFromPtr, CopiesWideAnsiAndNull) {
    const wchar_t* wide = L"正在下载 update";
    EXPECT_EQ(CFileDownload::StrFromPtr(wide, true), std::wstring(wide));
    EXPECT_EQ(CFileDownload::StrFromPtr("text/plain; charset=x", false), L"text/plain; charset=x");
    EXPECT_EQ(CFileDownload::StrFromPtr(L"", true), L"");
    EXPECT_EQ(CFileDownload::StrFromPtr("", false), L"");
    EXPECT_EQ(CFileDownload::StrFromPtr(nullptr, true), L"");
    EXPECT_EQ(CFileDownload::StrFromPtr(nullptr, false), L"");
}

} // namespace
