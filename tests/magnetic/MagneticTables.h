#pragma once
// Entry tables for the snapping tests: a 1024 x 768 work area and windows placed on it by hand.
#include "magnetic/EntryTable.h"

#include <initializer_list>

namespace magnetic::testing {

inline constexpr Rect kWorkArea{0, 0, 1024, 768};

inline EntryTable Table(std::initializer_list<Entry> windows) {
    EntryTable t{Entry{0, 0, false, kWorkArea}};
    t.insert(t.end(), windows);
    return t;
}

inline Rect At(int32_t left, int32_t top, int32_t width, int32_t height) {
    return {left, top, left + width, top + height};
}

} // namespace magnetic::testing
