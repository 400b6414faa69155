// Drawing an image: the choice between GDI+, AlphaBlend and the own pixel pipeline, and the pipeline's
// stages around the platform-free pixel work of RenderPixels.
#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/Trapped.h"
#include "imaging/dib/cGDIPlus.h"
#include "runtime/Checked.h"
#include "runtime/ScopeExit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace imaging {

namespace {

bool NeedsRotation(float Angle) {
    const double a = Angle;
    return a != std::floor(a) || std::fmod(a, 360.0) != 0.0;
}

} // namespace

bool c32bppDIB::Render(HDC destinationDC, int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight,
                       int32_t SrcX, int32_t SrcY, int32_t srcWidth, int32_t srcHeight, int32_t Opacity,
                       bool /*Blend*/, bool SetHalfTone, c32bppDIB* destHostDIB, int32_t grayScale,
                       float LightAdjustment, float Angle, bool CenterOnDestXY) {
    if (!m_Handle) return false;
    if (Opacity <= 0) return true;
    if (!destinationDC && !destHostDIB) return false;
    return Trapped([&] {
        if (destWidth == 0) destWidth = m_Width;
        if (destHeight == 0) destHeight = m_Height;
        SrcX = std::max(SrcX, 0);
        SrcY = std::max(SrcY, 0);
        if (srcWidth == 0) {
            srcWidth = m_Width;
        } else if (srcWidth < 0) {
            srcWidth = rt::Neg(srcWidth);
            destWidth = rt::Neg(destWidth);
        }
        if (srcHeight == 0) {
            srcHeight = m_Height;
        } else if (srcHeight < 0) {
            srcHeight = rt::Neg(srcHeight);
            destHeight = rt::Neg(destHeight);
        }
        if (rt::Add(SrcX, srcWidth) > m_Width) srcWidth = m_Width - SrcX;
        if (rt::Add(SrcY, srcHeight) > m_Height) srcHeight = m_Height - SrcY;
        if (srcWidth < 1 || srcHeight < 1) return false;
        const PixelRect src{SrcX, SrcY, srcWidth, srcHeight};

        int32_t E = Opacity % 100;
        if (E == 0) E = 100;
        if (LightAdjustment > 100 || LightAdjustment < -100) LightAdjustment = 0;

        if (NeedsRotation(Angle)) {
            if (CenterOnDestXY) {
                destX = rt::Sub(destX, destWidth / 2);
                destY = rt::Sub(destY, destHeight / 2);
            }
            if (!destHostDIB)
                return RenderRotated(destinationDC, Angle, destX, destY, destWidth, destHeight, src, E,
                                     nullptr, grayScale, LightAdjustment);
            const DcLease host(*destHostDIB);
            return RenderRotated(host.dc(), Angle, destX, destY, destWidth, destHeight, src, E, destHostDIB,
                                 grayScale, LightAdjustment);
        }

        if (CenterOnDestXY) {
            destX = rt::Sub(destX, std::abs(destWidth / 2));
            destY = rt::Sub(destY, std::abs(destHeight / 2));
        }
        const bool mirrored = destWidth < 1 || destHeight < 0;
        const bool stretched = std::abs(destWidth) != srcWidth || std::abs(destHeight) != srcHeight;
        bool useAlphaBlend = false;
        if ((m_gdiToken == 0 || !isGDIplusEnabled()) && isAlphaBlendFriendly() && !mirrored &&
            grayScale == -1 && LightAdjustment == 0)
            useAlphaBlend = !stretched || !m_HighQualityInterpolation;

        if (isGDIplusEnabled() && !useAlphaBlend) {
            const auto draw = [&](HDC dc) {
                return cGDIPlus().RenderImageGDIplus(
                    *this, dc, 0, E, destX, destY, destWidth, destHeight, SrcX, SrcY, srcWidth, srcHeight,
                    m_HighQualityInterpolation, grayScale, m_gdiToken, LightAdjustment);
            };
            if (!destHostDIB) return draw(destinationDC);
            const DcLease host(*destHostDIB);
            return draw(host.dc());
        }

        const uint8_t L = static_cast<uint8_t>(E * 255 / 100);
        if (useAlphaBlend) {
            const DcLease self(*this);
            std::unique_ptr<DcLease> host;
            HDC target = destinationDC;
            if (destHostDIB) {
                host = std::make_unique<DcLease>(*destHostDIB);
                target = host->dc();
            }
            if (!self.dc() || !target) return false;
            const int oldMode =
                SetHalfTone && !(m_Flags & kCapLegacySystem) ? ::SetStretchBltMode(target, HALFTONE) : 0;
            const rt::ScopeExit restoreMode([&] {
                if (oldMode) ::SetStretchBltMode(target, oldMode);
            });
            const BLENDFUNCTION bf{AC_SRC_OVER, 0, L, static_cast<BYTE>(m_Alpha ? AC_SRC_ALPHA : 0)};
            return ::AlphaBlend(target, destX, destY, destWidth, destHeight, self.dc(), SrcX, SrcY, srcWidth,
                                srcHeight, bf) != FALSE;
        }

        PixelBuffer buffer;
        PixelRect from = src;
        if (mirrored) MirrorToBuffer(from, destWidth, destHeight, buffer, nullptr, LightAdjustment);
        if (stretched) {
            PixelBuffer stretchedBuffer;
            const PixelView source = buffer.Empty() ? Pixels() : buffer.View();
            if (!StretchToBuffer(source, from, destWidth, destHeight, stretchedBuffer, nullptr,
                                 LightAdjustment))
                return false;
            buffer = std::move(stretchedBuffer);
            from = {0, 0, buffer.Width(), buffer.Height()};
        }
        return BlendToTarget(destinationDC, buffer.Empty() ? nullptr : &buffer, from, destX, destY,
                             std::abs(destWidth), std::abs(destHeight), L, destHostDIB, grayScale,
                             LightAdjustment);
    });
}

bool c32bppDIB::MirrorToBuffer(PixelRect& src, int32_t& destWidth, int32_t& destHeight, PixelBuffer& buffer,
                               c32bppDIB* target, float& LightAdjustment) {
    if (destWidth >= 1 && destHeight >= 1) return false;
    PixelView out;
    if (target) {
        out = target->Pixels();
    } else {
        buffer = PixelBuffer(src.width, src.height);
        out = buffer.View();
    }
    MirrorCopy(Pixels(), src, destWidth < 1, destHeight < 1, out);
    src.left = src.top = 0;
    destWidth = std::abs(destWidth);
    destHeight = std::abs(destHeight);
    if (LightAdjustment != 0) {
        imaging::AdjustLightness(out, out, LightAdjustment);
        LightAdjustment = 0;
    }
    return true;
}

bool c32bppDIB::StretchToBuffer(const PixelView& source, PixelRect src, int32_t destWidth, int32_t destHeight,
                                PixelBuffer& buffer, c32bppDIB* target, float& LightAdjustment) {
    PixelView out;
    if (target) {
        out = target->Pixels();
    } else {
        buffer = PixelBuffer(std::abs(destWidth), std::abs(destHeight));
        out = buffer.View();
    }
    if (out.Empty()) return false;
    if (m_HighQualityInterpolation)
        StretchBilinear(source, src, out);
    else
        StretchNearest(source, src, out);
    // The blend reads a working buffer as it is, so a lightness change is made here.
    if (LightAdjustment != 0) {
        imaging::AdjustLightness(out, out, LightAdjustment);
        LightAdjustment = 0;
    }
    return true;
}

void c32bppDIB::AdjustLightness(float LightAdjustment, PixelBuffer& out) const {
    out = PixelBuffer(m_Width, m_Height);
    imaging::AdjustLightness(Pixels(), out.View(), LightAdjustment);
}

bool c32bppDIB::BlendToTarget(HDC destinationDC, PixelBuffer* buffer, PixelRect src, int32_t destX,
                              int32_t destY, int32_t destWidth, int32_t destHeight, uint8_t opacity,
                              c32bppDIB* destHostDIB, int32_t grayScale, float LightAdjustment) {
    PixelBuffer lightened;
    PixelView source = buffer ? buffer->View() : Pixels();
    if (!buffer && LightAdjustment != 0) {
        AdjustLightness(LightAdjustment, lightened);
        source = lightened.View();
    }
    // Parts left or above the target are clipped off the source, for a working buffer as for the image.
    if (destX < 0) {
        src.left = rt::Sub(src.left, destX);
        destWidth = rt::Add(destWidth, destX);
        destX = 0;
    }
    if (destY < 0) {
        src.top = rt::Sub(src.top, destY);
        destHeight = rt::Add(destHeight, destY);
        destY = 0;
    }
    if (destHostDIB) {
        destWidth = std::min(destWidth, destHostDIB->m_Width);
        destHeight = std::min(destHeight, destHostDIB->m_Height);
    }
    if (destWidth < 1 || destHeight < 1) return false;

    const BlendMode mode{opacity, grayScale != -1, ModAPI::GrayScaleWeights(grayScale),
                         destHostDIB != nullptr};
    const auto sourceRow = [&](int32_t y) { return source.At(src.left, src.top + y); };

    if (destHostDIB) {
        const PixelView host = destHostDIB->Pixels();
        // In 64 bits: a far right or bottom edge must not wrap round into the host.
        if (int64_t{destX} + destWidth <= host.width && int64_t{destY} + destHeight <= host.height) {
            // Rows in memory order, the bottom row first: walking addresses downwards defeats the prefetcher.
            for (int32_t y = destHeight - 1; y >= 0; --y)
                BlendRow(sourceRow(y), host.At(destX, destY + y), destWidth, mode);
            return true;
        }
        // Not clipped: the blend stops at the first pixel that would fall outside the host.
        for (int32_t y = 0; y < destHeight; ++y) {
            if (destY + y >= host.height || destX >= host.width) return false;
            const int32_t fits = std::min(destWidth, host.width - destX);
            BlendRow(sourceRow(y), host.At(destX, destY + y), fits, mode);
            if (fits < destWidth) return false;
        }
        return true;
    }

    // A snapshot of the target rectangle, blended and written back; the rest of the target is untouched.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = destWidth;
    bi.bmiHeader.biHeight = destHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const rt::UniqueBitmap snapshot(
        ::CreateDIBSection(destinationDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const rt::UniqueDC snapDC(::CreateCompatibleDC(destinationDC));
    if (!snapshot || !bits || !snapDC) return false;
    {
        const rt::SelectGuard selected(snapDC.get(), snapshot.get());
        if (!::BitBlt(snapDC.get(), 0, 0, destWidth, destHeight, destinationDC, destX, destY, SRCCOPY))
            return false;
    }
    ::GdiFlush();
    const PixelView target{static_cast<uint8_t*>(bits), destWidth, destHeight};
    for (int32_t y = destHeight - 1; y >= 0; --y)
        BlendRow(sourceRow(y), target.At(0, y), destWidth, mode);
    return ::SetDIBitsToDevice(destinationDC, destX, destY, static_cast<DWORD>(destWidth),
                               static_cast<DWORD>(destHeight), 0, 0, 0, static_cast<UINT>(destHeight), bits,
                               &bi, DIB_RGB_COLORS) != 0;
}

} // namespace imaging
