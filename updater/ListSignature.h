#pragma once
// Signed update lists. The signature covers the list's first line exactly as FirstLine() reads it (the
// bytes after a UTF-8 byte-order mark, up to the first CR or LF) and stands alone on the second line as
// "sig=<base64 of r || s>": ECDSA over P-256 with SHA-256, r and s 32 bytes each, big-endian. Updaters
// that know no key read only the first line, so a signed list is still a list to them.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace updater {

using EcPublicKey = std::array<uint8_t, 64>; // X || Y
using EcSignature = std::array<uint8_t, 64>; // r || s

// Standard alphabet with its '=' padding, nothing else (no blanks, no line breaks, no unused bits set).
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

// The key build setting: base64 of the uncompressed point 04 || X || Y (65 bytes).
std::optional<EcPublicKey> ParsePublicKey(std::string_view base64);

struct SignedList {
    std::string_view message; // the signed first line
    // From a second line "sig=<base64>" (blanks after it allowed); nothing when missing or malformed.
    std::optional<EcSignature> signature;
};
SignedList SplitSignedList(std::string_view bytes);

} // namespace updater
