// Rotated drawing without GDI+ (a square canvas drawn like any image) and resized copies.
#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/Trapped.h"
#include "imaging/dib/cGDIPlus.h"
#include "imaging/pixels/RotatePixels.h"
#include "runtime/Checked.h"
#include "runtime/ScopeExit.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace imaging {

bool c32bppDIB::RenderRotated(HDC destinationDC, float Angle, int32_t destX, int32_t destY, int32_t destWidth,
                              int32_t destHeight, PixelRect src, int32_t Opacity, c32bppDIB* destHostDIB,
                              int32_t grayScale, float LightAdjustment) {
    if (isGDIplusEnabled() &&
        cGDIPlus().RenderImageGDIplus(*this, destinationDC, Angle, Opacity, destX, destY, destWidth,
                                      destHeight, src.left, src.top, src.width, src.height,
                                      m_HighQualityInterpolation, grayScale, m_gdiToken, LightAdjustment))
        return true;

    return Trapped([&] {
        if (destWidth < 0) destX = rt::Add(destX, destWidth);
        if (destHeight < 0) destY = rt::Add(destY, destHeight);
        PixelBuffer buffer;
        if (!MirrorToBuffer(src, destWidth, destHeight, buffer, nullptr, LightAdjustment) &&
            LightAdjustment != 0)
            AdjustLightness(LightAdjustment, buffer);
        const PixelView source = buffer.Empty() ? Pixels() : buffer.View();

        Rotation rotation;
        rotation.xScale = static_cast<double>(std::abs(destWidth)) / src.width;
        rotation.yScale = static_cast<double>(std::abs(destHeight)) / src.height;
        rotation.degrees = rt::Mod(rt::RoundToInt32(Angle), 360);
        rotation.bilinear = m_HighQualityInterpolation;

        const int32_t side = RotationCanvasSide(destWidth, destHeight);
        c32bppDIB canvas;
        // A new object has probed GDI+ already; only a switch-off is passed on.
        if (!isGDIplusEnabled()) canvas.isGDIplusEnabled(false);
        canvas.HighQualityInterpolation(m_HighQualityInterpolation);
        if (!canvas.InitializeDIB(side, side)) return false;
        RotateInto(source, src, rotation, canvas.Pixels());
        canvas.gdiToken(m_gdiToken);
        // A place outside the 32-bit range raises the overflow error: nothing is drawn.
        const auto corner = [&](int32_t at, int32_t size) {
            return rt::Narrow<int32_t>(int64_t{at} + size / 2 - side / 2);
        };
        return canvas.Render(destinationDC, corner(destX, destWidth), corner(destY, destHeight), 0, 0, 0, 0,
                             0, 0, Opacity, true, destHostDIB == nullptr, destHostDIB, grayScale, 0, 0,
                             false);
    });
}

void c32bppDIB::CopyImageTo(std::unique_ptr<c32bppDIB>& cDIBclass, int32_t newWidth, int32_t newHeight,
                            bool CopyOriginalFormat) {
    if (!m_Handle) return;
    rt::Trap([&] {
        if (newWidth == 0) newWidth = m_Width;
        if (newHeight == 0) newHeight = m_Height;
        const int32_t w = newWidth < 0 ? rt::Neg(newWidth) : newWidth;
        const int32_t h = newHeight < 0 ? rt::Neg(newHeight) : newHeight;
        if (!cDIBclass) {
            cDIBclass = std::make_unique<c32bppDIB>();
            cDIBclass->gdiToken(m_gdiToken);
            if (!isGDIplusEnabled()) cDIBclass->isGDIplusEnabled(false);
            cDIBclass->HighQualityInterpolation(m_HighQualityInterpolation);
            if (!cDIBclass->InitializeDIB(w, h)) return;
        } else {
            cDIBclass->gdiToken(m_gdiToken);
            if ((cDIBclass->m_Width != w || cDIBclass->m_Height != h) && !cDIBclass->InitializeDIB(w, h))
                return;
        }
        c32bppDIB& target = *cDIBclass;
        target.m_Alpha = m_Alpha;
        target.m_ImageType = m_ImageType;

        if (newWidth == m_Width && newHeight == m_Height) {
            const PixelView from = Pixels(), to = target.Pixels();
            std::memcpy(to.bits, from.bits, from.ByteCount());
        } else {
            // AlphaBlend is kept out of legacy systems' resized copies.
            const bool legacy = (m_Flags & kCapAlphaBlendFriendly) && (m_Flags & kCapLegacySystem);
            const auto restore =
                rt::SetForScope(m_Flags, legacy ? m_Flags & ~kCapAlphaBlendFriendly : m_Flags);
            float noLight = 0;
            if ((!isAlphaBlendFriendly() || m_HighQualityInterpolation) && isGDIplusEnabled()) {
                const DcLease lease(target);
                cGDIPlus().RenderImageGDIplus(*this, lease.dc(), 0, 100, 0, 0, newWidth, newHeight, 0, 0,
                                              m_Width, m_Height, true, -1, m_gdiToken, 0);
            } else if (newWidth < 0 || newHeight < 0) {
                PixelRect whole = WholeImage();
                int32_t dw = newWidth, dh = newHeight;
                if (w == m_Width && h == m_Height) {
                    PixelBuffer unused;
                    MirrorToBuffer(whole, dw, dh, unused, &target, noLight);
                } else {
                    // A mirrored copy of another size: mirrored first, then stretched into the target.
                    PixelBuffer mirrored;
                    MirrorToBuffer(whole, dw, dh, mirrored, nullptr, noLight);
                    PixelBuffer unused;
                    StretchToBuffer(mirrored.View(), WholeImage(), w, h, unused, &target, noLight);
                }
            } else if (!isAlphaBlendFriendly() || m_HighQualityInterpolation) {
                PixelBuffer unused;
                StretchToBuffer(Pixels(), WholeImage(), w, h, unused, &target, noLight);
            } else {
                Render(nullptr, 0, 0, newWidth, newHeight, 0, 0, 0, 0, 100, true, true, &target, -1, 0, 0,
                       false);
            }
        }
        if (CopyOriginalFormat) target.m_OriginalFormat = m_OriginalFormat;
    });
}

} // namespace imaging
