#include "scrollbars/cScrollbarDraw.h"

#include "drawing/TransBlt.h"
#include "resources/resource_names.h"
#include "runtime/Handles.h"
#include "runtime/Picture.h"

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

// A bitmap that failed to load is looked for again when a part needs it, up to this many times in all:
// a passing shortage at start-up heals, and a missing one costs no search on every paint.
constexpr int kLoadAttempts = 3;

// A glyph or grip scaled to another resolution: stretched with whole pixels into a scratch bitmap, so
// that magenta stays magenta, then copied with magenta transparent.
void MaskedStretch(HDC hdc, const drawing::pcMemDC& surface, const Blit& b) {
    rt::UniqueDC scratch(::CreateCompatibleDC(surface.hdc()));
    rt::UniqueBitmap bits(::CreateCompatibleBitmap(surface.hdc(), b.wDst, b.hDst));
    if (!scratch || !bits) return;
    const rt::SelectGuard select(scratch.get(), bits.get());
    if (!select.ok()) return;
    ::SetStretchBltMode(scratch.get(), COLORONCOLOR);
    ::StretchBlt(scratch.get(), 0, 0, b.wDst, b.hDst, surface.hdc(), b.xSrc, b.ySrc, b.wSrc, b.hSrc, SRCCOPY);
    drawing::TransBlt(hdc, b.xDst, b.yDst, b.wDst, b.hDst, scratch.get(), 0, 0, 0xFF00FF, nullptr);
}

} // namespace

cScrollbarDraw::cScrollbarDraw()
    : cScrollbarDraw([](const wchar_t* name) { return rt::LoadResPicture(name, rt::PictureType::Bitmap); }) {}

cScrollbarDraw::cScrollbarDraw(Loader load) : m_Load(std::move(load)) {
    for (size_t i = 0; i < m_Surfaces.size(); ++i)
        pvLoad(i);
}

void cScrollbarDraw::pvLoad(size_t index) {
    ++m_Attempts[index];
    m_Surfaces[index].CreateFromPicture(m_Load(kResourceNames[index]));
}

const drawing::pcMemDC& cScrollbarDraw::pvSurface(SkinBitmap bitmap) {
    const size_t i = IndexOf(bitmap);
    if (m_Surfaces[i].Width() == 0 && m_Attempts[i] < kLoadAttempts) pvLoad(i);
    return m_Surfaces[i];
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
        else if (b.kind == BlitKind::MaskedStretch)
            MaskedStretch(hdc, surface, b);
        else
            surface.Draw(hdc, b.xSrc, b.ySrc, b.wSrc, b.hSrc, b.xDst, b.yDst, b.kind == BlitKind::MaskedCopy);
    }
}

void cScrollbarDraw::DrawTrack(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                               int32_t Right, int32_t Bottom) {
    pvPaint(hdc, TrackBlits(Orientation, State, {Left, Top, Right, Bottom}, m_Dpi));
}

void cScrollbarDraw::DrawThumb(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                               int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ThumbBlits(Orientation, State, {Left, Top, Right, Bottom}, m_Dpi));
}

void cScrollbarDraw::DrawFirstArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                                    int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ArrowBlits(Orientation, State, {Left, Top, Right, Bottom}, Arrow::First, m_Dpi));
}

void cScrollbarDraw::DrawSecondArrow(HDC hdc, int16_t Orientation, int16_t State, int32_t Left, int32_t Top,
                                     int32_t Right, int32_t Bottom) {
    pvPaint(hdc, ArrowBlits(Orientation, State, {Left, Top, Right, Bottom}, Arrow::Second, m_Dpi));
}

} // namespace scrollbars
