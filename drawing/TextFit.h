#pragma once
// The "..." cut of a text that is too wide for its box, apart from the drawing: which prefix to keep and
// where the box then ends. Widths come from a callback so the search runs without a device context.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace drawing {

// Width in pixels of the first n code units of the text being cut.
using PrefixMeasure = std::function<int32_t(int32_t n)>;

struct TextCut {
    int16_t count; // code units of the text kept in front of "..."
    int32_t width; // width of those code units
    int32_t right; // right edge of the box holding them and "..."
};

// Keeps the longest prefix (from the whole text down to one code unit) whose width leaves room for
// ellipsisWidth inside boxWidth; when none does, keeps the first code unit anyway. The counter is 16
// bits wide, so a text of more than 32,767 code units raises the overflow error, as does box arithmetic
// that leaves 32 bits.
TextCut CutToFit(int32_t left, int32_t boxWidth, std::size_t length, int32_t ellipsisWidth,
                 const PrefixMeasure& measure);

} // namespace drawing
