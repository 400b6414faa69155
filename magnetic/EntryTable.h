#pragma once
// Screen geometry of the magnetic manager, free of any platform header so the snapping rules can be
// tested on their own.
#include <cstdint>
#include <vector>

#include "runtime/Geometry.h"

namespace magnetic {

using Point = rt::Point;
using Rect = rt::Rect;

// A window handle as far as the arithmetic is concerned: only compared, never dereferenced.
using Handle = std::uintptr_t;

struct Entry {
    Handle handle = 0;
    Handle parent = 0;
    bool glued = false;
    Rect rect;
};

// Entry 0 is the work area (handle 0); entries 1.. are the registered windows in registration order.
using EntryTable = std::vector<Entry>;

} // namespace magnetic
