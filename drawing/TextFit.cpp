#include "drawing/TextFit.h"

#include "runtime/Checked.h"
#include "runtime/RtError.h"

#include <limits>

namespace drawing {

TextCut CutToFit(int32_t left, int32_t boxWidth, std::size_t length, int32_t ellipsisWidth,
                 const PrefixMeasure& measure) {
    if (length > static_cast<std::size_t>(std::numeric_limits<int16_t>::max())) rt::RaiseOverflow();
    const int32_t room = rt::Sub<int32_t>(boxWidth, ellipsisWidth);
    TextCut cut{static_cast<int16_t>(length), 0, 0};
    // The first code unit is kept even when it does not fit.
    for (; cut.count >= 1; --cut.count) {
        cut.width = measure(cut.count);
        if (cut.width <= room || cut.count == 1) break;
    }
    cut.right = rt::Add<int32_t>(rt::Add<int32_t>(left, cut.width), ellipsisWidth);
    return cut;
}

} // namespace drawing
