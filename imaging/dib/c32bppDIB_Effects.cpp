// Effects that change an image in place or derive a shadow or a window region from it.
#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/ModAPIRegions.h"
#include "imaging/dib/Trapped.h"
#include "imaging/pixels/EffectPixels.h"

#include <cstring>

namespace imaging {

bool c32bppDIB::CreateCheckerBoard(int32_t CheckerSize, int32_t FirstColor, int32_t SecondColor) {
    if (!m_Handle || CheckerSize < 1) return false;
    FillCheckerBoard(Pixels(), CheckerSize, static_cast<uint32_t>(FirstColor),
                     static_cast<uint32_t>(SecondColor));
    m_Alpha = false;
    m_ImageType = kImageCheckerBoard;
    return true;
}

bool c32bppDIB::MakeImageInverse() {
    if (!m_Handle) return false;
    InvertPremultiplied(Pixels());
    return true;
}

bool c32bppDIB::MakeTransparent(int32_t TransparentColor, bool Revert) {
    if (!m_Handle) return false;
    const uint32_t key = OpaqueKey(static_cast<uint32_t>(TransparentColor));
    const PixelView px = Pixels();
    if (!Revert) {
        if (ReplacePixels(px, key, 0) > 0) {
            m_Alpha = true;
            if (m_ImageType == kImageOpaque) m_ImageType = kImagePremultiplied;
        }
        return true;
    }
    ReplacePixels(px, 0, key);
    int32_t kind = kImageBlank;
    bool hasAlpha = false;
    ModAPI::AnalyzeAlpha({px.bits, px.ByteCount()}, false, hasAlpha, kind);
    m_Alpha = hasAlpha;
    if (!hasAlpha && (m_ImageType == kImagePremultiplied || m_ImageType == kImageStraightAlpha))
        m_ImageType = kImageOpaque;
    return true;
}

bool c32bppDIB::MirrorImage(bool MirrorAxisX, bool MirrorAxisY) {
    if (!m_Handle || (!MirrorAxisX && !MirrorAxisY)) return false;
    return Trapped([&] {
        PixelRect whole = WholeImage();
        int32_t w = MirrorAxisX ? -m_Width : m_Width, h = MirrorAxisY ? -m_Height : m_Height;
        float noLight = 0;
        PixelBuffer buffer;
        MirrorToBuffer(whole, w, h, buffer, nullptr, noLight);
        std::memcpy(Pixels().bits, buffer.Bytes().data(), buffer.Bytes().size());
        return true;
    });
}

std::unique_ptr<c32bppDIB> c32bppDIB::CreateDropShadow(int32_t blurDepth, int32_t Color) {
    if (!m_Handle) return nullptr;
    std::unique_ptr<c32bppDIB> shadow;
    rt::Trap([&] {
        const int32_t s = 2 * ClampBlurDepth(blurDepth);
        auto made = std::make_unique<c32bppDIB>();
        made->gdiToken(m_gdiToken);
        if (!made->InitializeDIB(rt::Add(m_Width, s), rt::Add(m_Height, s))) return;
        DropShadow(Pixels(), blurDepth, static_cast<uint32_t>(Color), made->Pixels());
        made->m_Alpha = true;
        made->m_ImageType = kImagePremultiplied;
        shadow = std::move(made);
    });
    return shadow;
}

bool c32bppDIB::RenderDropShadow_JIT(HDC destinationDC, int32_t x, int32_t y, int32_t blurDepth,
                                     int32_t Color, int32_t Opacity) {
    const std::unique_ptr<c32bppDIB> shadow = CreateDropShadow(blurDepth, Color);
    if (!shadow) return false;
    return shadow->Render(destinationDC, x, y, 0, 0, 0, 0, 0, 0, Opacity, true, true, nullptr, -1, 0, 0,
                          false);
}

rt::UniqueRgn c32bppDIB::CreateRegion(int32_t regionStyle, int32_t xOffset, int32_t yOffset) const {
    if (!m_Handle || regionStyle < kRegionBounds || regionStyle > kRegionRuns) return {};
    rt::UniqueRgn region;
    rt::Trap([&] {
        region = ModAPI::CreateAlphaRegion(*this, regionStyle);
        if (region && (xOffset != 0 || yOffset != 0)) ::OffsetRgn(region.get(), xOffset, yOffset);
    });
    return region;
}

} // namespace imaging
