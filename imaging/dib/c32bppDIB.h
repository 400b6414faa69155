#pragma once
// One raster image held as a 32-bit, bottom-up, premultiplied-alpha DIB section, with a memory DC of
// its own into which the section can be selected. Every colour byte is at most its pixel's alpha.
// This file holds storage, lifecycle, capability flags and pixel access; loading, rendering and
// effects are members defined in c32bppDIB_*.cpp files of their own.
#include <windows.h>

#include "imaging/dib/ByteArray.h"
#include "imaging/dib/DibCore.h"
#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/pixels/PixelMath.h"
#include "imaging/pixels/RenderPixels.h"
#include "runtime/Checked.h"
#include "runtime/Handles.h"
#include "runtime/Picture.h"

#include <objidl.h>

#include <cstdint>
#include <memory>
#include <string>
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

    // Loading (c32bppDIB_Load.cpp). Each loader discards the current image and decodes through the PNG
    // decoder, then GDI+; a decoder error is shown in a message box. An unopenable file, an empty
    // array or fewer than 57 bytes are refused before that, keeping the current image. SaveFormat
    // keeps the encoded bytes (re-encoded as PNG when GDI+ decoded them). The icon sizes and depth
    // are accepted for callers and reach no decoder.
    bool LoadPicture_File(const std::wstring& FileName, int32_t iconCx = 0, int32_t iconCy = 0,
                          bool SaveFormat = false, int32_t iconBitDepth = 32);
    // streamStart below 0 counts from 0; streamLength 0 runs to the end of the array.
    bool LoadPicture_Stream(const std::vector<uint8_t>& inStream, int32_t iconCx = 0, int32_t iconCy = 0,
                            int32_t streamStart = 0, int32_t streamLength = 0, bool SaveFormat = false,
                            int32_t iconBitDepth = 32);
    // The raw data of resource ResIndex of type ResSection in VBglobal's resources (the program's own
    // when null), as a stream.
    bool LoadPicture_Resource(const wchar_t* ResIndex, const wchar_t* ResSection, HMODULE VBglobal = nullptr,
                              int32_t iconCx = 0, int32_t iconCy = 0, int32_t streamStart = 0,
                              int32_t streamLength = 0, int32_t iconBitDepth = 32);
    // A resource of a picture kind (bitmap, icon, cursor): handed to LoadPicture_StdPicture, so False.
    bool LoadPicture_Resource(const wchar_t* ResIndex, int16_t ResSection, HMODULE VBglobal = nullptr,
                              int32_t iconCx = 0, int32_t iconCy = 0, int32_t streamStart = 0,
                              int32_t streamLength = 0, int32_t iconBitDepth = 32);
    bool LoadPicture_FromOrignalFormat(int32_t iconCx = 0, int32_t iconCy = 0, int32_t iconBitDepth = 32);
    // Picture objects are not decoded here: these discard the current image and answer False.
    bool LoadPicture_StdPicture(const rt::Picture& Picture);
    bool LoadPicture_ByHandle(HANDLE Handle);
    bool LoadPicture_ClipBoard();
    // The file names of a dropped data object or of the clipboard's file drop; their count.
    static int32_t GetDroppedFileNames(IDataObject* OLEDragDrop_DataObject,
                                       std::vector<std::wstring>& ListOfFiles);
    static int32_t GetPastedFileNames(std::vector<std::wstring>& ListOfFiles);

    // Draws a rectangle of the image into destinationDC, or into destHostDIB when one is given, through
    // GDI+, the system's AlphaBlend or the object's own pixel pipeline. A size of 0 is the image's own;
    // a negative size mirrors; Opacity is in percent (|Opacity| mod 100, 0 being 100; <= 0 draws
    // nothing); grayScale -1 is none; LightAdjustment is in percent; Angle in degrees, clockwise.
    bool Render(HDC destinationDC, int32_t destX = 0, int32_t destY = 0, int32_t destWidth = 0,
                int32_t destHeight = 0, int32_t SrcX = 0, int32_t SrcY = 0, int32_t srcWidth = 0,
                int32_t srcHeight = 0, int32_t Opacity = 100, bool Blend = true, bool SetHalfTone = true,
                c32bppDIB* destHostDIB = nullptr, int32_t grayScale = -1, float LightAdjustment = 0,
                float Angle = 0, bool CenterOnDestXY = false);
    // A copy of |newWidth| x |newHeight| (0 = this image's size; negative mirrors) into cDIBclass,
    // which is created when empty.
    void CopyImageTo(std::unique_ptr<c32bppDIB>& cDIBclass, int32_t newWidth = 0, int32_t newHeight = 0,
                     bool CopyOriginalFormat = false);

    // Effects, in place.
    bool CreateCheckerBoard(int32_t CheckerSize, int32_t FirstColor, int32_t SecondColor);
    bool MakeImageInverse();
    // Opaque pixels of TransparentColor become transparent; with Revert, transparent ones become it.
    bool MakeTransparent(int32_t TransparentColor, bool Revert);
    bool MirrorImage(bool MirrorAxisX, bool MirrorAxisY);
    // A new image: this one's alpha blurred over a (2 x blurDepth + 1) square in Color; null without an
    // image.
    std::unique_ptr<c32bppDIB> CreateDropShadow(int32_t blurDepth, int32_t Color);
    bool RenderDropShadow_JIT(HDC destinationDC, int32_t x, int32_t y, int32_t blurDepth, int32_t Color,
                              int32_t Opacity = 100);
    // The region of the image's solid pixels (styles 0 bounding box, 1 row spans, 2 runs), moved by the
    // offsets; empty without an image or for another style.
    rt::UniqueRgn CreateRegion(int32_t regionStyle, int32_t xOffset = 0, int32_t yOffset = 0) const;

  private:
    // Holds the section selected into the own DC, and unselects it afterwards unless it already was.
    class DcLease;
    PixelRect WholeImage() const { return {0, 0, m_Width, m_Height}; }

    // The common loader: the open file (or none) and its name, or the bytes of a stream.
    bool LoadFromSource(HANDLE file, const std::wstring& FileName, const std::vector<uint8_t>* stream,
                        int32_t streamStart, int32_t streamLength, bool SaveFormat);
    // The PNG decoder's step of it; True when the data carries the PNG signature.
    bool DecodeWithPngParser(HANDLE file, const std::wstring& FileName, const std::vector<uint8_t>* stream,
                             int32_t streamStart, int32_t streamLength);

    // The stages of the own drawing pipeline (c32bppDIB_Render.cpp, c32bppDIB_Rotate.cpp).
    bool RenderRotated(HDC destinationDC, float Angle, int32_t destX, int32_t destY, int32_t destWidth,
                       int32_t destHeight, PixelRect src, int32_t Opacity, c32bppDIB* destHostDIB,
                       int32_t grayScale, float LightAdjustment);
    bool MirrorToBuffer(PixelRect& src, int32_t& destWidth, int32_t& destHeight, PixelBuffer& buffer,
                        c32bppDIB* target, float& LightAdjustment);
    bool StretchToBuffer(const PixelView& source, PixelRect src, int32_t destWidth, int32_t destHeight,
                         PixelBuffer& buffer, c32bppDIB* target, float& LightAdjustment);
    void AdjustLightness(float LightAdjustment, PixelBuffer& out) const;
    bool BlendToTarget(HDC destinationDC, PixelBuffer* buffer, PixelRect src, int32_t destX, int32_t destY,
                       int32_t destWidth, int32_t destHeight, uint8_t opacity, c32bppDIB* destHostDIB,
                       int32_t grayScale, float LightAdjustment);

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

class c32bppDIB::DcLease {
  public:
    explicit DcLease(c32bppDIB& image) : image_(image), wasSelected_(image.m_PrevBitmap != nullptr) {
        dc_ = image.LoadDIBinDC(rt::kTrue);
    }
    ~DcLease() {
        if (!wasSelected_) image_.LoadDIBinDC(rt::kFalse);
    }
    DcLease(const DcLease&) = delete;
    DcLease& operator=(const DcLease&) = delete;
    HDC dc() const { return dc_; }

  private:
    c32bppDIB& image_;
    bool wasSelected_;
    HDC dc_ = nullptr;
};

} // namespace imaging
