#include "scrollbars/ScrollbarLayout.h"

#include "runtime/Checked.h"
#include "runtime/DpiScale.h"

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

// Cuts the span [d, d + n) to [lo, hi), moving the source span [s, s + sn) along in proportion: one to
// one where the slice is at its own size, else as far as the scaled pixels cut off reach.
void Clip(int32_t& s, int32_t& sn, int32_t& d, int32_t& n, int32_t lo, int32_t hi) {
    const int64_t start = std::max<int64_t>(d, lo), end = std::min<int64_t>(int64_t{d} + n, hi);
    const int64_t kept = std::max<int64_t>(end - start, 0);
    if (n > 0 && kept < n) {
        const int64_t from = (start - d) * sn / n;
        const int64_t to = std::max<int64_t>(from + 1, (end - d) * sn / n + ((end - d) * sn % n != 0));
        s += static_cast<int32_t>(from);
        sn = static_cast<int32_t>(std::min<int64_t>(to, sn) - from);
    }
    n = static_cast<int32_t>(kept);
    d = static_cast<int32_t>(start);
}

// A destination size that is the slice's own, at the layout's resolution.
constexpr int32_t kOwn = INT32_MIN;

class Builder {
  public:
    Builder(const PartRect& part, int32_t dpi, SkinBitmap bitmap, int32_t cellX, int32_t cellY)
        : part_(part), dpi_(dpi) {
        Use(bitmap, cellX, cellY);
    }

    // Further slices come from this bitmap's cell.
    void Use(SkinBitmap bitmap, int32_t cellX, int32_t cellY) {
        bitmap_ = bitmap;
        cellX_ = cellX;
        cellY_ = cellY;
    }
    void Copy(int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd) {
        Add(BlitKind::Copy, xs, ys, ws, hs, xd, yd, kOwn, kOwn);
    }
    void MaskedCopy(int32_t xs, int32_t ys, int32_t ws, int32_t hs, int32_t xd, int32_t yd) {
        Add(BlitKind::MaskedCopy, xs, ys, ws, hs, xd, yd, kOwn, kOwn);
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
        const bool ownW = wd == kOwn, ownH = hd == kOwn;
        if (ownW) wd = rt::ScaleForDpi(ws, dpi_);
        if (ownH) hd = rt::ScaleForDpi(hs, dpi_);
        // A slice at its own size that the resolution scaled is stretched to it.
        if (wd != ws || hd != hs) {
            if (kind == BlitKind::Copy) kind = BlitKind::Stretch;
            if (kind == BlitKind::MaskedCopy) kind = BlitKind::MaskedStretch;
        }
        // Opaque slices are cut to the part along the axes they keep their own size: the 3-pixel borders
        // and the 18-pixel buttons would reach out of a thinner or shorter part. The masked grip and
        // glyph keep the places their rules give them.
        const bool masked = kind == BlitKind::MaskedCopy || kind == BlitKind::MaskedStretch;
        if (!masked && (ownW || wd == ws)) Clip(xs, ws, xd, wd, part_.Left, part_.Right);
        if (!masked && (ownH || hd == hs)) Clip(ys, hs, yd, hd, part_.Top, part_.Bottom);
        // A slice with no area would be mirrored or land outside the part.
        if (wd <= 0 || hd <= 0) return;
        list_.items[static_cast<size_t>(list_.count++)] =
            Blit{bitmap_, kind, cellX_ + xs, cellY_ + ys, ws, hs, xd, yd, wd, hd};
    }

    PartRect part_;
    int32_t dpi_;
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

BlitList TrackBlits(int16_t orientation, int16_t s, const PartRect& r, int32_t dpi) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const int32_t cell = CellOffset(s, kTrackCell);
    const int32_t border = rt::ScaleForDpi(kBorder, dpi);
    if (orientation == kHorizontal) {
        Builder b(r, dpi, SkinBitmap::BackH, cell, 0);
        b.Stretch(0, 0, kTrackCell, kBorder, r.Left, r.Top, w, kOwn);
        b.Stretch(0, kBorder + kBarMiddle, kTrackCell, kBorder, r.Left, Sub(r.Bottom, border), w, kOwn);
        b.Stretch(0, kBorder, kTrackCell, kBarMiddle, r.Left, Add(r.Top, border), w, Sub(h, 2 * border));
        return b.Done();
    }
    Builder b(r, dpi, SkinBitmap::BackV, 0, cell);
    b.Stretch(0, 0, kBorder, kTrackCell, r.Left, r.Top, kOwn, h);
    b.Stretch(kBorder + kBarMiddle, 0, kBorder, kTrackCell, Sub(r.Right, border), r.Top, kOwn, h);
    b.Stretch(kBorder, 0, kBarMiddle, kTrackCell, Add(r.Left, border), r.Top, Sub(w, 2 * border), h);
    return b.Done();
}

BlitList ThumbBlits(int16_t orientation, int16_t s, const PartRect& r, int32_t dpi) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const bool horizontal = orientation == kHorizontal;
    const int32_t cell = CellOffset(s, kThumbCell);
    // Cell 15 x 17 (horizontal) or 17 x 15 (vertical): the middle column and row widths differ.
    const int32_t midW = horizontal ? kThumbMiddle : kBarMiddle;
    const int32_t midH = horizontal ? kBarMiddle : kThumbMiddle;
    const int32_t farX = kBorder + midW;
    const int32_t farY = kBorder + midH;
    Builder b(r, dpi, horizontal ? SkinBitmap::ThumbH : SkinBitmap::ThumbV, horizontal ? 0 : cell,
              horizontal ? cell : 0);

    const int32_t border = rt::ScaleForDpi(kBorder, dpi);
    const int32_t innerX = Add(r.Left, border), innerY = Add(r.Top, border);
    const int32_t rightX = Sub(r.Right, border), bottomY = Sub(r.Bottom, border);
    const int32_t innerW = Sub(w, 2 * border), innerH = Sub(h, 2 * border);
    b.Copy(0, 0, kBorder, kBorder, r.Left, r.Top);
    b.Copy(farX, 0, kBorder, kBorder, rightX, r.Top);
    b.Copy(0, farY, kBorder, kBorder, r.Left, bottomY);
    b.Copy(farX, farY, kBorder, kBorder, rightX, bottomY);
    b.Stretch(kBorder, 0, midW, kBorder, innerX, r.Top, innerW, kOwn);
    b.Stretch(kBorder, farY, midW, kBorder, innerX, bottomY, innerW, kOwn);
    b.Stretch(0, kBorder, kBorder, midH, r.Left, innerY, kOwn, innerH);
    b.Stretch(farX, kBorder, kBorder, midH, rightX, innerY, kOwn, innerH);
    b.Stretch(kBorder, kBorder, midW, midH, innerX, innerY, innerW, innerH);

    const int32_t gripLong = rt::ScaleForDpi(kGripLong, dpi), gripShort = rt::ScaleForDpi(kGripShort, dpi);
    const int32_t gripMin = rt::ScaleForDpi(kGripMinLength, dpi);
    if (horizontal && w >= gripMin) {
        b.Use(SkinBitmap::GripH, 0, CellOffset(s, kGripHCell));
        b.MaskedCopy(0, 0, kGripLong, kGripShort, Add(r.Left, Half(Sub(w, gripLong))),
                     Half(Sub(h, gripShort)));
    } else if (!horizontal && h >= gripMin) {
        b.Use(SkinBitmap::GripV, 0, CellOffset(s, kGripVCell));
        b.MaskedCopy(0, 0, kGripShort, kGripLong, Half(Sub(w, gripShort)),
                     Add(r.Top, Half(Sub(h, gripLong))));
    }
    return b.Done();
}

BlitList ArrowBlits(int16_t orientation, int16_t s, const PartRect& r, Arrow arrow, int32_t dpi) {
    int32_t w, h;
    if (Empty(r, w, h)) return {};
    const int32_t cell = CellOffset(s, kArrowCell);
    const int32_t border = rt::ScaleForDpi(kBorder, dpi);
    const int32_t thickness = rt::ScaleForDpi(kBarThickness, dpi);
    if (orientation == kHorizontal) {
        Builder b(r, dpi, SkinBitmap::ArrowH, cell, 0);
        b.Copy(0, 0, kArrowLength, kBorder, r.Left, r.Top);
        b.Copy(0, kBorder + kBarMiddle, kArrowLength, kBorder, r.Left, Sub(r.Bottom, border));
        b.Stretch(0, kBorder, kArrowLength, kBarMiddle, r.Left, Add(r.Top, border), kOwn, Sub(h, 2 * border));
        b.Use(arrow == Arrow::First ? SkinBitmap::ArrowHL : SkinBitmap::ArrowHR, cell, 0);
        b.MaskedCopy(0, 0, kArrowLength, kBarThickness, r.Left, Half(Sub(h, thickness)));
        return b.Done();
    }
    Builder b(r, dpi, SkinBitmap::ArrowV, 0, cell);
    b.Copy(0, 0, kBorder, kArrowLength, r.Left, r.Top);
    b.Copy(kBorder + kBarMiddle, 0, kBorder, kArrowLength, Sub(r.Right, border), r.Top);
    b.Stretch(kBorder, 0, kBarMiddle, kArrowLength, Add(r.Left, border), r.Top, Sub(w, 2 * border), kOwn);
    b.Use(arrow == Arrow::First ? SkinBitmap::ArrowVT : SkinBitmap::ArrowVB, 0, cell);
    b.MaskedCopy(0, 0, kBarThickness, kArrowLength, Half(Sub(w, thickness)), r.Top);
    return b.Done();
}

} // namespace scrollbars
