#pragma once
// The snapping rules applied while a registered window is moved or sized: edges that come within the
// snap width of another entry's edge jump onto it. All sums are checked; an overflow gives no result and
// the caller leaves the proposed rectangle as it was.
#include "magnetic/EntryTable.h"
#include "runtime/DpiScale.h"

#include <cstddef>
#include <optional>

namespace magnetic {

// Sizing border a skinned window clips away with its region; thick-frame windows snap by their visible
// edges instead of their window rectangle. What the border measures where it can be measured.
constexpr int32_t kThickFrameOffset = 3;

// Sizing edges as the window-sizing message numbers them.
enum SizingEdge : int32_t {
    kEdgeLeft = 1,
    kEdgeRight = 2,
    kEdgeTop = 3,
    kEdgeTopLeft = 4,
    kEdgeTopRight = 5,
    kEdgeBottom = 6,
    kEdgeBottomLeft = 7,
    kEdgeBottomRight = 8,
};

struct MoveInput {
    std::size_t moving = 0; // entry of the window being moved
    int32_t frame = 0;      // its frame offset
    int32_t snapWidth = 10; // in design pixels, scaled to `dpi`, that of the moving window's monitor
    int32_t dpi = rt::kDesignDpi;
    Point grabOffset; // its rectangle's top-left minus the cursor when the move started
    Point startCursor;
    Point cursor;
};

struct ChildPosition {
    std::size_t entry = 0;
    Handle handle = 0;
    Point topLeft;
};

struct MoveResult {
    Rect rect;
    // Glued children of the moving window with the place they keep relative to it.
    std::vector<ChildPosition> children;
};

// Left/top of the rectangle minus the cursor, taken when a move starts.
std::optional<Point> GrabOffset(const Rect& windowRect, Point cursor);

std::optional<MoveResult> SnapMoving(const EntryTable& entries, const MoveInput& in, const Rect& proposed);

std::optional<Rect> SnapSizing(const EntryTable& entries, std::size_t sized, int32_t edge, int32_t frame,
                               int32_t snapWidth, const Rect& proposed, int32_t dpi = rt::kDesignDpi);

} // namespace magnetic
