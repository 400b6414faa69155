#include "menus/MenuDrawGeometry.h"

#include <algorithm>

#include "menus/PopupGeometry.h"
#include "runtime/DpiScale.h"

namespace menus {

namespace {

// Shadows are three columns or rows at 96 DPI, their weights falling off across them; more at a higher
// resolution, each taking the weight of the design column it covers.
int32_t ShadowDepth(int32_t dpi) {
    return rt::ScaleForDpi(3, dpi);
}
int32_t ShadowWeightAt(int32_t d, int32_t depth) {
    return ShadowWeight(d * 3 / depth);
}

// The pieces of [from, to) left when [gapFrom, gapTo) is taken out.
std::vector<std::pair<int32_t, int32_t>> Without(int32_t from, int32_t to, int32_t gapFrom, int32_t gapTo) {
    std::vector<std::pair<int32_t, int32_t>> out;
    if (gapTo <= gapFrom) {
        if (from < to) out.emplace_back(from, to);
        return out;
    }
    if (from < std::min(to, gapFrom)) out.emplace_back(from, std::min(to, gapFrom));
    if (std::max(from, gapTo) < to) out.emplace_back(std::max(from, gapTo), to);
    return out;
}

} // namespace

PopupItemLayout LayOutPopupItem(const rt::Rect& item, int32_t H, int32_t B, int32_t barItemHeight,
                                bool mirrored, int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    const int32_t l = item.left, t = item.top, r = item.right, b = item.bottom;
    const int32_t one = px(1);
    PopupItemLayout o;
    o.gutter = mirrored ? rt::Rect{r - H - px(4), t, r - one, b} : rt::Rect{l, t, l + H + px(3), b};
    o.rest = mirrored ? rt::Rect{l, t, r - H - px(4), b} : rt::Rect{l + H + px(3), t, r - one, b};
    o.bottomRow = {l, b - one, r - one, b};
    o.columnLine = {r - one, t, r, b};
    const int32_t sy = (t + b) / 2 - one;
    o.separator = mirrored ? Segment{l, sy, r - H - px(11), sy} : Segment{l + H + px(10), sy, r, sy};
    o.selectionBox = {l + one, t, r - px(2), b - one};

    // The gutter's own left edge, from which the check box and the picture are centred.
    const int32_t gx = mirrored ? r - H - px(4) : l;
    const int32_t bx = gx + (H - B - one) / 2;
    const int32_t by = t + (H - B - px(5)) / 2;
    o.checkBox = {bx, by, bx + B + px(4), by + B + px(4)};
    o.picture = {bx + one, t + (H - B - one) / 2 - one};

    // Seven design columns, each a 2-pixel stroke: three falling, then four rising.
    const int32_t cy = t + H / 2;
    const int32_t x0 = mirrored ? r - H / 2 - px(6) : l + H / 2 - px(2);
    for (int32_t c = 0; c < 7; ++c) {
        const int32_t top = cy + px(c <= 2 ? c - 1 : 3 - c);
        for (int32_t x = x0 + px(c); x < x0 + px(c + 1); ++x)
            o.checkMark.push_back({x, top, x, top + px(2)});
    }

    o.text =
        mirrored ? rt::Rect{l + H, t, r - H - px(11), b - one} : rt::Rect{l + H + px(10), t, r - H, b - one};
    o.textRightAligned = mirrored;

    const int32_t ty = (t + b - 1) / 2;
    const int32_t tip = mirrored ? l + 2 * H / 3 - px(4) : r - H / 3 - px(4);
    const int32_t n = (barItemHeight + 3) / 8;
    for (int32_t k = 0; k <= n; ++k) {
        const int32_t x = mirrored ? tip + k : tip - k;
        o.triangle.push_back({x, ty - k, x, ty + k + 1});
    }
    return o;
}

BarItemLayout LayOutBarItem(const rt::Rect& item, int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    const int32_t l = item.left, t = item.top, r = item.right, b = item.bottom;
    const int32_t depth = ShadowDepth(dpi);
    BarItemLayout o;
    o.fill = {l, t, r + depth, b};
    o.gradient = {l, t, r + depth + 1, b};
    o.box = item;
    // Inside the box's one-pixel outline.
    o.boxGradient = {l + 1, t + 1, r - 1, b - 1};
    o.plainShadow = {r, t + px(3), r + px(2), b};
    for (int32_t i = 0; i < depth; ++i)
        o.shadow.push_back({true, r + i, t + px(3), b, ShadowWeightAt(i, depth), false});
    return o;
}

FrameLayout LayOutPopupFrame(int32_t w, int32_t h, int32_t dlgFrame, int32_t H, const FrameJoin& join,
                             int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    // Right to the items' right edge, and one outline row below their bottom.
    return LayOutPopupFrameAt({0, 0, w - 2 * dlgFrame + px(1), h - 2 * dlgFrame + px(2) + 1}, H, join, 0,
                              dpi);
}

FrameLayout LayOutPopupFrameAt(const rt::Rect& f, int32_t H, const FrameJoin& join, int32_t itemInset,
                               int32_t dpi) {
    const auto px = [dpi](int32_t v) { return rt::ScaleForDpi(v, dpi); };
    const int32_t depth = ShadowDepth(dpi);
    FrameLayout o;
    o.frame = f;
    o.frameWidth = f.right - f.left;
    o.frameHeight = f.bottom - f.top;
    o.gutter = {f.left + px(1), f.top + px(2), f.left + H + px(4) + std::max(itemInset, 0), f.bottom - px(2)};

    // What the bottom shadow leaves out: the item the popup sits on, its two edges included, so the
    // shadow never darkens the joined outline.
    int32_t gapFrom = 0, gapTo = 0;
    if (join.present && join.itemWidth > 0) {
        const int32_t offset = join.offset < 2 ? 0 : join.offset;
        int32_t from = offset + 1, to = offset + join.itemWidth - 1;
        if (join.rightJustified) {
            to = f.right - 1;
            from = to - (join.itemWidth - 1);
        }
        from = std::max(from, f.left + 1);
        to = std::min(to, f.right - 1);
        if (from < to) {
            o.joined = true;
            o.joinRow = join.onBottom ? f.bottom - 1 : f.top;
            o.joinFrom = from;
            o.joinTo = to;
            if (join.onBottom) gapFrom = from - 1, gapTo = to + 1;
        }
    }

    const int32_t x0 = f.left + depth, y0 = f.top + depth;
    const int32_t plain = px(2);
    o.plainShadow.push_back({f.right, y0, f.right + plain, f.bottom});
    for (const auto& [from, to] : Without(x0, f.right + plain, gapFrom, gapTo))
        o.plainShadow.push_back({from, f.bottom, to, f.bottom + plain});
    for (int32_t d = 0; d < depth; ++d)
        o.shadow.push_back({true, f.right + d, y0, f.bottom, ShadowWeightAt(d, depth), true});
    for (int32_t d = 0; d < depth; ++d)
        for (const auto& [from, to] : Without(x0, f.right + depth, gapFrom, gapTo))
            o.shadow.push_back({false, f.bottom + d, from, to, ShadowWeightAt(d, depth), true});
    return o;
}

rt::Point PopupSizeForItems(int32_t w, int32_t h, const rt::Rect& items, int32_t dpi) {
    if (items.left <= 0 && items.top <= 0) return {w, h};
    // The frame takes its columns and rows around the client; the items keep the margin the system gave
    // them at their left and top on the other side too.
    const rt::Rect frame = PopupFrameInsets(dpi);
    return {std::max(w, items.right + items.left + frame.left + frame.right),
            std::max(h, items.bottom + items.top + frame.top + frame.bottom)};
}

} // namespace menus
