#pragma once
// The arithmetic of the long-range scroll bar: a signed 32-bit range laid over a 16-bit scroll-bar
// control. All intermediate values are 64-bit, so Min and Max may sit at the ends of the 32-bit range.
#include <cstdint>
#include <optional>

namespace scrollbars {

// The client control's last known values.
struct ClientSnapshot {
    int16_t Value = 0;
    int16_t Min = 0;
    int16_t Max = 0;
    int16_t SmallChange = 0;
    int16_t LargeChange = 0;
};

// The wrapper's own range; Max < Min reverses the direction.
struct LongRange {
    int32_t Min = 0;
    int32_t Max = 32767;

    int32_t Lo() const { return Min < Max ? Min : Max; }
    int32_t Hi() const { return Min < Max ? Max : Min; }
    bool Reversed() const { return Max < Min; }
};

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0.
int64_t DivRoundHalfEven(int64_t num, int64_t den);

// v held to [Lo, Hi].
int32_t ClampToRange(int64_t v, const LongRange& r);

// Where the client's thumb goes for `value` (held to the range first): the value's share of the range
// mapped onto the client's span (from the client's Min end to Min, from its Max end when reversed),
// rounded half to even. The thumb sits on an end of the client only when the value sits on (or
// beyond) the matching end of the range, and the result always lies inside the client's range.
int16_t ClientPositionFor(int32_t value, const LongRange& r, const ClientSnapshot& c);

// The value a client thumb position stands for (a drag or any other jump), rounded half to even.
int32_t ValueForClientPosition(int16_t position, const LongRange& r, const ClientSnapshot& c);

// The wrapper's value after the client moved from `before` to `now.Value`: a move by the client's
// LargeChange or SmallChange steps by the wrapper's own LargeChange or SmallChange (against the
// client's direction when the range is reversed); any other move is a jump to the thumb's position.
int32_t ValueAfterClientMove(int32_t value, const LongRange& r, int32_t smallChange, int32_t largeChange,
                             int16_t before, const ClientSnapshot& now);

// The value to assign after Max (or Min) has been stored as r.Max (r.Min), or nothing when the value
// is left as it is. A normal range always brings the value inside, also one a reversed range had left
// outside; a reversed range clamps only in the two cases its rules name.
std::optional<int32_t> ValueAfterMaxLet(const LongRange& r, int32_t value);
std::optional<int32_t> ValueAfterMinLet(const LongRange& r, int32_t value);

} // namespace scrollbars
