#pragma once
// UTF-8 <-> wide strings, where wchar_t is 16 bits (UTF-16, Windows) or 32 bits (UTF-32, Linux).
// Decoding never fails and never reads past the input: each malformed sequence becomes U+FFFD.
#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

constexpr char32_t kReplacementChar = 0xFFFD;

constexpr bool IsScalarValue(char32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Decode the code point at s[pos] and advance pos past it. A malformed sequence yields U+FFFD, consumes
// its maximal invalid prefix (at least one unit) and clears *valid. At the end of s nothing is consumed.
char32_t DecodeUtf8(std::string_view s, size_t& pos, bool* valid = nullptr);
// A surrogate pair is joined; a lone surrogate, or a 32-bit unit past U+10FFFF, is malformed.
char32_t DecodeWide(std::wstring_view s, size_t& pos, bool* valid = nullptr);

// A value that is not a Unicode scalar value is written as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);
void AppendWide(std::wstring& out, char32_t cp);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
bool IsValidUtf8(std::string_view utf8);

// Folds A-Z only; other characters must match exactly.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

} // namespace rt
