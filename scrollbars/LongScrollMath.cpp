#include "scrollbars/LongScrollMath.h"

#include <algorithm>

namespace scrollbars {

namespace {

int64_t Span(const ClientSnapshot& c) {
    return c.Max > c.Min ? int64_t{c.Max} - c.Min : int64_t{c.Min} - c.Max;
}

int64_t Range(const LongRange& r) {
    return int64_t{r.Hi()} - r.Lo();
}

int16_t ClampToClient(int64_t p, const ClientSnapshot& c) {
    return static_cast<int16_t>(std::clamp<int64_t>(p, std::min(c.Min, c.Max), std::max(c.Min, c.Max)));
}

} // namespace

int64_t DivRoundHalfEven(int64_t num, int64_t den) {
    int64_t q = num / den;
    int64_t rem = num % den;
    // Floor division, so the remainder is in [0, den).
    if (rem < 0) {
        --q;
        rem += den;
    }
    const int64_t twice = 2 * rem;
    if (twice > den || (twice == den && (q & 1) != 0)) ++q;
    return q;
}

int32_t ClampToRange(int64_t v, const LongRange& r) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, r.Lo(), r.Hi()));
}

int16_t ClientPositionFor(int32_t value, const LongRange& r, const ClientSnapshot& c) {
    // A value a reversed range left outside is drawn at the nearer end.
    value = ClampToRange(value, r);
    const int64_t range = Range(r);
    const int64_t span = Span(c);
    const int64_t share = value > r.Lo() ? int64_t{value} - r.Lo() : int64_t{r.Lo()} - value;
    int64_t position;
    if (range == 0)
        position = r.Reversed() ? c.Max : c.Min;
    else if (r.Reversed())
        position = DivRoundHalfEven(int64_t{c.Max} * range - span * share, range);
    else
        position = DivRoundHalfEven(int64_t{c.Min} * range + span * share, range);

    // The thumb reaches an end only when the value does.
    if (position == c.Min && value != r.Min)
        position = int64_t{c.Min} + 1;
    else if (position == c.Max && value != r.Max)
        position = int64_t{c.Max} - 1;
    return ClampToClient(position, c);
}

int32_t ValueForClientPosition(int16_t position, const LongRange& r, const ClientSnapshot& c) {
    const int64_t span = Span(c);
    if (span == 0) return r.Reversed() ? r.Hi() : r.Lo();
    const int64_t moved = position > c.Min ? int64_t{position} - c.Min : int64_t{c.Min} - position;
    const int64_t range = Range(r);
    const int64_t value = r.Reversed() ? DivRoundHalfEven(int64_t{r.Hi()} * span - range * moved, span)
                                       : DivRoundHalfEven(int64_t{r.Lo()} * span + range * moved, span);
    return ClampToRange(value, r);
}

int32_t ValueAfterClientMove(int32_t value, const LongRange& r, int32_t smallChange, int32_t largeChange,
                             int16_t before, const ClientSnapshot& now) {
    int64_t delta = int64_t{now.Value} - before;
    if (r.Reversed()) delta = -delta;
    const int64_t size = delta < 0 ? -delta : delta;
    const int64_t sign = delta < 0 ? -1 : 1;
    if (size == now.LargeChange) return ClampToRange(value + sign * largeChange, r);
    if (size == now.SmallChange) return ClampToRange(value + sign * smallChange, r);
    return ValueForClientPosition(now.Value, r, now);
}

std::optional<int32_t> ValueAfterMaxLet(const LongRange& r, int32_t value) {
    if (r.Reversed()) {
        if (value > r.Min) return r.Min;
        return std::nullopt;
    }
    if (value > r.Max || value < r.Min) return ClampToRange(value, r);
    return std::nullopt;
}

std::optional<int32_t> ValueAfterMinLet(const LongRange& r, int32_t value) {
    if (r.Reversed()) {
        if (value < r.Max) return r.Min;
        return std::nullopt;
    }
    if (value < r.Min || value > r.Max) return ClampToRange(value, r);
    return std::nullopt;
}

} // namespace scrollbars
