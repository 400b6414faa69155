#include "updater/HttpAnswer.h"

#include "runtime/TextCodec.h"
#include "updater/AsciiNoCase.h"

namespace updater {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Decimal digits only, at most 18 of them: no sign, no blanks inside, no overflow.
std::optional<uint64_t> ParseLength(std::string_view s) {
    if (s.empty() || s.size() > 18) return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

} // namespace

HttpAnswer HttpAnswer::Read(std::wstring_view head) {
    const std::string text = rt::WideToUtf8(head);
    std::optional<uint64_t> length;
    bool lengthSeen = false;
    bool lengthValid = true;
    bool reencoded = false;
    HttpAnswer answer;
    // The first line is the status line.
    size_t pos = text.find('\n');
    while (pos != std::string::npos && pos + 1 < text.size()) {
        const size_t start = pos + 1;
        pos = text.find('\n', start);
        const std::string_view line =
            std::string_view(text).substr(start, (pos == std::string::npos ? text.size() : pos) - start);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trim(line.substr(0, colon));
        const std::string_view value = Trim(line.substr(colon + 1));
        if (EqualNoCase(name, "Content-Length")) {
            const auto parsed = ParseLength(value);
            // Two lengths that disagree make the length unknown.
            if (!parsed || (lengthSeen && length != parsed)) lengthValid = false;
            length = parsed;
            lengthSeen = true;
        } else if (EqualNoCase(name, "Transfer-Encoding")) {
            reencoded = true;
        } else if (EqualNoCase(name, "Content-Encoding")) {
            reencoded = reencoded || !EqualNoCase(value, "identity");
        } else if (EqualNoCase(name, "Location") && answer.location.empty()) {
            answer.location.assign(value);
        }
    }
    if (lengthSeen && lengthValid && !reencoded) answer.bodyLength = length;
    return answer;
}

} // namespace updater
