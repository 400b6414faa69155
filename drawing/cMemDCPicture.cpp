// Pictures on the memory drawing surface: painting each picture type, the colour-keyed and embossed
// copies, and the surface turned into a bitmap or an icon picture.
#include "drawing/cMemDC.h"

#include "drawing/PixelDib.h"

#include "drawing/ScreenDpi.h"
#include "drawing/SurfacePixels.h"
#include "drawing/SurfaceUnits.h"
#include "drawing/TransBlt.h"
#include "runtime/Checked.h"
#include "runtime/DpiScale.h"
#include "runtime/RtError.h"

#include <cstring>
#include <span>

namespace drawing {

namespace {

struct EnhMetafileDeleter {
    void operator()(HENHMETAFILE h) const { ::DeleteEnhMetaFile(h); }
};
using UniqueEnhMetafile = rt::UniqueHandle<HENHMETAFILE, rt::HandleKind::Gdi, EnhMetafileDeleter>;

// A recording DC is closed, not deleted; what it recorded is thrown away unless it is released first.
struct MetafileRecorderDeleter {
    void operator()(HDC h) const { ::DeleteEnhMetaFile(::CloseEnhMetaFile(h)); }
};
using UniqueMetafileRecorder = rt::UniqueHandle<HDC, rt::HandleKind::Gdi, MetafileRecorderDeleter>;

SIZE PictureSize(const PictureDesc& pic) {
    // A picture object's HiMetric size is its pixel size as at 96 DPI (rt::PixelsToHiMetric), whatever the
    // monitor's: a bitmap is drawn at its own pixels. Metafiles keep their physical size.
    const bool pixels = pic.Type == PictureDesc::Bitmap || pic.Type == PictureDesc::Icon;
    const ScreenDpi dpi = pixels ? ScreenDpi{rt::kDesignDpi, rt::kDesignDpi} : ScreenPixelsPerInch();
    return {HiMetricToPixels(pic.Width, dpi.x), HiMetricToPixels(pic.Height, dpi.y)};
}

} // namespace

PictureDesc PictureDesc::Of(const rt::Picture& picture) {
    if (!picture) return {};
    switch (picture->Type()) {
    case rt::PictureType::Bitmap:
        return {Bitmap, picture->Bitmap(), picture->WidthHiMetric(), picture->HeightHiMetric()};
    case rt::PictureType::Icon:
        return {Icon, picture->Icon(), picture->WidthHiMetric(), picture->HeightHiMetric()};
    case rt::PictureType::None:
        break;
    }
    return {};
}

PictureDesc PictureDesc::Of(HMETAFILE metafile, int32_t widthHiMetric, int32_t heightHiMetric) {
    if (!metafile) return {};
    return {Metafile, metafile, widthHiMetric, heightHiMetric};
}

PictureDesc PictureDesc::Of(HENHMETAFILE metafile) {
    ENHMETAHEADER header{};
    if (!metafile || !::GetEnhMetaFileHeader(metafile, sizeof header, &header)) return {};
    return {EnhMetafile, metafile, header.rclFrame.right - header.rclFrame.left,
            header.rclFrame.bottom - header.rclFrame.top};
}

void cMemDC::PaintPicture(const rt::Picture& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                          int32_t nHeight, int32_t xSrc, int32_t ySrc, DWORD dwRop, uint32_t clrMask) {
    PaintPicture(PictureDesc::Of(oPic), xDest, yDest, nWidth, nHeight, xSrc, ySrc, dwRop, clrMask);
}

void cMemDC::PaintPicture(const PictureDesc& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                          int32_t nHeight, int32_t xSrc, int32_t ySrc, DWORD dwRop, uint32_t clrMask) {
    if (oPic.Type == PictureDesc::None || !oPic.Handle) return;
    SIZE size{};
    RECT frame{};
    if (!rt::Trap([&] {
            size = PictureSize(oPic);
            if (!nWidth) nWidth = size.cx;
            if (!nHeight) nHeight = size.cy;
            frame = {xDest, yDest, rt::Add(xDest, nWidth), rt::Add(yDest, nHeight)};
        }))
        return;
    if (!m_hDC && !Init(size.cx, size.cy)) return;
    switch (oPic.Type) {
    case PictureDesc::Icon:
        ::DrawIconEx(m_hDC, xDest, yDest, static_cast<HICON>(oPic.Handle), nWidth, nHeight, 0, nullptr,
                     DI_NORMAL);
        break;
    case PictureDesc::Bitmap:
        PaintBitmap(static_cast<HBITMAP>(oPic.Handle), xDest, yDest, nWidth, nHeight, xSrc, ySrc, dwRop,
                    clrMask);
        break;
    case PictureDesc::Metafile: {
        // The metafile's declared extent, in HiMetric like an enhanced metafile's frame, maps it onto the
        // rectangle; without one the frame is what the recording drew.
        const RECT extent{0, 0, oPic.Width, oPic.Height};
        const bool sized = oPic.Width > 0 && oPic.Height > 0;
        UniqueMetafileRecorder recorder(
            ::CreateEnhMetaFileW(m_hDC, nullptr, sized ? &extent : nullptr, nullptr));
        if (!recorder) break;
        ::PlayMetaFile(recorder.get(), static_cast<HMETAFILE>(oPic.Handle));
        UniqueEnhMetafile recorded(::CloseEnhMetaFile(recorder.release()));
        if (recorded) ::PlayEnhMetaFile(m_hDC, recorded.get(), &frame);
        break;
    }
    case PictureDesc::EnhMetafile:
        ::PlayEnhMetaFile(m_hDC, static_cast<HENHMETAFILE>(oPic.Handle), &frame);
        break;
    case PictureDesc::None:
        break;
    }
}

void cMemDC::PaintBitmap(HBITMAP hBmp, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                         int32_t xSrc, int32_t ySrc, DWORD dwRop, uint32_t clrMask) {
    if (!hBmp) return;
    BITMAP bm{};
    if (!::GetObjectW(hBmp, sizeof bm, &bm)) return;
    const int32_t bw = bm.bmWidth;
    const int32_t bh = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    if (!m_hDC && !Init(bw, bh)) return;
    if (!nWidth) nWidth = bw;
    if (!nHeight) nHeight = bh;
    rt::UniqueDC source(::CreateCompatibleDC(m_hDC));
    rt::SelectGuard selected(source.get(), hBmp);
    if (!selected.ok()) return;
    if (clrMask == kNoColor)
        ::BitBlt(m_hDC, xDest, yDest, nWidth, nHeight, source.get(), xSrc, ySrc, dwRop);
    else
        ::drawing::TransBlt(m_hDC, xDest, yDest, nWidth, nHeight, source.get(), xSrc, ySrc,
                            TranslateColor(clrMask), nullptr);
}

void cMemDC::TransBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                      int32_t xSrc, int32_t ySrc, uint32_t clrMask) const {
    if (!m_hDC) return;
    ::drawing::TransBlt(DestOr(hdcDest), xDest, yDest, WidthOr(nWidth), HeightOr(nHeight), m_hDC, xSrc, ySrc,
                        TranslateColor(clrMask), nullptr);
}

void cMemDC::DisabledBlt(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t nWidth, int32_t nHeight,
                         int32_t xSrc, int32_t ySrc, uint32_t clrMask, uint32_t clrHighlight,
                         uint32_t clrShadow) const {
    if (!m_hDC) return;
    pvDisabledCopy(DestOr(hdcDest), xDest, yDest, WidthOr(nWidth), HeightOr(nHeight), m_hDC, xSrc, ySrc,
                   clrMask, clrHighlight, clrShadow);
}

void cMemDC::pvDisabledCopy(HDC hdcDest, int32_t xDest, int32_t yDest, int32_t w, int32_t h, HDC src,
                            int32_t xSrc, int32_t ySrc, uint32_t clrMask, uint32_t clrHighlight,
                            uint32_t clrShadow) const {
    if (!hdcDest || w <= 0 || h <= 0) return;
    // The source and the destination are read back as pixels, so the dark/light split and the two shifted
    // shapes come out the same on every display depth.
    PixelDib source(w, h);
    PixelDib work(w, h);
    if (!source.ok() || !work.ok()) return;
    if (!::BitBlt(source.dc(), 0, 0, w, h, src, xSrc, ySrc, SRCCOPY)) return;
    if (!::BitBlt(work.dc(), 0, 0, w, h, hdcDest, xDest, yDest, SRCCOPY)) return;
    if (!EmbossDisabled(source.pixels(), work.pixels(), w, h, PixelOf(TranslateColor(clrMask)),
                        PixelOf(TranslateColor(clrHighlight)), PixelOf(TranslateColor(clrShadow))))
        return;
    ::BitBlt(hdcDest, xDest, yDest, w, h, work.dc(), 0, 0, SRCCOPY);
}

void cMemDC::PaintDisabledPicture(const rt::Picture& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                                  int32_t nHeight, int32_t xSrc, int32_t ySrc, uint32_t clrMask,
                                  uint32_t clrHighlight, uint32_t clrShadow) {
    PaintDisabledPicture(PictureDesc::Of(oPic), xDest, yDest, nWidth, nHeight, xSrc, ySrc, clrMask,
                         clrHighlight, clrShadow);
}

void cMemDC::PaintDisabledPicture(const PictureDesc& oPic, int32_t xDest, int32_t yDest, int32_t nWidth,
                                  int32_t nHeight, int32_t xSrc, int32_t ySrc, uint32_t clrMask,
                                  uint32_t clrHighlight, uint32_t clrShadow) {
    if (oPic.Type == PictureDesc::None || !oPic.Handle) return;
    SIZE size{};
    if (!rt::Trap([&] {
            size = PictureSize(oPic);
        }))
        return;
    if (!m_hDC && !Init(size.cx, size.cy)) return;
    if (!nWidth) nWidth = size.cx;
    if (!nHeight) nHeight = size.cy;
    cMemDC picture;
    if (!picture.Init(nWidth, nHeight)) return;
    picture.Cls(clrMask);
    picture.PaintPicture(oPic, 0, 0, nWidth, nHeight, xSrc, ySrc, SRCCOPY, kNoColor);
    pvDisabledCopy(m_hDC, xDest, yDest, nWidth, nHeight, picture.hdc(), 0, 0, clrMask, clrHighlight,
                   clrShadow);
}

rt::Picture cMemDC::Image() const {
    if (!m_hDC) return nullptr;
    rt::UniqueBitmap copy(::CreateCompatibleBitmap(m_hDC, m_Width, m_Height));
    rt::UniqueDC dc(::CreateCompatibleDC(m_hDC));
    if (!copy || !dc) return nullptr;
    {
        rt::SelectGuard selected(dc.get(), copy.get());
        if (!selected.ok() || !::BitBlt(dc.get(), 0, 0, m_Width, m_Height, m_hDC, 0, 0, SRCCOPY))
            return nullptr;
    }
    return BitmapToPicture(std::move(copy), m_hPal.get());
}

rt::Picture cMemDC::ExtractIcon(uint32_t clrMask) const {
    if (!m_hDC) return nullptr;
    PixelDib surface(m_Width, m_Height);
    if (!surface.ok() || !::BitBlt(surface.dc(), 0, 0, m_Width, m_Height, m_hDC, 0, 0, SRCCOPY))
        return nullptr;
    const IconPlanes planes = SplitIconPlanes(surface.pixels(), m_Width, m_Height, clrMask);
    if (planes.colour.empty()) return nullptr;
    rt::UniqueBitmap mask(::CreateBitmap(m_Width, m_Height, 1, 1, planes.mask.data()));
    rt::UniqueBitmap colour(::CreateBitmap(m_Width, m_Height, 1, 32, planes.colour.data()));
    if (!mask || !colour) return nullptr;
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmMask = mask.get();
    ii.hbmColor = colour.get();
    // The system copies both bitmaps; ours go when this returns.
    return IconToPicture(rt::UniqueIcon(::CreateIconIndirect(&ii)));
}

rt::Picture cMemDC::BitmapToPicture(rt::UniqueBitmap hBmp, HPALETTE /*hPal*/) {
    return rt::PictureObject::FromBitmap(std::move(hBmp));
}

rt::Picture cMemDC::IconToPicture(rt::UniqueIcon hIcon) {
    return rt::PictureObject::FromIcon(std::move(hIcon));
}

} // namespace drawing
