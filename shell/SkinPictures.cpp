#include "shell/SkinPictures.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/pixels/RenderPixels.h"
#include "runtime/DpiScale.h"
#include "runtime/Handles.h"

namespace viewer {
namespace {

struct Band {
    int32_t from = 0; // design pixels
    int32_t length = 0;
    int32_t to = 0; // scaled pixels
    int32_t scaled = 0;
};

// One axis cut into `count` cells of `cell` design pixels and the rest, each scaled on its own.
std::vector<Band> Bands(int32_t design, int32_t cell, int32_t count, int32_t dpi) {
    std::vector<Band> out;
    const int32_t scaledCell = rt::ScaleForDpi(cell, dpi);
    int32_t from = 0, to = 0;
    for (int32_t k = 0; k < count && cell > 0; ++k, from += cell, to += scaledCell)
        out.push_back({from, cell, to, scaledCell});
    if (from < design) out.push_back({from, design - from, to, rt::ScaleForDpi(design - from, dpi)});
    return out;
}

// The bitmap's pixels as the image engine takes them: 4 bytes each, rows bottom-up, opaque.
imaging::PixelBuffer PixelsOf(HBITMAP bitmap, int32_t w, int32_t h) {
    imaging::PixelBuffer pixels(w, h);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const rt::UniqueDC dc(::CreateCompatibleDC(nullptr));
    imaging::PixelView view = pixels.View();
    if (!dc || ::GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(h), view.bits, &info, DIB_RGB_COLORS) != h)
        return {};
    for (std::size_t i = 3; i < view.ByteCount(); i += 4)
        view.bits[i] = 255;
    return pixels;
}

rt::UniqueBitmap BitmapOf(const imaging::PixelView& pixels) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), pixels.width, pixels.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    rt::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) std::memcpy(bits, pixels.bits, pixels.ByteCount());
    return bitmap;
}

} // namespace

rt::Picture ScaledResPicture(const wchar_t* name, int32_t designW, int32_t designH, int32_t dpi,
                             PictureCells cells) {
    if (dpi == rt::kDesignDpi) return rt::LoadResPicture(name, rt::PictureType::Bitmap);
    // From 1.5x up the 2x drawing is nearer (and shrinking it keeps more detail than enlarging the 1x one).
    int32_t k = dpi * 2 >= rt::kDesignDpi * 3 ? 2 : 1;
    rt::Picture drawn;
    if (k == 2) drawn = rt::LoadResPicture((std::wstring(name) + L"_2X").c_str(), rt::PictureType::Bitmap);
    // A picture drawn at 1x only is enlarged from that.
    if (!drawn) {
        k = 1;
        drawn = rt::LoadResPicture(name, rt::PictureType::Bitmap);
    }
    if (!drawn || drawn->Width() != designW * k || drawn->Height() != designH * k) return nullptr;
    const imaging::PixelBuffer from = PixelsOf(drawn->Bitmap(), drawn->Width(), drawn->Height());
    if (from.Empty()) return nullptr;

    const std::vector<Band> xs = Bands(designW, cells.cell, cells.columns, dpi);
    const std::vector<Band> ys = Bands(designH, cells.cell, cells.rows, dpi);
    imaging::PixelBuffer out(xs.back().to + xs.back().scaled, ys.back().to + ys.back().scaled);
    imaging::PixelBuffer piece;
    // The const view of a buffer the engine only reads.
    const imaging::PixelView src{const_cast<uint8_t*>(from.Bytes().data()), from.Width(), from.Height()};
    for (const Band& y : ys) {
        for (const Band& x : xs) {
            if (x.scaled < 1 || y.scaled < 1) continue;
            piece = imaging::PixelBuffer(x.scaled, y.scaled);
            imaging::StretchBilinear(src, {x.from * k, y.from * k, x.length * k, y.length * k}, piece.View());
            for (int32_t row = 0; row < y.scaled; ++row)
                std::memcpy(out.View().At(x.to, y.to + row), piece.View().At(0, row),
                            static_cast<std::size_t>(x.scaled) * 4);
        }
    }
    return rt::PictureObject::FromBitmap(BitmapOf(out.View()), name);
}

} // namespace viewer
