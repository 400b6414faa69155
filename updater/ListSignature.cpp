#include "updater/ListSignature.h"

#include <cstring>

#include "updater/AsciiNoCase.h"
#include "updater/UpdateList.h"

namespace updater {
namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

template <size_t N> std::optional<std::array<uint8_t, N>> DecodeExactly(std::string_view base64) {
    const auto bytes = DecodeBase64(base64);
    if (!bytes || bytes->size() != N) return std::nullopt;
    std::array<uint8_t, N> out{};
    std::memcpy(out.data(), bytes->data(), N);
    return out;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The next line of rest (up to CR, LF or CR LF), taken off rest; nothing when rest holds no further line.
std::optional<std::string_view> TakeLine(std::string_view& rest) {
    if (rest.empty()) return std::nullopt;
    const size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    if (rest.starts_with("\r\n"))
        rest.remove_prefix(2);
    else if (!rest.empty())
        rest.remove_prefix(1);
    return line;
}

// The text after "sig=": "<8 hex digits>:<base64>" or, in the old form, "<base64>".
std::optional<ListSignatureLine> ReadSignature(std::string_view text) {
    ListSignatureLine line;
    if (text.size() > 8 && text[8] == ':') {
        KeyId id{};
        for (size_t i = 0; i < 8; ++i) {
            const int v = HexValue(text[i]);
            if (v < 0) return std::nullopt;
            id[i / 2] = static_cast<uint8_t>(id[i / 2] << 4 | v);
        }
        line.keyId = id;
        text.remove_prefix(9);
    }
    const auto signature = DecodeExactly<64>(text);
    if (!signature) return std::nullopt;
    line.signature = *signature;
    return line;
}

} // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const int v = Base64Value(text[i]);
        if (v < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    // The last group: two or three characters carry one or two bytes; the bits left over must be zero.
    if (count == 2) {
        if (bits & 0xF) return std::nullopt;
        out.push_back(static_cast<uint8_t>(bits >> 4));
    } else if (count == 3) {
        if (bits & 0x3) return std::nullopt;
        out.push_back(static_cast<uint8_t>(bits >> 10));
        out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return out;
}

std::optional<EcPublicKey> ParsePublicKey(std::string_view base64) {
    const auto point = DecodeExactly<65>(base64);
    if (!point || (*point)[0] != 0x04) return std::nullopt;
    EcPublicKey key{};
    std::memcpy(key.data(), point->data() + 1, key.size());
    return key;
}

std::optional<std::vector<EcPublicKey>> ParsePublicKeys(std::string_view setting) {
    std::vector<EcPublicKey> keys;
    while (!setting.empty()) {
        const size_t end = setting.find(';');
        const std::string_view text = TrimBlanks(setting.substr(0, end));
        setting.remove_prefix(end == std::string_view::npos ? setting.size() : end + 1);
        if (text.empty()) continue;
        const auto key = ParsePublicKey(text);
        if (!key) return std::nullopt;
        keys.push_back(*key);
    }
    if (keys.empty()) return std::nullopt;
    return keys;
}

SignedList SplitSignedList(std::string_view bytes) {
    SignedList list;
    list.message = FirstLine(bytes);
    std::string_view rest =
        bytes.substr(static_cast<size_t>(list.message.data() - bytes.data()) + list.message.size());
    TakeLine(rest);
    constexpr std::string_view kKey = "sig=";
    for (size_t n = 0; n < kMaxSignatureLines; ++n) {
        const auto line = TakeLine(rest);
        if (!line || !line->starts_with(kKey)) break;
        if (auto signature = ReadSignature(TrimBlanks(line->substr(kKey.size()))))
            list.signatures.push_back(*signature);
    }
    return list;
}

} // namespace updater
