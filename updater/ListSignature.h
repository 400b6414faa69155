#pragma once
// Signed update lists. A signature covers the list's first line exactly as FirstLine() reads it (the
// bytes after a UTF-8 byte-order mark, up to the first CR or LF). The lines right after it are its
// signature lines, "sig=<key id>:<base64 of r || s>": ECDSA over P-256 with SHA-256, r and s 32 bytes each,
// big-endian, the key id being the first 8 hex digits of the SHA-256 of the signing key's point
// 04 || X || Y. Lists signed before keys had ids carry one line "sig=<base64 of r || s>". Updaters that
// know no key read only the first line, so a signed list is still a list to them.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace updater {

using EcPublicKey = std::array<uint8_t, 64>; // X || Y
using EcSignature = std::array<uint8_t, 64>; // r || s
using KeyId = std::array<uint8_t, 4>;

// A list carries at most this many signature lines; any further ones are not read.
inline constexpr size_t kMaxSignatureLines = 8;

// Standard alphabet with its '=' padding, nothing else (no blanks, no line breaks, no unused bits set).
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

// One key of the build setting: base64 of the uncompressed point 04 || X || Y (65 bytes).
std::optional<EcPublicKey> ParsePublicKey(std::string_view base64);
// The build setting: one or more keys separated by ';', blanks around each allowed. Nothing when it holds
// no key or a key that cannot be read.
std::optional<std::vector<EcPublicKey>> ParsePublicKeys(std::string_view setting);

struct ListSignatureLine {
    std::optional<KeyId> keyId; // nothing: the form without a key id
    EcSignature signature{};
};

struct SignedList {
    std::string_view message; // the signed first line
    // From the lines "sig=…" right after it (blanks after each allowed); malformed ones are left out.
    std::vector<ListSignatureLine> signatures;
};
SignedList SplitSignedList(std::string_view bytes);

} // namespace updater
