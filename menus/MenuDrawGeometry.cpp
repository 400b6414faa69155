#include "menus/MenuDrawGeometry.h"

#include <algorithm>

namespace menus {

namespace {

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
                                bool mirrored) {
    const int32_t l = item.left, t = item.top, r = item.right, b = item.bottom;
    PopupItemLayout o;
    o.gutter = mirrored ? rt::Rect{r - H - 4, t, r - 1, b} : rt::Rect{l, t, l + H + 3, b};
    o.rest = mirrored ? rt::Rect{l, t, r - H - 4, b} : rt::Rect{l + H + 3, t, r - 1, b};
    o.bottomRow = {l, b - 1, r - 1, b};
    o.columnLine = {r - 1, t, r, b};
    const int32_t sy = (t + b) / 2 - 1;
    o.separator = mirrored ? Segment{l, sy, r - H - 11, sy} : Segment{l + H + 10, sy, r, sy};
    o.selectionBox = {l + 1, t, r - 2, b - 1};

    // The gutter's own left edge, from which the check box and the picture are centred.
    const int32_t gx = mirrored ? r - H - 4 : l;
    const int32_t bx = gx + (H - B - 1) / 2;
    const int32_t by = t + (H - B - 5) / 2;
    o.checkBox = {bx, by, bx + B + 4, by + B + 4};
    o.picture = {bx + 1, t + (H - B - 1) / 2 - 1};

    const int32_t cy = t + H / 2;
    const int32_t x0 = mirrored ? r - H / 2 - 6 : l + H / 2 - 2;
    for (int32_t i = 0; i <= 2; ++i)
        o.checkMark.push_back({x0 + i, cy + i - 1, x0 + i, cy + i + 1});
    for (int32_t j = 1; j <= 4; ++j)
        o.checkMark.push_back({x0 + 2 + j, cy - j + 1, x0 + 2 + j, cy - j + 3});

    o.text = mirrored ? rt::Rect{l + H, t, r - H - 11, b - 1} : rt::Rect{l + H + 10, t, r - H, b - 1};
    o.textRightAligned = mirrored;

    const int32_t ty = (t + b - 1) / 2;
    const int32_t tip = mirrored ? l + 2 * H / 3 - 4 : r - H / 3 - 4;
    const int32_t n = (barItemHeight + 3) / 8;
    for (int32_t k = 0; k <= n; ++k) {
        const int32_t x = mirrored ? tip + k : tip - k;
        o.triangle.push_back({x, ty - k, x, ty + k + 1});
    }
    return o;
}

BarItemLayout LayOutBarItem(const rt::Rect& item) {
    const int32_t l = item.left, t = item.top, r = item.right, b = item.bottom;
    BarItemLayout o;
    o.fill = {l, t, r + 3, b};
    o.gradient = {l, t, r + 4, b};
    o.box = item;
    o.boxGradient = {l + 1, t + 1, r - 1, b - 1};
    o.plainShadow = {r, t + 3, r + 2, b};
    for (int32_t i = 0; i <= 2; ++i)
        o.shadow.push_back({true, r + i, t + 3, b, ShadowWeight(i), false});
    return o;
}

FrameLayout LayOutPopupFrame(int32_t w, int32_t h, int32_t dlgFrame, int32_t H, const FrameJoin& join) {
    return LayOutPopupFrameAt({0, 0, w - 2 * dlgFrame + 1, h - 2 * dlgFrame + 3}, H, join, 0);
}

FrameLayout LayOutPopupFrameAt(const rt::Rect& f, int32_t H, const FrameJoin& join, int32_t itemInset) {
    FrameLayout o;
    o.frame = f;
    o.frameWidth = f.right - f.left;
    o.frameHeight = f.bottom - f.top;
    o.gutter = {f.left + 1, f.top + 2, f.left + H + 4 + std::max(itemInset, 0), f.bottom - 2};

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

    const int32_t x0 = f.left + 3, y0 = f.top + 3;
    o.plainShadow.push_back({f.right, y0, f.right + 2, f.bottom});
    for (const auto& [from, to] : Without(x0, f.right + 2, gapFrom, gapTo))
        o.plainShadow.push_back({from, f.bottom, to, f.bottom + 2});
    for (int32_t d = 0; d <= 2; ++d)
        o.shadow.push_back({true, f.right + d, y0, f.bottom, ShadowWeight(d), true});
    for (int32_t d = 0; d <= 2; ++d)
        for (const auto& [from, to] : Without(x0, f.right + 3, gapFrom, gapTo))
            o.shadow.push_back({false, f.bottom + d, from, to, ShadowWeight(d), true});
    return o;
}

rt::Point PopupSizeForItems(int32_t w, int32_t h, const rt::Rect& items) {
    if (items.left <= 0 && items.top <= 0) return {w, h};
    // The frame takes 1 + 4 columns and 2 + 2 rows around the client; the items keep the margin the
    // system gave them at their left and top on the other side too.
    return {std::max(w, items.right + items.left + 5), std::max(h, items.bottom + items.top + 4)};
}

} // namespace menus
