#include "tests/support/TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace testsupport {

namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

bool SendAll(SOCKET s, const char* data, size_t size) {
    while (size > 0) {
        const int n = ::send(s, data, static_cast<int>(std::min<size_t>(size, 64 * 1024)), 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads the request head; leftover holds whatever arrived after the blank line.
bool ReadHead(SOCKET s, std::string& head, std::string& leftover) {
    std::string buf;
    char chunk[4096];
    for (;;) {
        const auto end = buf.find("\r\n\r\n");
        if (end != std::string::npos) {
            head = buf.substr(0, end + 2);
            leftover = buf.substr(end + 4);
            return true;
        }
        if (buf.size() > kMaxHeaderBytes) return false;
        const int n = ::recv(s, chunk, sizeof(chunk), 0);
        if (n <= 0) return false;
        buf.append(chunk, static_cast<size_t>(n));
    }
}

bool ParseHead(const std::string& head, HttpRequestRecord& rec) {
    size_t pos = head.find("\r\n");
    const std::string_view line(head.data(), pos);
    const auto sp1 = line.find(' ');
    const auto sp2 = line.find(' ', sp1 == std::string_view::npos ? sp1 : sp1 + 1);
    if (sp1 == std::string_view::npos || sp2 == std::string_view::npos) return false;
    rec.method = std::string(line.substr(0, sp1));
    rec.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
    rec.path = rec.target.substr(0, rec.target.find('?'));
    for (pos += 2; pos < head.size();) {
        const auto eol = head.find("\r\n", pos);
        const std::string_view h(head.data() + pos, (eol == std::string::npos ? head.size() : eol) - pos);
        const auto colon = h.find(':');
        if (colon != std::string_view::npos)
            rec.headers.emplace_back(std::string(Trim(h.substr(0, colon))),
                                     std::string(Trim(h.substr(colon + 1))));
        if (eol == std::string::npos) break;
        pos = eol + 2;
    }
    return true;
}

} // namespace

HttpRoute HttpRoute::Ok(std::string body, int status) {
    HttpRoute r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

HttpRoute HttpRoute::Redirect(std::string location, int status) {
    HttpRoute r;
    r.status = status;
    r.contentType = "text/html";
    r.body = "<html><body>moved</body></html>";
    r.extraHeaders.emplace_back("Location", std::move(location));
    return r;
}

std::string HttpRequestRecord::Header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (EqualsNoCase(key, name)) return value;
    return {};
}

TestHttpServer::TestHttpServer(uint16_t port) {
    WSADATA wsa{};
    wsaStarted_ = ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    if (!wsaStarted_) return;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = ::htons(port);
    addr.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int len = sizeof(addr);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(s, SOMAXCONN) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::closesocket(s);
        return;
    }
    port_ = ::ntohs(addr.sin_port);
    listener_ = s;
    acceptThread_ = std::thread([this, s] { AcceptLoop(s); });
}

TestHttpServer::~TestHttpServer() {
    Stop();
    if (wsaStarted_) ::WSACleanup();
}

std::wstring TestHttpServer::Url(std::string_view path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
}

void TestHttpServer::SetRoute(const std::string& path, HttpRoute route) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(route);
}

std::vector<HttpRequestRecord> TestHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

size_t TestHttpServer::RequestCount(std::string_view path) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(
        std::count_if(log_.begin(), log_.end(), [&](const HttpRequestRecord& r) { return r.path == path; }));
}

bool TestHttpServer::WaitForRequest(std::string_view path, DWORD timeoutMs, bool finished) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::any_of(log_.begin(), log_.end(), [&](const HttpRequestRecord& r) {
            return r.path == path && (!finished || r.finished);
        });
    });
}

void TestHttpServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && listener_ == INVALID_SOCKET) return;
        stopping_ = true;
        // Wakes the threads blocked in recv/send; sockets are closed only after their thread is joined.
        for (auto& c : connections_)
            ::shutdown(c.socket, SD_BOTH);
    }
    changed_.notify_all();
    if (listener_ != INVALID_SOCKET) {
        ::closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (acceptThread_.joinable()) acceptThread_.join();
    std::list<Connection> rest;
    {
        std::lock_guard lock(mutex_);
        rest.swap(connections_);
    }
    for (auto& c : rest) {
        if (c.thread.joinable()) c.thread.join();
        ::closesocket(c.socket);
    }
}

void TestHttpServer::AcceptLoop(SOCKET listener) {
    for (;;) {
        const SOCKET s = ::accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET) {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            continue;
        }
        ReapFinished();
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::closesocket(s);
            return;
        }
        Connection& c = connections_.emplace_back();
        c.socket = s;
        c.thread = std::thread([this, &c] { Serve(c); });
    }
}

void TestHttpServer::ReapFinished() {
    std::list<Connection> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if (it->done) finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (auto& c : finished) {
        c.thread.join();
        ::closesocket(c.socket);
    }
}

void TestHttpServer::Serve(Connection& connection) {
    const SOCKET s = connection.socket;
    std::string head, body;
    HttpRequestRecord rec;
    if (ReadHead(s, head, body) && ParseHead(head, rec)) {
        const size_t want =
            static_cast<size_t>(std::strtoul(rec.Header("Content-Length").c_str(), nullptr, 10));
        char chunk[4096];
        while (body.size() < want) {
            const int n = ::recv(s, chunk, sizeof(chunk), 0);
            if (n <= 0) break;
            body.append(chunk, static_cast<size_t>(n));
        }
        rec.body = std::move(body);
        rec.received = std::chrono::steady_clock::now();
        HttpRoute route;
        size_t index = 0;
        {
            std::lock_guard lock(mutex_);
            const auto it = routes_.find(rec.path);
            if (it != routes_.end()) {
                route = it->second;
            } else {
                route.status = 404;
                route.contentType = "text/html";
                route.body = "<html><body>404 Not Found</body></html>";
            }
            index = log_.size();
            log_.push_back(rec);
        }
        changed_.notify_all();
        SendAnswer(s, index, route, rec.method == "HEAD");
    }
    ::shutdown(s, SD_SEND);
    connection.done = true;
}

void TestHttpServer::SendAnswer(SOCKET s, size_t index, const HttpRoute& route, bool headOnly) {
    std::string head = "HTTP/1.1 " + std::to_string(route.status) + " " + ReasonPhrase(route.status) + "\r\n";
    head += "Content-Type: " + route.contentType + "\r\n";
    if (route.sendContentLength) head += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    head += "Connection: close\r\nCache-Control: no-cache, no-store\r\n";
    for (const auto& [key, value] : route.extraHeaders)
        head += key + ": " + value + "\r\n";
    head += "\r\n";
    if (route.sendHead && !SendAll(s, head.data(), head.size())) {
        UpdateRecord(index, 0, false, true);
        return;
    }
    const size_t total = headOnly ? 0 : route.body.size();
    const size_t end = std::min({total, route.cutAfter, route.stallAfter});
    const size_t step = route.chunkSize ? route.chunkSize : std::max<size_t>(total, 1);
    size_t sent = 0;
    while (sent < end) {
        if (route.chunkDelayMs && WaitStopped(route.chunkDelayMs)) break;
        const size_t n = std::min(step, end - sent);
        if (!SendAll(s, route.body.data() + sent, n)) break;
        sent += n;
        UpdateRecord(index, sent, false, false);
    }
    if (sent < total && sent == route.stallAfter) HoldOpen(s);
    UpdateRecord(index, sent, sent == total, true);
}

void TestHttpServer::HoldOpen(SOCKET s) {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait{0, 50 * 1000};
        const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0) return;
        char byte;
        // The client closed its side (or reset the connection): nobody is waiting any more.
        if (ready > 0 && ::recv(s, &byte, 1, 0) <= 0) return;
    }
}

void TestHttpServer::UpdateRecord(size_t index, size_t bodyBytesSent, bool completed, bool finished) {
    {
        std::lock_guard lock(mutex_);
        HttpRequestRecord& r = log_[index];
        r.bodyBytesSent = bodyBytesSent;
        r.completed = completed;
        r.finished = finished;
    }
    changed_.notify_all();
}

bool TestHttpServer::WaitStopped(DWORD ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

} // namespace testsupport
