#include "runtime/TextCodec.h"

#include <type_traits>

namespace rt {

namespace {

char32_t Malformed(bool* valid) {
    if (valid) *valid = false;
    return kReplacementChar;
}

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

char32_t DecodeUtf8(std::string_view s, size_t& pos, bool* valid) {
    if (pos >= s.size()) return Malformed(valid);
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) {
        ++pos;
        if (valid) *valid = true;
        return lead;
    }
    size_t len;
    char32_t cp;
    // The range of the second byte excludes overlong forms, surrogates and values past U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        ++pos;
        return Malformed(valid);
    }
    for (size_t k = 1; k < len; ++k) {
        const size_t at = pos + k;
        const auto b = at < s.size() ? static_cast<unsigned char>(s[at]) : 0;
        if (at >= s.size() || b < lo || b > hi) {
            pos = at;
            return Malformed(valid);
        }
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += len;
    if (valid) *valid = true;
    return cp;
}

char32_t DecodeWide(std::wstring_view s, size_t& pos, bool* valid) {
    if (pos >= s.size()) return Malformed(valid);
    const char32_t unit = static_cast<std::make_unsigned_t<wchar_t>>(s[pos]);
    ++pos;
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && pos < s.size()) {
            const char32_t low = static_cast<std::make_unsigned_t<wchar_t>>(s[pos]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++pos;
                if (valid) *valid = true;
                return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    if (!IsScalarValue(unit)) return Malformed(valid);
    if (valid) *valid = true;
    return unit;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (!IsScalarValue(cp)) cp = kReplacementChar;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t cp) {
    if (!IsScalarValue(cp)) cp = kReplacementChar;
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();)
        AppendWide(out, DecodeUtf8(utf8, pos));
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t pos = 0; pos < wide.size();)
        AppendUtf8(out, DecodeWide(wide, pos));
    return out;
}

bool IsValidUtf8(std::string_view utf8) {
    for (size_t pos = 0; pos < utf8.size();) {
        bool valid;
        DecodeUtf8(utf8, pos, &valid);
        if (!valid) return false;
    }
    return true;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

} // namespace rt
