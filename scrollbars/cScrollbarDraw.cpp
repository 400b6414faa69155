#include "cScrollbarDraw.h"

#include "Picture.h"
#include "resource_names.h"

namespace scrollbars {

namespace {

// In the order of SkinBitmap.
constexpr std::array<const wchar_t*, kSkinBitmapCount> kResourceNames = {
    PELMOR_RES_SCRBACKH,   PELMOR_RES_SCRBACKV,   PELMOR_RES_SCRTHUMBH,  PELMOR_RES_SCRTHUMBV,
    PELMOR_RES_SCRGRIPH,   PELMOR_RES_SCRGRIPV,   PELMOR_RES_SCRARROWH,  PELMOR_RES_SCRARROWV,
    PELMOR_RES_SCRARROWHL, PELMOR_RES_SCRARROWHR, PELMOR_RES_SCRARROWVT, PELMOR_RES_SCRARROWVB,
};

size_t IndexOf(SkinBitmap bitmap) {
    return static_cast<size_t>(bitmap);
}

} // namespace

cScrollbarDraw::cScrollbarDraw() {
    for (size_t i = 0; i < m_Surfaces.size(); ++i)
        m_Surfaces[i].CreateFromPicture(rt::LoadResPicture(kResourceNames[i], rt::PictureType::Bitmap));
}

const drawing::pcMemDC& cScrollbarDraw::pvSurface(SkinBitmap bitmap) const {
    return m_Surfaces[IndexOf(bitmap)];
}

void cScrollbarDraw::pvPaint(HDC hdc, const BlitList& blits) {
    for (const Blit& b : blits) {
        const drawing::pcMemDC& surface = pvSurface(b.bitmap);
        // A cell the bitmap does not have (the vertical grip has three states, the thumb four) would
        // copy undefined pixels; it is left out.
        if (b.xSrc < 0 || b.ySrc < 0 || b.xSrc + b.wSrc > surface.Width() ||
            b.ySrc + b.hSrc > surface.Height())
            continue;
        if (b.kind == BlitKind::Stretch)
            surface.StretchDraw(hdc, b.xSrc, b.ySrc, b.wSrc, b.hSrc, b.xDst, b.yDst, b.wDst, b.hDst);
        else
            surface.Draw(hdc, b.xSrc, b.ySrc, b.wSrc, b.hSrc, b.xDst, b.yDst, b.kind == BlitKind::MaskedCopy);
    }
}

void cScrollbarDraw::DrawTrack(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                               int32_t Right, int32_t Bottom) {
    pvPaint(hdc, TrackBlits(Orientation, State, {Left, Top, Right, Bottom}));
}

void cScrollbarDraw::DrawThumb(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                               int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ThumbBlits(Orientation, State, {Left, Top, Right, Bottom}));
}

void cScrollbarDraw::DrawFirstArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                                    int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ArrowBlits(Orientation, State, {Left, Top, Right, Bottom}, true));
}

void cScrollbarDraw::DrawSecondArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                                     int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ArrowBlits(Orientation, State, {Left, Top, Right, Bottom}, false));
}

} // namespace scrollbars
