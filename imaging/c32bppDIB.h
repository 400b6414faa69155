#pragma once
// One raster image held as a 32-bit, bottom-up, premultiplied-alpha DIB section, with a memory DC of
// its own into which the section can be selected. Every colour byte is at most its pixel's alpha.
// This file holds storage, lifecycle, capability flags and pixel access; loading, rendering and
// effects are members defined in c32bppDIB_*.cpp files of their own.
#include <windows.h>

#include "ByteArray.h"
#include "Checked.h"
#include "DibCore.h"
#include "GdiPlusFlat.h"
#include "Handles.h"
#include "PixelMath.h"

#include <cstdint>
#include <vector>

namespace imaging {

class cGDIPlus;
class cPNGparser;

class c32bppDIB {
  public:
    // No image yet (ImageType 0); capability flags from the system version; GDI+ probed.
    c32bppDIB();
    ~c32bppDIB();
    c32bppDIB(const c32bppDIB&) = delete;
    c32bppDIB& operator=(const c32bppDIB&) = delete;

    // A blank, fully transparent Width x |Height| image. False, with no image, for a negative Width, a
    // zero Height or a size whose byte count leaves 32 bits.
    bool InitializeDIB(int32_t Width, int32_t Height);
    void DestroyDIB();
    void EraseDIB();

    int32_t Width() const { return m_Width; }
    int32_t Height() const { return m_Height; }
    HBITMAP Handle() const { return m_Handle.get(); }
    uint8_t* BitsPointer() const { return m_Bits; }
    int32_t scanWidth() const { return m_Width * 4; }
    bool Alpha() const { return m_Alpha; }
    int32_t ImageType() const { return m_ImageType; }

    bool HighQualityInterpolation() const { return m_HighQualityInterpolation; }
    void HighQualityInterpolation(bool Value) { m_HighQualityInterpolation = Value; }
    bool ManageOwnDC() const { return m_ManageOwnDC; }
    void ManageOwnDC(bool Value);
    bool isAlphaBlendFriendly() const { return (m_Flags & kCapAlphaBlendFriendly) != 0; }
    // Only True (-1) sets it, and only where the system has AlphaBlend.
    void isAlphaBlendFriendly(int16_t Value);
    bool isGDIplusEnabled() const { return (m_Flags & kCapGdiPlusEnabled) != 0; }
    // Enabling asks GDI+ whether it starts; it stays off where the system must not use it.
    void isGDIplusEnabled(bool Value);
    bool isZlibEnabled() const;
    // A GDI+ session lent by the embedding code; 0 = each GDI+ operation opens its own.
    gdip::Token gdiToken() const { return m_gdiToken; }
    void gdiToken(gdip::Token Value) { m_gdiToken = Value; }

    // True (-1): the own DC with the section selected (created when needed), 0 without an image. Any
    // other value unselects the section, and deletes the DC unless ManageOwnDC keeps it.
    HDC LoadDIBinDC(int16_t bLoad);

    // 0x00BBGGRR of the pixel counted from the top-left, un-premultiplied unless asPreMultiplied;
    // -1 with AlphaValue 0 outside the image.
    int32_t GetPixel(int32_t X, int32_t Y, int32_t& AlphaValue, bool asPreMultiplied) const;
    bool GetDIBbits(ByteArray& outStream, bool as2dArray, bool asBGRformat, bool as32bpp, bool asWordAligned,
                    bool asBottomUp, int32_t left, int32_t top, int32_t width, int32_t height,
                    bool asPreMultiplied) const;
    bool SetDIBbits(const ByteArray& inStream, bool isBGRformat, bool is32bpp, bool isWordAligned,
                    bool isBottomUp, int32_t dstX, int32_t dstY, int32_t dstWidth, int32_t dstHeight);

    bool GetOrginalFormat(std::vector<uint8_t>& outStream) const;
    // The image as a BMP file: 32-bit premultiplied rows with Alpha, 24-bit rows without.
    bool SaveToStream(std::vector<uint8_t>& outStream) const;

  private:
    // Alpha, ImageType and the kept bytes are written only by the engine's own loaders and decoders.
    friend class cGDIPlus;
    friend class cPNGparser;
    void SetAlpha(bool Value) { m_Alpha = Value; }
    void SetImageType(int32_t Value) { m_ImageType = Value; }
    void StoreOriginalFormat(const std::vector<uint8_t>& inStream) { m_OriginalFormat = inStream; }
    PixelView Pixels() const;

    bool m_HighQualityInterpolation = false;
    rt::UniqueBitmap m_Handle;
    uint8_t* m_Bits = nullptr;
    int32_t m_Height = 0;
    int32_t m_Width = 0;
    rt::UniqueDC m_DC;
    HGDIOBJ m_PrevBitmap = nullptr;
    int32_t m_Flags = 0;
    int32_t m_ImageType = kImageBlank;
    bool m_ManageOwnDC = false;
    bool m_Alpha = false;
    gdip::Token m_gdiToken = 0;
    std::vector<uint8_t> m_OriginalFormat;
};

} // namespace imaging
