#include "UpdateList.h"

#include "AsciiNoCase.h"
#include "ProductUrl.h"
#include "TextCodec.h"

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

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The digest of a third field "sha256=<hex>": nothing for another third field, false for a broken one.
bool ReadDigestField(std::string_view field, std::optional<Sha256Digest>& digest) {
    constexpr std::string_view kKey = "sha256=";
    if (!StartsWithNoCase(field, kKey)) return true;
    const std::string_view hex = field.substr(kKey.size());
    Sha256Digest bytes{};
    if (hex.size() != 2 * bytes.size()) return false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexValue(hex[2 * i]);
        const int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    digest = bytes;
    return true;
}

} // namespace

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
    const size_t urlStart = bar + 1;
    const size_t urlEnd = FindChar(text, '|', field.encoding, urlStart);
    const std::string_view url = TrimSpaces(text.substr(urlStart, urlEnd - urlStart));
    if (url.empty() || !IsProductUrl(url, domain)) return std::nullopt;

    UpdateList list;
    if (urlEnd < text.size()) {
        const size_t thirdStart = urlEnd + 1;
        const size_t thirdEnd = FindChar(text, '|', field.encoding, thirdStart);
        if (!ReadDigestField(TrimSpaces(text.substr(thirdStart, thirdEnd - thirdStart)), list.sha256))
            return std::nullopt;
    }
    list.versionText.assign(text.substr(0, bar));
    list.version = DecimalVersion::Parse(list.versionText);
    list.url.assign(url);
    list.encoding = field.encoding;
    return list;
}

} // namespace updater
