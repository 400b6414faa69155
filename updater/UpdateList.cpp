#include "updater/UpdateList.h"

#include "runtime/TextCodec.h"
#include "updater/AsciiNoCase.h"
#include "updater/ProductUrl.h"

namespace updater {
namespace {

// One character on: two bytes for a GBK lead byte with a byte after it, else one.
size_t Step(std::string_view s, size_t i, ListEncoding encoding) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (encoding == ListEncoding::Gbk && b >= 0x81 && b <= 0xFE && i + 1 < s.size()) return 2;
    return 1;
}

// The position of the first character c (an ASCII character) in s, or s.size().
size_t FindChar(std::string_view s, char c, ListEncoding encoding, size_t from = 0) {
    size_t i = from;
    while (i < s.size() && s[i] != c)
        i += Step(s, i, encoding);
    return i;
}

std::string_view TrimSpaces(std::string_view s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool ReadDigest(std::string_view hex, Sha256Digest& bytes) {
    if (hex.size() != 2 * bytes.size()) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexValue(hex[2 * i]);
        const int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// One field after the URL: "sha256=…" and "expires=…" are read into the list, once each; false for a
// malformed or repeated one. Any other field is ignored.
bool ReadField(std::string_view field, UpdateList& list) {
    constexpr std::string_view kDigest = "sha256=";
    constexpr std::string_view kExpires = "expires=";
    if (StartsWithNoCase(field, kDigest)) {
        Sha256Digest bytes{};
        if (list.sha256 || !ReadDigest(field.substr(kDigest.size()), bytes)) return false;
        list.sha256 = bytes;
    } else if (StartsWithNoCase(field, kExpires)) {
        const auto date = ParseListDate(field.substr(kExpires.size()));
        if (list.expires || !date) return false;
        list.expires = date;
    }
    return true;
}

} // namespace

std::optional<ListDate> ParseListDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int parts[3] = {};
    int* part = parts;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7) {
            ++part;
            continue;
        }
        if (!IsDigit(text[i])) return std::nullopt;
        *part = *part * 10 + (text[i] - '0');
    }
    const ListDate date{parts[0], parts[1], parts[2]};
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1) return std::nullopt;
    const bool leap = date.year % 4 == 0 && (date.year % 100 != 0 || date.year % 400 == 0);
    const int days = kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
    if (date.day > days) return std::nullopt;
    return date;
}

bool IsVersionText(std::string_view text) {
    return !text.empty() && text.size() <= 16 &&
           text.find_first_not_of("0123456789.") == std::string_view::npos &&
           text.find_first_of("0123456789") != std::string_view::npos;
}

std::string_view FirstLine(std::string_view bytes) {
    bytes = bytes.substr(0, kMaxListBytes);
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    // CR and LF are never part of a GBK character, so the line ends are found byte by byte.
    return bytes.substr(0, bytes.find_first_of("\r\n"));
}

ListField ReadFirstField(std::string_view bytes) {
    const std::string_view line = FirstLine(bytes);

    ListField field;
    field.encoding = rt::IsValidUtf8(line) ? ListEncoding::Utf8 : ListEncoding::Gbk;
    size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) return field;
    size_t end;
    if (line[start] == '"') {
        ++start;
        end = FindChar(line, '"', field.encoding, start);
    } else {
        end = FindChar(line, ',', field.encoding, start);
    }
    field.text.assign(line.substr(start, end - start));
    return field;
}

std::optional<UpdateList> UpdateList::Parse(std::string_view bytes, std::string_view domain) {
    const ListField field = ReadFirstField(bytes);
    const std::string_view text = field.text;
    const size_t bar = FindChar(text, '|', field.encoding);
    if (bar == text.size()) return std::nullopt;
    const std::string_view version = TrimSpaces(text.substr(0, bar));
    if (!IsVersionText(version)) return std::nullopt;
    const size_t urlStart = bar + 1;
    const size_t urlEnd = FindChar(text, '|', field.encoding, urlStart);
    const std::string_view url = TrimSpaces(text.substr(urlStart, urlEnd - urlStart));
    if (url.empty() || !IsProductUrl(url, domain)) return std::nullopt;

    UpdateList list;
    for (size_t start = urlEnd + 1; start <= text.size();) {
        const size_t end = FindChar(text, '|', field.encoding, start);
        if (!ReadField(TrimSpaces(text.substr(start, end - start)), list)) return std::nullopt;
        start = end + 1;
    }
    list.versionText.assign(version);
    list.version = DecimalVersion::Parse(list.versionText);
    list.url.assign(url);
    list.encoding = field.encoding;
    return list;
}

} // namespace updater
