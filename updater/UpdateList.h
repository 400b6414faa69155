#pragma once
// The update list "/upsoft.txt": only the first comma-delimited field of its first line counts, in the
// form version "|" download URL [ "|" field ]... . The version is digits and dots, at most 16 of them.
// The fields after the URL come in any order: "sha256=<64 hex digits>" names the setup program's SHA-256,
// "expires=YYYY-MM-DD" the last day (UTC) the list may be acted on; each at most once, and any other field
// is ignored. (A signed list carries the signatures of its first line on the lines after it:
// ListSignature.h.)
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

#include "updater/DecimalVersion.h"

namespace updater {

inline constexpr size_t kMaxListBytes = 64 * 1024;

enum class ListEncoding { Utf8, Gbk };

using Sha256Digest = std::array<uint8_t, 32>;

// A day of the calendar, compared in time order.
struct ListDate {
    int year = 0, month = 0, day = 0;
    auto operator<=>(const ListDate&) const = default;
};
// "YYYY-MM-DD" naming a day that exists (years 1-9999); nothing otherwise.
std::optional<ListDate> ParseListDate(std::string_view text);

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

// Digits and dots only, at least one digit, at most 16 characters.
bool IsVersionText(std::string_view text);

struct UpdateList {
    // As written in the list without the blanks around it (IsVersionText), for display.
    std::string versionText;
    DecimalVersion version;
    // Trimmed of spaces; passed IsProductUrl.
    std::string url;
    ListEncoding encoding = ListEncoding::Utf8;
    // From a field "sha256=…"; the downloaded setup program must have this digest.
    std::optional<Sha256Digest> sha256;
    // From a field "expires=…".
    std::optional<ListDate> expires;

    // The list's entry, or nothing when its first field has no "|", its version is no IsVersionText,
    // its URL is empty or does not lead to domain, or a field "sha256=" or "expires=" is malformed or
    // comes twice.
    static std::optional<UpdateList> Parse(std::string_view bytes, std::string_view domain);
};

} // namespace updater
