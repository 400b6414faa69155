#pragma once
// What the downloader needs from the head of an HTTP answer, as the transfer service hands it over
// (status line and header lines, CR LF separated).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace updater {

struct HttpAnswer {
    // The body's length on the wire, when the answer states it and nothing re-encodes the body: no
    // Transfer-Encoding and no Content-Encoding other than identity. Absent when unknown or malformed.
    std::optional<uint64_t> bodyLength;
    // The Location header, trimmed; empty when absent.
    std::string location;

    static HttpAnswer Read(std::wstring_view head);
};

} // namespace updater
