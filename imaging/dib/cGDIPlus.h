#pragma once
// The few GDI+ operations the image engine needs: sessions, decoding any format GDI+ knows into an
// image, drawing an image with a colour matrix, flips and rotation, and PNG encoding. GDI+ is reached
// by name at run time; without it every operation answers False. The object holds no state.
#include <windows.h>
#include <objidl.h>
#include <wrl/client.h>

#include "imaging/dib/GdiPlusFlat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace imaging {

class c32bppDIB;

class cGDIPlus {
  public:
    // True when GDI+ starts; gdiToken receives the session, which stays open only with KeepToken
    // (else gdiToken is 0 again).
    bool isGDIplusOk(gdip::Token& gdiToken, bool KeepToken) const;
    // The image as PNG, upright: into the file when FileName is not empty, else into outStream.
    bool SaveToPNG(const std::wstring& FileName, std::vector<uint8_t>& outStream, c32bppDIB& cHost,
                   gdip::Token GlobalToken) const;

    // Starts a session into token, or with shutDown ends the one in it.
    bool InitializeGDIplus(gdip::Token& token, bool shutDown) const;
    // Decodes the file (or, with no name, the bytes) into image, which holds no image on failure.
    bool LoadImageGDIplus(const std::wstring& FileName, const std::vector<uint8_t>& bytes, c32bppDIB& image,
                          gdip::Token token) const;
    // Draws the source rectangle of the image into the destination rectangle of dc. A negative
    // destination size mirrors on that axis; Angle turns the drawing clockwise about the destination's
    // centre; Opacity is in percent; grayScale -1 is none; LightAdjustment is in percent.
    bool RenderImageGDIplus(c32bppDIB& image, HDC dc, float Angle, int32_t Opacity, int32_t destX,
                            int32_t destY, int32_t destWidth, int32_t destHeight, int32_t SrcX, int32_t SrcY,
                            int32_t srcWidth, int32_t srcHeight, bool HighQualityInterpolation,
                            int32_t grayScale, gdip::Token token, float LightAdjustment) const;
    // 1-based index of the encoder of that MIME type (any case) with its CLSID, or -1.
    int32_t EncoderClsid(std::wstring_view MimeType, CLSID& clsid, gdip::Token token) const;

    // A memory stream holding bytes[start...]; empty when there are none. It frees its memory itself.
    static Microsoft::WRL::ComPtr<IStream> StreamFromArray(const std::vector<uint8_t>& bytes,
                                                           std::size_t start);
    // The stream's bytes; False when it holds none.
    static bool ArrayFromStream(IStream* stream, std::vector<uint8_t>& outStream);
    static std::wstring WideStringFromPtr(const wchar_t* text);
};

} // namespace imaging
