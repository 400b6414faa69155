#pragma once
// Which registered windows stick to their parent: those that touch it, and those that touch a sibling
// that does.
#include "magnetic/EntryTable.h"

#include <cstddef>

namespace magnetic {

// Edge-to-edge contact without a gap. A pair whose extent leaves the 32-bit range never touches.
bool Touching(const Rect& a, const Rect& b);

// Entry of the window with this handle, or 0 (the work area) when it is not registered.
std::size_t EntryOf(const EntryTable& entries, Handle handle);

// Recomputes every glued flag from the rectangles already in the table.
void ApplyGlueing(EntryTable& entries);

} // namespace magnetic
