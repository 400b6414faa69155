#include "imaging/dib/cGDIPlus.h"

#include "imaging/dib/Trapped.h"
#include "imaging/dib/c32bppDIB.h"
#include "imaging/pixels/PixelMath.h"
#include "runtime/Checked.h"
#include "runtime/RtError.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

using gdip::Api;
using gdip::ColorMatrix;
using gdip::kOk;

struct GlobalFreer {
    void operator()(HGLOBAL h) const { ::GlobalFree(h); }
};
using UniqueGlobal = rt::UniqueUncounted<HGLOBAL, GlobalFreer>;

// Identity on the colours with the lightness change t added to each of them.
ColorMatrix LightMatrix(float t) {
    ColorMatrix m{};
    for (int i = 0; i < 5; ++i)
        m.m[i][i] = 1.0f;
    m.m[4][0] = m.m[4][1] = m.m[4][2] = t;
    return m;
}

// The image's own memory as a GDI+ bitmap; its rows are bottom-up, so it reads upside down.
gdip::Status WrapImage(const Api& api, const c32bppDIB& image, gdip::Image& bitmap) {
    ::GdiFlush();
    return bitmap.Make([&](gdip::GpImage** p) {
        return api.GdipCreateBitmapFromScan0(image.Width(), image.Height(), image.scanWidth(),
                                             gdip::kPixelFormat32bppPARGB, image.BitsPointer(), p);
    });
}

int32_t FindEncoder(const Api& api, std::wstring_view mime, CLSID& clsid) {
    UINT count = 0;
    UINT size = 0;
    if (api.GdipGetImageEncodersSize(&count, &size) != kOk || size == 0) return -1;
    // Aligned for the records' pointers; the strings they point to follow them in the same block.
    std::vector<uint64_t> block((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* codecs = reinterpret_cast<gdip::CodecInfo*>(block.data());
    if (api.GdipGetImageEncoders(count, size, codecs) != kOk) return -1;
    count = std::min<UINT>(count, size / sizeof(gdip::CodecInfo));
    for (UINT i = 0; i < count; ++i) {
        const std::wstring type = cGDIPlus::WideStringFromPtr(codecs[i].mimeType);
        if (::CompareStringOrdinal(type.c_str(), static_cast<int>(type.size()), mime.data(),
                                   static_cast<int>(mime.size()), TRUE) == CSTR_EQUAL) {
            clsid = codecs[i].clsid;
            return static_cast<int32_t>(i) + 1;
        }
    }
    return -1;
}

} // namespace

bool cGDIPlus::isGDIplusOk(gdip::Token& gdiToken, bool KeepToken) const {
    gdiToken = 0;
    const Api* api = gdip::Load();
    if (!api) return false;
    gdiToken = gdip::Start(*api);
    const bool ok = gdiToken != 0;
    if (ok && !KeepToken) {
        gdip::Shutdown(*api, gdiToken);
        gdiToken = 0;
    }
    return ok;
}

bool cGDIPlus::InitializeGDIplus(gdip::Token& token, bool shutDown) const {
    const Api* api = gdip::Load();
    if (shutDown) {
        if (api) gdip::Shutdown(*api, token);
        token = 0;
        return api != nullptr;
    }
    token = api ? gdip::Start(*api) : 0;
    return token != 0;
}

bool cGDIPlus::LoadImageGDIplus(const std::wstring& FileName, const std::vector<uint8_t>& bytes,
                                c32bppDIB& image, gdip::Token token) const {
    const bool ok = Trapped([&] {
        const Api* api = gdip::Load();
        if (!api) return false;
        const gdip::Session session(*api, token);
        if (!session.ok()) return false;

        gdip::Image decoded(*api);
        if (!FileName.empty()) {
            decoded.Make([&](gdip::GpImage** p) { return api->GdipLoadImageFromFile(FileName.c_str(), p); });
        } else {
            const auto stream = StreamFromArray(bytes, 0);
            if (!stream) return false;
            decoded.Make([&](gdip::GpImage** p) { return api->GdipLoadImageFromStream(stream.Get(), p); });
        }
        if (!decoded) return false;

        gdip::RectF bounds{};
        int unit = 0;
        if (api->GdipGetImageBounds(decoded.get(), &bounds, &unit) != kOk) return false;
        const int32_t x = rt::RoundToInt32(bounds.x);
        const int32_t y = rt::RoundToInt32(bounds.y);
        const int32_t w = rt::RoundToInt32(bounds.width);
        const int32_t h = rt::RoundToInt32(bounds.height);
        if (!image.InitializeDIB(w, h)) return false;

        gdip::Status drawn = -1;
        {
            const c32bppDIB::DcLease lease(image);
            const HDC dc = lease.dc();
            // Made after the lease, so deleting it finishes its drawing before the section leaves the DC.
            gdip::Graphics graphics(*api);
            if (dc &&
                graphics.Make([&](gdip::GpGraphics** p) { return api->GdipCreateFromHDC(dc, p); }) == kOk)
                drawn = api->GdipDrawImageRectRectI(graphics.get(), decoded.get(), 0, 0, w, h, x, y, w, h,
                                                    gdip::kUnitPixel, nullptr, nullptr, nullptr);
        }
        if (drawn != kOk) return false;

        INT format = 0;
        api->GdipGetImagePixelFormat(decoded.get(), &format);
        image.SetAlpha(format == gdip::kPixelFormat32bppARGB || format == gdip::kPixelFormat32bppPARGB);
        image.SetImageType(kImageDecoded);
        return true;
    });
    if (!ok) image.DestroyDIB();
    return ok;
}

bool cGDIPlus::RenderImageGDIplus(c32bppDIB& image, HDC dc, float Angle, int32_t Opacity, int32_t destX,
                                  int32_t destY, int32_t destWidth, int32_t destHeight, int32_t SrcX,
                                  int32_t SrcY, int32_t srcWidth, int32_t srcHeight,
                                  bool HighQualityInterpolation, int32_t grayScale, gdip::Token token,
                                  float LightAdjustment) const {
    if (Opacity == 0) return true;
    return Trapped([&] {
        const Api* api = gdip::Load();
        if (!api || !image.BitsPointer()) return false;
        const gdip::Session session(*api, token);
        if (!session.ok()) return false;

        gdip::Image bitmap(*api);
        if (WrapImage(*api, image, bitmap) != kOk) return false;
        gdip::Graphics graphics(*api);
        if (graphics.Make([&](gdip::GpGraphics** p) { return api->GdipCreateFromHDC(dc, p); }) != kOk)
            return false;
        api->GdipSetInterpolationMode(graphics.get(), HighQualityInterpolation
                                                          ? gdip::kInterpolationHighQualityBicubic
                                                          : gdip::kInterpolationNearestNeighbor);

        // The memory is bottom-up: flipping it upright is the plain case, leaving it is the mirror.
        int flip = gdip::kRotateNoneFlipY;
        int ySign = 1;
        int xSign = 1;
        if (destHeight < 0) {
            ySign = -1;
            flip = gdip::kRotateNoneFlipNone;
            destHeight = rt::Neg(destHeight);
        }
        if (destWidth < 0) {
            xSign = -1;
            flip ^= gdip::kRotateNoneFlipX;
            destWidth = rt::Neg(destWidth);
        }
        api->GdipImageRotateFlip(bitmap.get(), flip);

        const float t = LightAdjustment / 100.0f;
        ColorMatrix matrix = LightMatrix(t);
        gdip::Attributes attributes(*api);
        const auto setMatrix = [&] {
            return api->GdipSetImageAttributesColorMatrix(attributes.get(), gdip::kColorAdjustTypeBitmap,
                                                          TRUE, &matrix, &matrix,
                                                          gdip::kColorMatrixFlagsDefault);
        };
        if (grayScale != -1 || LightAdjustment != 0) {
            if (grayScale != -1) {
                const ModAPI::GrayWeights w = ModAPI::GrayScaleWeights(grayScale);
                const float rows[3] = {w.red, w.green, w.blue};
                for (int r = 0; r < 3; ++r)
                    matrix.m[r][0] = matrix.m[r][1] = matrix.m[r][2] = rows[r];
            }
            attributes.Make([&](gdip::GpImageAttributes** p) { return api->GdipCreateImageAttributes(p); });
            if (attributes && setMatrix() != kOk) attributes.reset();
        }

        gdip::Status status;
        if (Angle != 0 || Opacity != 100) {
            if (!attributes) {
                matrix = LightMatrix(t);
                if (attributes.Make([&](gdip::GpImageAttributes** p) {
                        return api->GdipCreateImageAttributes(p);
                    }) != kOk)
                    return false;
            }
            matrix.m[3][3] = static_cast<float>(Opacity) / 100.0f;
            if (setMatrix() != kOk) return false;
            if (Angle != 0) {
                // Drawn half-turned about the origin with a negative size, then turned by a further half
                // turn: the two cancel and the picture turns by Angle about the destination's centre.
                api->GdipRotateWorldTransform(graphics.get(), Angle + 180.0f, gdip::kMatrixOrderPrepend);
                api->GdipTranslateWorldTransform(
                    graphics.get(), static_cast<float>(destX + xSign * (destWidth / 2)),
                    static_cast<float>(destY + ySign * (destHeight / 2)), gdip::kMatrixOrderAppend);
                status = api->GdipDrawImageRectRectI(
                    graphics.get(), bitmap.get(), destWidth / 2, destHeight / 2, -destWidth, -destHeight,
                    SrcX, SrcY, srcWidth, srcHeight, gdip::kUnitPixel, attributes.get(), nullptr, nullptr);
                return status == kOk;
            }
        }
        status = api->GdipDrawImageRectRectI(graphics.get(), bitmap.get(), destX, destY, destWidth,
                                             destHeight, SrcX, SrcY, srcWidth, srcHeight, gdip::kUnitPixel,
                                             attributes.get(), nullptr, nullptr);
        return status == kOk;
    });
}

bool cGDIPlus::SaveToPNG(const std::wstring& FileName, std::vector<uint8_t>& outStream, c32bppDIB& cHost,
                         gdip::Token GlobalToken) const {
    return Trapped([&] {
        if (!cHost.BitsPointer()) return false;
        const Api* api = gdip::Load();
        if (!api) return false;
        const gdip::Session session(*api, GlobalToken);
        if (!session.ok()) return false;

        gdip::Image bitmap(*api);
        if (WrapImage(*api, cHost, bitmap) != kOk) return false;
        CLSID png{};
        if (FindEncoder(*api, L"image/png", png) < 0) return false;
        api->GdipImageRotateFlip(bitmap.get(), gdip::kRotateNoneFlipY);

        if (!FileName.empty())
            return api->GdipSaveImageToFile(bitmap.get(), FileName.c_str(), &png, nullptr) == kOk;

        outStream.clear();
        Microsoft::WRL::ComPtr<IStream> stream;
        if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return false;
        if (api->GdipSaveImageToStream(bitmap.get(), stream.Get(), &png, nullptr) != kOk) return false;
        ArrayFromStream(stream.Get(), outStream);
        return true;
    });
}

int32_t cGDIPlus::EncoderClsid(std::wstring_view MimeType, CLSID& clsid, gdip::Token token) const {
    int32_t index = -1;
    rt::Trap([&] {
        const Api* api = gdip::Load();
        if (!api) return;
        const gdip::Session session(*api, token);
        if (session.ok()) index = FindEncoder(*api, MimeType, clsid);
    });
    return index;
}

Microsoft::WRL::ComPtr<IStream> cGDIPlus::StreamFromArray(const std::vector<uint8_t>& bytes,
                                                          std::size_t start) {
    Microsoft::WRL::ComPtr<IStream> stream;
    if (start >= bytes.size()) {
        if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
        return stream;
    }
    const std::size_t n = bytes.size() - start;
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, n));
    if (!block) return nullptr;
    void* p = ::GlobalLock(block.get());
    if (!p) return nullptr;
    std::memcpy(p, bytes.data() + start, n);
    ::GlobalUnlock(block.get());
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, &stream))) return nullptr;
    // The stream frees the block when it is released.
    block.release();
    return stream;
}

bool cGDIPlus::ArrayFromStream(IStream* stream, std::vector<uint8_t>& outStream) {
    HGLOBAL block = nullptr;
    if (!stream || FAILED(::GetHGlobalFromStream(stream, &block))) return false;
    // The block may be larger than what was written into it; the stream knows its own length.
    std::size_t size = ::GlobalSize(block);
    STATSTG stat{};
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)))
        size = std::min<std::size_t>(size, static_cast<std::size_t>(stat.cbSize.QuadPart));
    if (size == 0) return false;
    const void* p = ::GlobalLock(block);
    if (!p) return false;
    outStream.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
    ::GlobalUnlock(block);
    return true;
}

std::wstring cGDIPlus::WideStringFromPtr(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

} // namespace imaging
