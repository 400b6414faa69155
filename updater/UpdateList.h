#pragma once
// The update list "/upsoft.txt": only the first comma-delimited field of its first line counts, in the
// form version "|" download URL [ "|" anything ].
//
// Encoding: version and URL are ASCII, which reads the same in every encoding the site may serve. A UTF-8
// byte-order mark is skipped. A first line that is valid UTF-8 is UTF-8; any other is GBK (code page 936),
// whose two-byte characters are stepped over whole, so that a trail byte never passes for '|', '"' or ','.
// UTF-16 is not accepted: its NULs make the URL invalid. Only the first kMaxListBytes bytes are looked at.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "DecimalVersion.h"

namespace updater {

inline constexpr size_t kMaxListBytes = 64 * 1024;

enum class ListEncoding { Utf8, Gbk };

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

    // The list's entry, or nothing when its first field has no "|" or its URL is empty or does not lead
    // to domain.
    static std::optional<UpdateList> Parse(std::string_view bytes, std::string_view domain);
};

} // namespace updater
