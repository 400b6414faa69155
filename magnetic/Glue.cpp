#include "magnetic/Glue.h"

#include "runtime/Checked.h"

#include <algorithm>

namespace magnetic {

namespace {

int32_t Width(const Rect& r) {
    return rt::Sub<int32_t>(r.right, r.left);
}
int32_t Height(const Rect& r) {
    return rt::Sub<int32_t>(r.bottom, r.top);
}

bool SharesAnEdgeLine(const Rect& a, const Rect& b) {
    return a.left == b.left || a.left == b.right || a.right == b.left || a.right == b.right ||
           a.top == b.top || a.top == b.bottom || a.bottom == b.top || a.bottom == b.bottom;
}

} // namespace

bool Touching(const Rect& a, const Rect& b) {
    bool touching = false;
    rt::Trap([&] {
        const Rect u{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)};
        touching = rt::Add<int32_t>(Width(a), Width(b)) >= Width(u) &&
                   rt::Add<int32_t>(Height(a), Height(b)) >= Height(u) && SharesAnEdgeLine(a, b);
    });
    return touching;
}

std::size_t EntryOf(const EntryTable& entries, Handle handle) {
    for (std::size_t k = 1; k < entries.size(); ++k)
        if (entries[k].handle == handle) return k;
    return 0;
}

void ApplyGlueing(EntryTable& entries) {
    for (auto& e : entries)
        e.glued = false;
    for (std::size_t k = 1; k < entries.size(); ++k) {
        if (entries[k].parent == 0) continue;
        entries[k].glued = Touching(entries[EntryOf(entries, entries[k].parent)].rect, entries[k].rect);
    }
    // Each round may glue one more link of a chain of siblings; a chain is never longer than the table.
    const std::size_t rounds = entries.empty() ? 0 : entries.size() - 1;
    for (std::size_t round = 0; round < rounds; ++round) {
        for (std::size_t i = 1; i < entries.size(); ++i) {
            if (!entries[i].glued) continue;
            for (std::size_t k = 1; k < entries.size(); ++k) {
                if (k == i || entries[k].glued || entries[k].parent != entries[i].parent) continue;
                entries[k].glued = Touching(entries[i].rect, entries[k].rect);
            }
        }
    }
}

} // namespace magnetic
