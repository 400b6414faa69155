#include "scrollbars/ScrollbarLayout.h"

#include "runtime/Checked.h"

#include <algorithm>

namespace scrollbars {

namespace {

using rt::Add;
using rt::Sub;

// Cell sizes along the axis the states are stacked on.
constexpr int16_t kTrackCell = 2;
constexpr int16_t kThumbCell = 17;
constexpr int16_t kGripHCell = 9;
constexpr int16_t kGripVCell = 10;
constexpr int16_t kArrowCell = 18;

constexpr int32_t kBorder = 3;
// The middle slices of the cells, between the 3-pixel borders.
constexpr int32_t kBarMiddle = 11;
constexpr int32_t kThumbMiddle = 9;
constexpr int32_t kBarThickness = 17;
constexpr int32_t kGripLong = 10;
constexpr int32_t kGripShort = 9;

// Cuts the span [d, d + n) to [lo, hi), moving the source start s along with its start.
void Clip(int32_t& s, int32_t& d, int32_t& n, int32_t lo, int32_t hi) {
    const int64_t start = std::max<int64_t>(d, lo), end = std::min<int64_t>(int64_t{d} + n, hi);
    s += static_cast<int32_t>(start - d);
    n = static_cast<int32_t>(std::max<int64_t>(end - start, 0));
    d = static_cast<int32_t>(start);
}

class Builder {
  public:
    Builder(const PartRect& part, SkinBitmap bitmap, int32_t cellX, int32_t cellY) : part_(part) {
        Use(bitmap, cellX, cellY);
    }

    // Further slices come from this bitmap's cell.
    void Use(SkinBitmap bitmap, int32_t cellX, int32_t cellY) {
        bitmap_ = bitmap;
        cellX_ = cellX;
        cellY_ = cellY;
    }
    void Copy(int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd) {
        Add(BlitKind::Copy, xs, ys, ws, hs, xd, yd, ws, hs);
    }
    void MaskedCopy(int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd) {
        Add(BlitKind::MaskedCopy, xs, ys, ws, hs, xd, yd, ws, hs);
    }
    void Stretch(int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd, int32_t wd,
                 int32_t hd) {
        Add(BlitKind::Stretch, xs, ys, ws, hs, xd, yd, wd, hd);
    }
    BlitList Done() const { return list_; }

  private:
    // Source rectangles are relative to the cell of the state.
    void Add(BlitKind kind, int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd,
             int32_t wd, int32_t hd) {
        // Opaque slices are cut to the part along the axes they are copied 1:1: the 3-pixel borders
        // and the 18-pixel buttons would reach out of a thinner or shorter part. The masked grip and
        // glyph keep the places their rules give them.
        if (kind != BlitKind::MaskedCopy && wd == ws) {
            Clip(xs, xd, wd, part_.Left, part_.Right);
            ws = wd;
        }
        if (kind != BlitKind::MaskedCopy && hd == hs) {
            Clip(ys, yd, hd, part_.Top, part_.Bottom);
            hs = hd;
        }
        // A slice with no area would be mirrored or land outside the part.
        if (wd <= 0 || hd <= 0) return;
        list_.items[static_cast<size_t>(list_.count++)] =
            Blit{bitmap_, kind, cellX_ + xs, cellY_ + ys, ws, hs, xd, yd, wd, hd};
    }

    PartRect part_;
    SkinBitmap bitmap_{};
    int32_t cellX_ = 0;
    int32_t cellY_ = 0;
    BlitList list_;
};

int32_t CellOffset(int16_t s, int16_t cell) {
    return rt::Mul<int16_t>(s, cell);
}

// Half of v, halves to even.
int32_t Half(int32_t v) {
    return rt::RoundToInt32(v / 2.0);
}

bool Empty(const PartRect& r, int32_t& w, int32_t& h) {
    w = Sub(r.Right, r.Left);
    h = Sub(r.Bottom, r.Top);
    return w <= 0 || h <= 0;
}

} // namespace

BlitList TrackBlits(int16_t orientation, int16_t s, const PartRect& r) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const int32_t cell = CellOffset(s, kTrackCell);
    if (orientation == kHorizontal) {
        Builder b(r, SkinBitmap::BackH, cell, 0);
        b.Stretch(0, 0, kTrackCell, kBorder, r.Left, r.Top, w, kBorder);
        b.Stretch(0, kBorder + kBarMiddle, kTrackCell, kBorder, r.Left, Sub(r.Bottom, kBorder), w, kBorder);
        b.Stretch(0, kBorder, kTrackCell, kBarMiddle, r.Left, Add(r.Top, kBorder), w, Sub(h, 2 * kBorder));
        return b.Done();
    }
    Builder b(r, SkinBitmap::BackV, 0, cell);
    b.Stretch(0, 0, kBorder, kTrackCell, r.Left, r.Top, kBorder, h);
    b.Stretch(kBorder + kBarMiddle, 0, kBorder, kTrackCell, Sub(r.Right, kBorder), r.Top, kBorder, h);
    b.Stretch(kBorder, 0, kBarMiddle, kTrackCell, Add(r.Left, kBorder), r.Top, Sub(w, 2 * kBorder), h);
    return b.Done();
}

BlitList ThumbBlits(int16_t orientation, int16_t s, const PartRect& r) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const bool horizontal = orientation == kHorizontal;
    const int32_t cell = CellOffset(s, kThumbCell);
    // Cell 15 x 17 (horizontal) or 17 x 15 (vertical): the middle column and row widths differ.
    const int32_t midW = horizontal ? kThumbMiddle : kBarMiddle;
    const int32_t midH = horizontal ? kBarMiddle : kThumbMiddle;
    const int32_t farX = kBorder + midW;
    const int32_t farY = kBorder + midH;
    Builder b(r, horizontal ? SkinBitmap::ThumbH : SkinBitmap::ThumbV, horizontal ? 0 : cell,
              horizontal ? cell : 0);

    const int32_t innerX = Add(r.Left, kBorder), innerY = Add(r.Top, kBorder);
    const int32_t rightX = Sub(r.Right, kBorder), bottomY = Sub(r.Bottom, kBorder);
    const int32_t innerW = Sub(w, 2 * kBorder), innerH = Sub(h, 2 * kBorder);
    b.Copy(0, 0, kBorder, kBorder, r.Left, r.Top);
    b.Copy(farX, 0, kBorder, kBorder, rightX, r.Top);
    b.Copy(0, farY, kBorder, kBorder, r.Left, bottomY);
    b.Copy(farX, farY, kBorder, kBorder, rightX, bottomY);
    b.Stretch(kBorder, 0, midW, kBorder, innerX, r.Top, innerW, kBorder);
    b.Stretch(kBorder, farY, midW, kBorder, innerX, bottomY, innerW, kBorder);
    b.Stretch(0, kBorder, kBorder, midH, r.Left, innerY, kBorder, innerH);
    b.Stretch(farX, kBorder, kBorder, midH, rightX, innerY, kBorder, innerH);
    b.Stretch(kBorder, kBorder, midW, midH, innerX, innerY, innerW, innerH);

    if (horizontal && w >= kGripMinLength) {
        b.Use(SkinBitmap::GripH, 0, CellOffset(s, kGripHCell));
        b.MaskedCopy(0, 0, kGripLong, kGripShort, Add(r.Left, Half(Sub(w, kGripLong))),
                     Half(Sub(h, kGripShort)));
    } else if (!horizontal && h >= kGripMinLength) {
        b.Use(SkinBitmap::GripV, 0, CellOffset(s, kGripVCell));
        b.MaskedCopy(0, 0, kGripShort, kGripLong, Half(Sub(w, kGripShort)),
                     Add(r.Top, Half(Sub(h, kGripLong))));
    }
    return b.Done();
}

BlitList ArrowBlits(int16_t orientation, int16_t s, const PartRect& r, Arrow arrow) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const int32_t cell = CellOffset(s, kArrowCell);
    if (orientation == kHorizontal) {
        Builder b(r, SkinBitmap::ArrowH, cell, 0);
        b.Copy(0, 0, kArrowLength, kBorder, r.Left, r.Top);
        b.Copy(0, kBorder + kBarMiddle, kArrowLength, kBorder, r.Left, Sub(r.Bottom, kBorder));
        b.Stretch(0, kBorder, kArrowLength, kBarMiddle, r.Left, Add(r.Top, kBorder), kArrowLength,
                  Sub(h, 2 * kBorder));
        b.Use(arrow == Arrow::First ? SkinBitmap::ArrowHL : SkinBitmap::ArrowHR, cell, 0);
        b.MaskedCopy(0, 0, kArrowLength, kBarThickness, r.Left, Half(Sub(h, kBarThickness)));
        return b.Done();
    }
    Builder b(r, SkinBitmap::ArrowV, 0, cell);
    b.Copy(0, 0, kBorder, kArrowLength, r.Left, r.Top);
    b.Copy(kBorder + kBarMiddle, 0, kBorder, kArrowLength, Sub(r.Right, kBorder), r.Top);
    b.Stretch(kBorder, 0, kBarMiddle, kArrowLength, Add(r.Left, kBorder), r.Top, Sub(w, 2 * kBorder),
              kArrowLength);
    b.Use(arrow == Arrow::First ? SkinBitmap::ArrowVT : SkinBitmap::ArrowVB, 0, cell);
    b.MaskedCopy(0, 0, kBarThickness, kArrowLength, Half(Sub(w, kBarThickness)), r.Top);
    return b.Done();
}

} // namespace scrollbars
