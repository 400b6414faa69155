#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for Win32 tests: a table of routes with fixed, slowly sent, cut
// or stalled bodies and redirects, and a log of the requests it saw. One connection per request
// ("Connection: close").
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRoute {
    int status = 200;
    std::string body;
    std::string contentType = "application/octet-stream";
    HttpHeaders extraHeaders;
    // Without a Content-Length the end of the body is the end of the connection.
    bool sendContentLength = true;
    // A slow body: sent in pieces of chunkSize bytes, each after a pause of chunkDelayMs (0: all at once).
    size_t chunkSize = 0;
    DWORD chunkDelayMs = 0;
    // A body cut short: the connection is closed after this many body bytes, whatever the head announced.
    size_t cutAfter = SIZE_MAX;
    // A stalled body: after this many body bytes nothing more is sent, and the connection is held open
    // until the client goes or the server stops.
    size_t stallAfter = SIZE_MAX;
    // False: no status line and no headers, only the body, as from a server that speaks no HTTP.
    bool sendHead = true;

    // An answer with this body and status, sent at once.
    static HttpRoute Ok(std::string body, int status = 200);
    // An answer that sends the client to location (absolute or relative).
    static HttpRoute Redirect(std::string location, int status = 302);
};

struct HttpRequestRecord {
    std::string method;
    std::string target; // as sent, with any query
    std::string path;   // target without the query
    HttpHeaders headers;
    std::string body;
    std::chrono::steady_clock::time_point received;
    // Filled in while the answer is sent: body bytes written, and whether all of them went out.
    size_t bodyBytesSent = 0;
    bool completed = false;
    bool finished = false; // the connection is done with, completed or not

    // First header of that name, compared without regard to case; empty when absent.
    std::string Header(std::string_view name) const;
};

class TestHttpServer {
  public:
    // port 0 takes an ephemeral port; Port() tells which. Check Running() after construction.
    explicit TestHttpServer(uint16_t port = 0);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool Running() const { return listener_ != INVALID_SOCKET; }
    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::wstring Url(std::string_view path) const;

    // Routes match the request path exactly; an unknown path gets a 404 page.
    void SetRoute(const std::string& path, HttpRoute route);
    std::vector<HttpRequestRecord> Requests() const;
    size_t RequestCount(std::string_view path) const;
    // Waits until a request for path has been seen (and, with finished, its connection is done).
    bool WaitForRequest(std::string_view path, DWORD timeoutMs, bool finished = false) const;

    // Closes the listener and every open connection and joins the threads; the destructor calls it.
    void Stop();

  private:
    struct Connection {
        SOCKET socket = INVALID_SOCKET;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void AcceptLoop(SOCKET listener);
    void Serve(Connection& connection);
    void SendAnswer(SOCKET s, size_t recordIndex, const HttpRoute& route, bool headOnly);
    void UpdateRecord(size_t index, size_t bodyBytesSent, bool completed, bool finished);
    bool WaitStopped(DWORD ms);
    // Sends nothing until the client closes the connection or the server stops.
    void HoldOpen(SOCKET s);
    void ReapFinished();

    bool wsaStarted_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::thread acceptThread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::map<std::string, HttpRoute, std::less<>> routes_;
    std::vector<HttpRequestRecord> log_;
    std::list<Connection> connections_;
};

} // namespace testsupport
