#include "imaging/png/PngDecode.h"

#include "imaging/png/PngConvert.h"
#include "imaging/png/PngFilters.h"
#include "imaging/png/PngGeometry.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace imaging::png {
namespace {

// A filter type above 4 in a pass: its row is left as stored, or the decode fails.
enum class Filters { Lenient, Strict };

struct Rows {
    const PngHeader& h;
    const PngConversion& conv;
    bool reference;
    int32_t distance;
    int32_t bitsPerPixel;
    uint8_t* host;

    uint8_t* HostPixel(int32_t x, int32_t y) const {
        return host + (static_cast<size_t>(h.Height - 1 - y) * static_cast<size_t>(h.Width) + x) * 4;
    }

    bool Unfilter(uint8_t* row, const uint8_t* prev, size_t length) const {
        const uint8_t type = row[-1];
        return reference ? UnfilterRowReference(type, row, prev, length, distance)
                         : UnfilterRow(type, row, prev, length, distance);
    }

    // Converts pass row j (count pixels) into the host; scratch holds count pixels.
    bool Convert(const PngPass& pass, int32_t j, const uint8_t* src, int32_t count, uint32_t* scratch) const {
        const int32_t y = pass.yStart + j * pass.yStep;
        if (reference) {
            for (int32_t k = 0; k < count; ++k)
                if (!conv.ConvertPixelReference(src, k, HostPixel(pass.xStart + k * pass.xStep, y)))
                    return false;
            return true;
        }
        if (pass.xStep == 1) return conv.ConvertRow(src, count, reinterpret_cast<uint32_t*>(HostPixel(0, y)));
        if (!conv.ConvertRow(src, count, scratch)) return false;
        uint32_t* row = reinterpret_cast<uint32_t*>(HostPixel(0, y));
        for (int32_t k = 0; k < count; ++k)
            row[pass.xStart + k * pass.xStep] = scratch[k];
        return true;
    }

    // Reconstructs and converts one pass stored at data.
    PngStatus Pass(const PngPass& pass, uint8_t* data, Filters filters,
                   std::vector<uint32_t>& scratch) const {
        const int32_t width = PassWidth(pass, h.Width), height = PassHeight(pass, h.Height);
        const size_t rowBytes = static_cast<size_t>(RowBytes(width, bitsPerPixel));
        const uint8_t* prev = nullptr;
        for (int32_t j = 0; j < height; ++j) {
            uint8_t* row = data + static_cast<size_t>(j) * (rowBytes + 1) + 1;
            if (!Unfilter(row, prev, rowBytes) && filters == Filters::Strict)
                return PngStatus::InterlacedFilterType;
            if (!Convert(pass, j, row, width, scratch.data())) return PngStatus::PaletteIndex;
            prev = row;
        }
        return PngStatus::Ok;
    }
};

PngStatus Inflate(const PngContainer& c, const PngDecoderSetup& setup, uint8_t* out, size_t capacity,
                  bool& byZlib) {
    size_t produced = 0;
    bool ok = setup.zlib != nullptr && setup.zlib->Uncompress(c.imageData, out, capacity, produced);
    byZlib = ok;
    if (!ok) ok = setup.inflater != nullptr && setup.inflater(c.imageData, out, capacity, produced);
    if (!ok || produced > capacity) return PngStatus::InflateFailed;
    // Short data leaves zero rows (filter none); a failed first attempt may have left bytes behind.
    std::memset(out + produced, 0, capacity - produced);
    return PngStatus::Ok;
}

PngStatus Decode(PngContainer& c, const PngDecoderSetup& setup, PngHost& host, bool& byZlib) {
    if (c.imageData.empty()) return PngStatus::NoImageData;
    if (!c.haveHeader) return PngStatus::NoHeader;
    const PngHeader h = c.header;
    if (int64_t{h.Width} * h.Height > setup.maxPixels) return PngStatus::TooManyPixels;
    auto conv = std::make_unique<PngConversion>();
    if (const PngStatus s = conv->Prepare(c); s != PngStatus::Ok) return s;

    const size_t expected = static_cast<size_t>(c.expectedSize);
    // Not zeroed here: the inflaters write the start and Inflate zeroes the rest.
    PngScratch filtered(PngScratch::kFiltered);
    uint8_t* const data = filtered.Reserve(expected);
    if (data == nullptr) return PngStatus::OutOfMemory;
    const PngStatus inflated = Inflate(c, setup, data, expected, byZlib);
    c.imageData = {};
    c.gathered.Release();
    if (inflated != PngStatus::Ok) return inflated;

    uint8_t* bits = host.Initialize(h.Width, h.Height);
    if (bits == nullptr) return PngStatus::HostFailed;
    const int32_t bpp = BitsPerPixel(h.colourType, h.bitDepth);
    const Rows rows{h, *conv, setup.reference, FilterDistance(h.colourType, h.bitDepth), bpp, bits};
    std::vector<uint32_t> scratch;

    if (h.interlace == 0) {
        if (const PngStatus s = rows.Pass(kWholeImage, data, Filters::Lenient, scratch); s != PngStatus::Ok)
            return s;
    } else {
        scratch.resize(static_cast<size_t>(h.Width));
        size_t offset = 0;
        for (const PngPass& pass : kAdam7) {
            const int32_t width = PassWidth(pass, h.Width), height = PassHeight(pass, h.Height);
            // An empty pass has no bytes at all.
            if (width == 0 || height == 0) continue;
            const size_t bytes =
                static_cast<size_t>(height) * (static_cast<size_t>(RowBytes(width, bpp)) + 1);
            if (!Fits(offset, bytes, expected)) return PngStatus::InflateFailed;
            if (const PngStatus s = rows.Pass(pass, data + offset, Filters::Strict, scratch);
                s != PngStatus::Ok)
                return s;
            offset += bytes;
        }
    }
    host.Finish(h.colourType == kColourGrayAlpha || h.colourType == kColourRGBA || c.transKey != -1);
    return PngStatus::Ok;
}

} // namespace

PngStatus DecodePixels(PngContainer& c, const PngDecoderSetup& setup, PngHost& host, bool* byZlib) {
    bool zlibUsed = false;
    const PngStatus s = Decode(c, setup, host, zlibUsed);
    if (byZlib) *byZlib = zlibUsed;
    c.imageData = {};
    c.gathered.Release();
    if (s != PngStatus::Ok) host.Destroy();
    return s;
}

PngStatus DecodePng(std::span<const uint8_t> data, const PngDecoderSetup& setup, PngHost& host) {
    if (!HasPngSignature(data)) return PngStatus::NotPng;
    PngContainer c;
    if (const PngStatus s = ReadChunks(data, setup.zlib, c); s != PngStatus::Ok) {
        host.Destroy();
        return s;
    }
    return DecodePixels(c, setup, host);
}

uint8_t* PngMemoryImage::Initialize(int32_t w, int32_t h) {
    bits.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
    width = w;
    height = h;
    alpha = true;
    imageType = kImageBlank;
    return bits.data();
}

void PngMemoryImage::Finish(bool a) {
    alpha = a;
    imageType = kImageDecoded;
}

void PngMemoryImage::Destroy() {
    bits = {};
    width = height = 0;
    alpha = false;
    imageType = kImageNone;
}

} // namespace imaging::png
