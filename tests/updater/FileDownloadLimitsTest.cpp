// CFileDownload against servers that misbehave: stalls and trickles end at the time limits, bodies too
// large or cut short fail, redirects are put to the rule before any request goes on, and an answer
// without an HTTP status is no success. Nothing of a failed transfer stays on disk.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/CFileDownload.h"

using testsupport::HttpRoute;
using testsupport::TestHttpServer;
using namespace updatertest;

namespace {

// In the order of the enumeration.
const char* Name(DownloadResult r) {
    static const char* const kNames[] = {"Saved",    "Failed",   "HttpError",       "Aborted",    "TimedOut",
                                         "TooLarge", "CutShort", "RedirectRefused", "WriteFailed"};
    return kNames[static_cast<int>(r)];
}

HttpRoute Pieces(size_t count, size_t size, DWORD delayMs, bool contentLength = true) {
    HttpRoute r;
    r.body = PatternBytes(count * size, 5);
    r.chunkSize = size;
    r.chunkDelayMs = delayMs;
    r.sendContentLength = contentLength;
    return r;
}

class DownloadLimits : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.Running()); }
    void TearDown() override {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        watchdog_.join();
    }

    // Runs one transfer of path into the scratch folder and says how it ended and how long it took.
    bool Fetch(const std::string& path) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = download_.StartDownloading(server_.Url(path), Dest());
        elapsedMs_ =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        result_ = download_.LastResult();
        return ok;
    }
    std::wstring Dest() const { return folder_.File(L"Pelmor.exe"); }
    void AllowSameHostOnly() {
        download_.AllowRedirect = [](const std::wstring&, const std::wstring& to) {
            return to.starts_with(L"http://127.0.0.1:");
        };
    }
    // The server's record of the request; the transfer service may keep an aborted connection open.
    const testsupport::HttpRequestRecord* Request(const std::string& path) {
        EXPECT_TRUE(server_.WaitForRequest(path, 10000)) << path;
        requests_ = server_.Requests();
        for (const auto& r : requests_)
            if (r.path == path) return &r;
        return nullptr;
    }

    TestHttpServer server_;
    ScratchFolder folder_{L"Pelmor 下载限制"};
    CFileDownload download_;
    DownloadResult result_ = DownloadResult::Saved;
    long long elapsedMs_ = 0;
    std::vector<testsupport::HttpRequestRecord> requests_;

  private:
    // A transfer that never ends would hang the test program: the server goes after half a minute.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread watchdog_{[this] {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) server_.Stop();
    }};
};

struct StallCase {
    const char* name;
    HttpRoute route;
    TransferLimits limits;
};

void PrintTo(const StallCase& c, std::ostream* os) {
    *os << c.name;
}

HttpRoute Silent() {
    HttpRoute r = Pieces(4, 1000, 0);
    r.sendHead = false;
    r.stallAfter = 0;
    return r;
}

HttpRoute StalledAfter(size_t bytes) {
    HttpRoute r = Pieces(4, 1000, 0);
    r.stallAfter = bytes;
    return r;
}

class DownloadStall : public DownloadLimits, public ::testing::WithParamInterface<StallCase> {};

TEST_P(DownloadStall, EndsAtTheTimeLimitAndLeavesNoFile) {
    server_.SetRoute("/setup.exe", GetParam().route);
    download_.Limits = GetParam().limits;
    EXPECT_FALSE(Fetch("/setup.exe"));
    EXPECT_EQ(result_, DownloadResult::TimedOut) << Name(result_);
    EXPECT_LT(elapsedMs_, 10000) << "ended by the watchdog, not by the limit";
    EXPECT_FALSE(FileExists(Dest()));
    EXPECT_EQ(server_.RequestCount("/setup.exe"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, DownloadStall,
    ::testing::Values(StallCase{"no_answer_at_all", Silent(), {800, 0, 0}},
                      StallCase{"answer_then_silence", StalledAfter(1500), {800, 0, 0}},
                      // A byte now and then keeps the idle limit away; the whole transfer's limit ends it.
                      StallCase{"trickle", Pieces(200, 1, 100), {800, 1500, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadLimits, ASlowTransferThatKeepsComingIsNotCutByTheIdleLimit) {
    // Longer in all than the idle limit, with pauses well inside it.
    server_.SetRoute("/setup.exe", Pieces(12, 1000, 150));
    download_.Limits = {1000, 0, 0};
    EXPECT_TRUE(Fetch("/setup.exe")) << Name(result_);
    std::string saved;
    EXPECT_TRUE(ReadBytes(Dest(), saved) && saved.size() == 12000u);
}

struct SizeCase {
    const char* name;
    HttpRoute route;
    uint64_t maxBytes;
    bool saved;
    bool endsAtTheHead = false; // the announced length alone ends it
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class DownloadSize : public DownloadLimits, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(DownloadSize, ABodyOverTheLimitStopsBeforeItIsAllWritten) {
    const SizeCase& c = GetParam();
    server_.SetRoute("/setup.exe", c.route);
    download_.Limits.maxBytes = c.maxBytes;
    EXPECT_EQ(Fetch("/setup.exe"), c.saved) << Name(result_);
    const auto* request = Request("/setup.exe");
    ASSERT_NE(request, nullptr);
    if (c.saved) {
        EXPECT_EQ(result_, DownloadResult::Saved);
        EXPECT_TRUE(FileExists(Dest()));
        return;
    }
    EXPECT_EQ(result_, DownloadResult::TooLarge) << Name(result_);
    EXPECT_FALSE(FileExists(Dest()));
    // Had it run to the end, the server would have sent the whole body before the call returned.
    EXPECT_LT(request->bodyBytesSent, c.route.body.size()) << "the transfer ran to the end";
    if (c.endsAtTheHead) {
        EXPECT_LT(request->bodyBytesSent, c.maxBytes) << "ended only when the body passed the limit";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DownloadSize,
    ::testing::Values(SizeCase{"announced", Pieces(100, 1000, 50), 10000, false, true},
                      SizeCase{"unannounced", Pieces(200, 1000, 20, false), 10000, false},
                      SizeCase{"exactly_the_limit", Pieces(10, 1000, 0), 10000, true},
                      SizeCase{"unannounced_exactly_the_limit", Pieces(10, 1000, 0, false), 10000, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadLimits, ABodyCutShortOfItsLengthFails) {
    HttpRoute cut = Pieces(10, 1000, 0);
    cut.cutAfter = 4000;
    server_.SetRoute("/setup.exe", cut);
    EXPECT_FALSE(Fetch("/setup.exe"));
    EXPECT_TRUE(result_ == DownloadResult::CutShort || result_ == DownloadResult::Failed) << Name(result_);
    EXPECT_FALSE(FileExists(Dest()));
}

TEST_F(DownloadLimits, AnAnswerWithoutAStatusIsNoSuccess) {
    // A status line without its number: the transfer service reports no status at all.
    const std::string body = "MZ" + PatternBytes(3000, 8);
    HttpRoute raw;
    raw.sendHead = false;
    raw.body = "HTTP/1.1 \r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    server_.SetRoute("/setup.exe", raw);
    EXPECT_FALSE(Fetch("/setup.exe"));
    EXPECT_EQ(result_, DownloadResult::HttpError) << Name(result_);
    EXPECT_FALSE(FileExists(Dest()));
}

TEST_F(DownloadLimits, ARedirectOnTheSameHostIsFollowed) {
    server_.SetRoute("/old/setup.exe", HttpRoute::Redirect("/new/setup.exe"));
    server_.SetRoute("/new/setup.exe", Pieces(1, 5000, 0));
    std::wstring from, to;
    download_.AllowRedirect = [&](const std::wstring& f, const std::wstring& t) {
        from = f;
        to = t;
        return true;
    };
    EXPECT_TRUE(Fetch("/old/setup.exe")) << Name(result_);
    EXPECT_EQ(from, server_.Url("/old/setup.exe"));
    EXPECT_EQ(to, server_.Url("/new/setup.exe")) << "the relative Location is read against the old address";
    std::string saved;
    EXPECT_TRUE(ReadBytes(Dest(), saved) && saved == PatternBytes(5000, 5));
}

struct RedirectCase {
    const char* name;
    std::string location; // "@" stands for this server's port
    bool rule;            // AllowSameHostOnly; else no rule at all
};

void PrintTo(const RedirectCase& c, std::ostream* os) {
    *os << c.name;
}

class DownloadRedirect : public DownloadLimits, public ::testing::WithParamInterface<RedirectCase> {};

TEST_P(DownloadRedirect, IsRefusedBeforeAnyRequestGoesThere) {
    std::string location = GetParam().location;
    if (const size_t at = location.find('@'); at != std::string::npos)
        location.replace(at, 1, std::to_string(server_.Port()));
    server_.SetRoute("/setup.exe", HttpRoute::Redirect(location));
    server_.SetRoute("/evil.exe", Pieces(1, 5000, 0));
    if (GetParam().rule) AllowSameHostOnly();
    EXPECT_FALSE(Fetch("/setup.exe"));
    EXPECT_EQ(result_, DownloadResult::RedirectRefused) << Name(result_);
    EXPECT_EQ(server_.RequestCount("/evil.exe"), 0u);
    EXPECT_FALSE(FileExists(Dest()));
}

INSTANTIATE_TEST_SUITE_P(Redirects, DownloadRedirect,
                         // localhost reaches this same server under another host name.
                         ::testing::Values(RedirectCase{"another_host", "http://localhost:@/evil.exe", true},
                                           RedirectCase{"another_host_without_a_port", "//localhost/evil.exe",
                                                        true},
                                           RedirectCase{"no_rule_refuses_all", "/evil.exe", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadLimits, ARedirectLoopEndsAfterTheLastAllowedHop) {
    server_.SetRoute("/loop", HttpRoute::Redirect("/loop", 307));
    AllowSameHostOnly();
    EXPECT_FALSE(Fetch("/loop"));
    EXPECT_EQ(result_, DownloadResult::RedirectRefused) << Name(result_);
    EXPECT_EQ(server_.RequestCount("/loop"), static_cast<size_t>(CFileDownload::kMaxRedirects + 1));
}

} // namespace
