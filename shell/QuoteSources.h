#pragma once
// The six quote sources of the caption row: where each button sits, which pictures it shows and which
// page it opens. Hosts are build settings; the paths are fixed.
#include <array>
#include <string>
#include <string_view>

namespace viewer {

struct QuoteSource {
    const wchar_t* control;  // the button's name on the skin
    const wchar_t* label;    // what its pictures show, told to screen readers
    int left;                // in pixels from the skin's left edge
    const wchar_t* pictures; // resource name stem: stem + "_N", "_H", "_C"
    std::wstring_view host;  // scheme and host, no trailing slash; empty = the product site's home
    const wchar_t* path;     // binding path of the page, beginning with "/", or "" for the site root
};

inline constexpr int kQuoteButtonTop = 2;
inline constexpr int kQuoteButtonWidth = 75;
inline constexpr int kQuoteButtonHeight = 20;
inline constexpr size_t kQuoteSourceCount = 6;

// Left to right.
const std::array<QuoteSource, kQuoteSourceCount>& QuoteSources();
// The full address a button opens.
std::wstring QuotePageUrl(const QuoteSource& source, std::wstring_view homeUrl);
// Joins the product site's home address (ending in "/" or not) and a path beginning with "/".
std::wstring SitePageUrl(std::wstring_view homeUrl, std::wstring_view path);

} // namespace viewer
