#pragma once
// The update list "/upsoft.txt": only the first comma-delimited field of its first line counts, in the
// form version "|" download URL [ "|" third field [ "|" anything ] ]. A third field "sha256=<64 hex
// digits>" names the setup program's SHA-256; any other third field is ignored. (A signed list carries
// the signature of its first line on its second line: ListSignature.h.)
//
// Encoding: version and URL are ASCII, which reads the same in every encoding the site may serve. A UTF-8
// byte-order mark is skipped. A first line that is valid UTF-8 is UTF-8; any other is GBK (code page 936),
// whose two-byte characters are stepped over whole, so that a trail byte never passes for '|', '"' or ','.
// UTF-16 is not accepted: its NULs make the URL invalid. Only the first kMaxListBytes bytes are looked at.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "DecimalVersion.h"

namespace updater {

inline constexpr size_t kMaxListBytes = 64 * 1024;

enum class ListEncoding { Utf8, Gbk };

using Sha256Digest = std::array<uint8_t, 32>;

// The first line of the first kMaxListBytes bytes: without a UTF-8 byte-order mark, up to the first CR
// or LF (excluded).
std::string_view FirstLine(std::string_view bytes);

struct ListField {
    std::string text; // in `encoding`
    ListEncoding encoding = ListEncoding::Utf8;
};

// The first field of the first line (which ends at CR, LF or the end): leading spaces are skipped; a
// field that starts with a double quote runs to the next double quote on that line (or its end);
// otherwise it runs to the first comma or the end of the line.
ListField ReadFirstField(std::string_view bytes);

struct UpdateList {
    // As written in the list (bytes in `encoding`), for display.
    std::string versionText;
    DecimalVersion version;
    // Trimmed of spaces; passed IsProductUrl.
    std::string url;
    ListEncoding encoding = ListEncoding::Utf8;
    // From a third field "sha256=…"; the downloaded setup program must have this digest.
    std::optional<Sha256Digest> sha256;

    // The list's entry, or nothing when its first field has no "|", its URL is empty or does not lead
    // to domain, or its third field starts with "sha256=" but holds no 64 hex digits after it.
    static std::optional<UpdateList> Parse(std::string_view bytes, std::string_view domain);
};

} // namespace updater
