#include "ListSignature.h"

#include <cstring>

#include "UpdateList.h"

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

SignedList SplitSignedList(std::string_view bytes) {
    SignedList list;
    list.message = FirstLine(bytes);
    std::string_view rest =
        bytes.substr(static_cast<size_t>(list.message.data() - bytes.data()) + list.message.size());
    if (rest.starts_with("\r\n"))
        rest.remove_prefix(2);
    else if (rest.starts_with("\n") || rest.starts_with("\r"))
        rest.remove_prefix(1);
    else
        return list;
    std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    constexpr std::string_view kKey = "sig=";
    if (line.starts_with(kKey)) list.signature = DecodeExactly<64>(line.substr(kKey.size()));
    return list;
}

} // namespace updater
