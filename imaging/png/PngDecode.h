#pragma once
// The PNG decoder's pixel stage and the whole decode of a PNG in memory: decompression into a buffer of
// the expected size, the row filters, Adam7, and the conversion into the host image's premultiplied,
// bottom-up blue, green, red, alpha rows. Platform-free; the Win32 layer puts GDI+ in front of it.
#include "imaging/pixels/PixelMath.h"
#include "imaging/png/PngChunks.h"
#include "imaging/png/PngCodecs.h"
#include "imaging/png/PngFormat.h"

#include <cstdint>
#include <span>
#include <vector>

namespace imaging::png {

// The image that receives the pixels.
class PngHost {
  public:
    virtual ~PngHost() = default;
    // A blank (all zero) image: 4-byte pixels, rows of width x 4 bytes, bottom row first. nullptr when
    // it cannot be made.
    virtual uint8_t* Initialize(int32_t width, int32_t height) = 0;
    // Every pixel is written; alpha tells whether the image carries transparency.
    virtual void Finish(bool alpha) = 0;
    virtual void Destroy() = 0;
};

struct PngDecoderSetup {
    // nullptr: no zlib, so no checksums and the built-in inflater alone.
    PngZlib* zlib = nullptr;
    PngInflater inflater = nullptr;
    // The plain filter and conversion code instead of the fast one.
    bool reference = false;
    // Images of more pixels fail before anything is allocated; below kMaxPixels for fuzzing.
    int64_t maxPixels = kMaxPixels;
};

// Decodes the gathered container into the host, which holds the image on Ok and none otherwise. The
// image data is released whatever the outcome. byZlib tells whether zlib rather than the built-in
// inflater decompressed the data.
PngStatus DecodePixels(PngContainer& c, const PngDecoderSetup& setup, PngHost& host, bool* byZlib = nullptr);

// Signature, chunks and pixels of a PNG held in memory. NotPng leaves the host untouched.
PngStatus DecodePng(std::span<const uint8_t> data, const PngDecoderSetup& setup, PngHost& host);

// A host in plain memory, for the tools, tests, benchmarks and fuzzing.
class PngMemoryImage : public PngHost {
  public:
    uint8_t* Initialize(int32_t width, int32_t height) override;
    void Finish(bool alpha) override;
    void Destroy() override;

    int32_t width = 0;
    int32_t height = 0;
    bool alpha = false;
    // As the image object marks its pixels: decoded, blank or none.
    int32_t imageType = kImageBlank;
    std::vector<uint8_t> bits;
};

} // namespace imaging::png
