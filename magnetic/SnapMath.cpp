#include "magnetic/SnapMath.h"

#include "runtime/Checked.h"

namespace magnetic {

namespace {

int32_t Add(int32_t a, int32_t b) {
    return rt::Add<int32_t>(a, b);
}
int32_t Sub(int32_t a, int32_t b) {
    return rt::Sub<int32_t>(a, b);
}

// |a - b| < s, with the difference and its magnitude both inside 32 bits.
bool Near(int32_t a, int32_t b, int32_t s) {
    const int32_t d = Sub(a, b);
    return (d < 0 ? rt::Neg<int32_t>(d) : d) < s;
}

Rect Offset(const Rect& r, int32_t dx, int32_t dy) {
    return {Add(r.left, dx), Add(r.top, dy), Add(r.right, dx), Add(r.bottom, dy)};
}

bool IsGluedChildOf(const EntryTable& entries, std::size_t child, std::size_t parent) {
    return child != parent && child != 0 && entries[child].glued &&
           entries[child].parent == entries[parent].handle;
}

// The moving window against entry q; leaves dx/dy alone on an axis where no rule matches.
void SnapWindow(const Rect& r, const Rect& q, int32_t s, int32_t f, int32_t& dx, int32_t& dy) {
    const int32_t f2 = Add(f, f);
    if (Sub(Sub(q.top, s), f) < r.bottom && r.top < Sub(Add(q.bottom, s), f)) {
        if (Near(r.left, q.left, s))
            dx = Sub(Sub(q.left, r.left), f);
        else if (Near(r.left, q.right, s))
            dx = Sub(Sub(q.right, r.left), f2);
        else if (Near(r.right, q.left, s))
            dx = Add(Sub(q.left, r.right), f2);
        else if (Near(r.right, q.right, s))
            dx = Add(Sub(q.right, r.right), f);
    }
    if (Sub(Sub(q.left, s), f) < r.right && r.left < Sub(Add(q.right, s), f)) {
        if (Near(r.top, q.top, s))
            dy = Sub(Sub(q.top, r.top), f);
        else if (Near(r.top, q.bottom, s))
            dy = Sub(Sub(q.bottom, r.top), f2);
        else if (Near(r.bottom, q.top, s))
            dy = Add(Sub(q.top, r.bottom), f);
        else if (Near(r.bottom, q.bottom, s))
            dy = Add(Sub(q.bottom, r.bottom), f);
    }
}

// A glued child (already moved with the cursor) against entry q: the whole group shifts so the child
// lands on q.
void SnapChild(const Rect& c, const Rect& q, int32_t s, int32_t f, int32_t& dx, int32_t& dy) {
    if (Sub(Sub(q.top, s), f) < c.bottom && c.top < Add(q.bottom, s)) {
        if (Near(c.left, q.left, s))
            dx = Sub(q.left, c.left);
        else if (Near(c.left, q.right, s))
            dx = Sub(q.right, c.left);
        else if (Near(c.right, q.left, s))
            dx = Sub(Add(q.left, f), c.right);
        else if (Near(c.right, q.right, s))
            dx = Sub(Add(q.right, f), c.right);
    }
    if (Sub(Sub(q.left, s), f) < c.right && c.left < Add(q.right, s)) {
        if (Near(c.top, q.top, s))
            dy = Sub(q.top, c.top);
        else if (Near(c.top, q.bottom, s))
            dy = Sub(q.bottom, c.top);
        else if (Near(c.bottom, q.top, s))
            dy = Sub(Add(q.top, f), c.bottom);
        else if (Near(c.bottom, q.bottom, s))
            dy = Sub(Add(q.bottom, f), c.bottom);
    }
}

bool SizesLeft(int32_t e) {
    return e == kEdgeLeft || e == kEdgeTopLeft || e == kEdgeBottomLeft;
}
bool SizesRight(int32_t e) {
    return e == kEdgeRight || e == kEdgeTopRight || e == kEdgeBottomRight;
}
bool SizesTop(int32_t e) {
    return e == kEdgeTop || e == kEdgeTopLeft || e == kEdgeTopRight;
}
bool SizesBottom(int32_t e) {
    return e == kEdgeBottom || e == kEdgeBottomLeft || e == kEdgeBottomRight;
}

} // namespace

std::optional<Point> GrabOffset(const Rect& windowRect, Point cursor) {
    std::optional<Point> out;
    rt::Trap([&] { out = Point{Sub(windowRect.left, cursor.x), Sub(windowRect.top, cursor.y)}; });
    return out;
}

std::optional<MoveResult> SnapMoving(const EntryTable& entries, const MoveInput& in, const Rect& proposed) {
    if (in.moving == 0 || in.moving >= entries.size()) return std::nullopt;
    std::optional<MoveResult> out;
    rt::Trap([&] {
        const std::size_t m = in.moving;
        const int32_t s = rt::ScaleForDpi(in.snapWidth, in.dpi);
        const int32_t f = in.frame;
        // Placed from the cursor every time, so a snap made by the previous message does not stick.
        Rect r{Add(in.cursor.x, in.grabOffset.x), Add(in.cursor.y, in.grabOffset.y), 0, 0};
        r.right = Add(r.left, Sub(proposed.right, proposed.left));
        r.bottom = Add(r.top, Sub(proposed.bottom, proposed.top));

        int32_t dx = 0;
        int32_t dy = 0;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (k == m || IsGluedChildOf(entries, k, m)) continue;
            SnapWindow(r, entries[k].rect, s, f, dx, dy);
        }

        const int32_t travelX = Sub(in.cursor.x, in.startCursor.x);
        const int32_t travelY = Sub(in.cursor.y, in.startCursor.y);
        for (std::size_t c = 1; c < entries.size(); ++c) {
            if (!IsGluedChildOf(entries, c, m)) continue;
            const Rect child = Offset(entries[c].rect, travelX, travelY);
            for (std::size_t j = 0; j < entries.size(); ++j) {
                if (j == c || j == m || entries[j].glued) continue;
                SnapChild(child, entries[j].rect, s, f, dx, dy);
            }
        }

        MoveResult result{Offset(r, dx, dy), {}};
        const int32_t shiftX = Sub(result.rect.left, entries[m].rect.left);
        const int32_t shiftY = Sub(result.rect.top, entries[m].rect.top);
        for (std::size_t c = 1; c < entries.size(); ++c) {
            if (!IsGluedChildOf(entries, c, m)) continue;
            result.children.push_back(
                {c,
                 entries[c].handle,
                 {Add(entries[c].rect.left, shiftX), Add(entries[c].rect.top, shiftY)}});
        }
        out = std::move(result);
    });
    return out;
}

std::optional<Rect> SnapSizing(const EntryTable& entries, std::size_t sized, int32_t edge, int32_t frame,
                               int32_t snapWidth, const Rect& proposed, int32_t dpi) {
    std::optional<Rect> out;
    rt::Trap([&] {
        const int32_t s = rt::ScaleForDpi(snapWidth, dpi);
        const int32_t f = frame;
        const Rect o = proposed;
        Rect r = proposed;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (k == sized) continue;
            const Rect& q = entries[k].rect;
            if (r.top < Add(q.bottom, s) && Sub(q.top, s) < r.bottom) {
                if (SizesLeft(edge)) {
                    if (Near(o.left, q.left, s))
                        r.left = Sub(q.left, f);
                    else if (Near(o.left, q.right, s))
                        r.left = Sub(q.right, f);
                }
                if (SizesRight(edge)) {
                    if (Near(o.right, q.left, s))
                        r.right = Add(q.left, f);
                    else if (Near(o.right, q.right, s))
                        r.right = Add(q.right, f);
                }
            }
            if ((SizesTop(edge) || SizesBottom(edge)) && Sub(q.left, s) < r.right &&
                r.left < Add(q.right, s)) {
                if (SizesBottom(edge)) {
                    if (Near(o.bottom, q.top, s))
                        r.bottom = Add(q.top, f);
                    else if (Near(o.bottom, q.bottom, s))
                        r.bottom = Add(q.bottom, f);
                }
                if (SizesTop(edge)) {
                    if (Near(o.top, q.top, s))
                        r.top = Sub(q.top, f);
                    else if (Near(o.top, q.bottom, s))
                        r.top = Sub(q.bottom, f);
                }
            }
        }
        out = r;
    });
    return out;
}

} // namespace magnetic
