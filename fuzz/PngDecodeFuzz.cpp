// Arbitrary bytes as a PNG: the whole decode, through zlib (checksums verified) and through the
// built-in inflater alone (nothing verified, so mutated files reach the pixel code), each with the fast
// and the plain filter and conversion code. Never a crash; the fast and plain code agree on the
// outcome and every pixel; an image exists exactly on success and keeps its colours at or below alpha.
#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngDecode.h"
#include "imaging/png/PngLinkedZlib.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

using imaging::png::PngStatus;

PngStatus Run(std::span<const uint8_t> data, imaging::png::PngZlib* zlib, bool reference,
              imaging::png::PngMemoryImage& image) {
    imaging::png::PngDecoderSetup setup;
    setup.zlib = zlib;
    setup.inflater = imaging::png::BuiltinInflate;
    setup.reference = reference;
    // Enough for every path; large images only make runs slow.
    setup.maxPixels = 1 << 18;
    const PngStatus s = imaging::png::DecodePng(data, setup, image);
    if (s == PngStatus::Ok) {
        if (image.width < 1 || image.height < 1) Fail("decoded without a size");
        if (image.bits.size() != static_cast<size_t>(image.width) * image.height * 4)
            Fail("pixel memory of the wrong size");
        for (size_t i = 0; i < image.bits.size(); i += 4) {
            const uint8_t a = image.bits[i + 3];
            if (image.bits[i] > a || image.bits[i + 1] > a || image.bits[i + 2] > a)
                Fail("colour above alpha");
        }
    } else if (!image.bits.empty()) {
        Fail("failed decode left an image");
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static imaging::png::PngLinkedZlib zlib;
    const std::span<const uint8_t> input(data, size);
    for (imaging::png::PngZlib* z :
         {static_cast<imaging::png::PngZlib*>(&zlib), static_cast<imaging::png::PngZlib*>(nullptr)}) {
        imaging::png::PngMemoryImage fast, plain;
        const PngStatus a = Run(input, z, false, fast);
        const PngStatus b = Run(input, z, true, plain);
        if (a != b) Fail("fast and plain code end differently");
        if (fast.bits != plain.bits || fast.alpha != plain.alpha)
            Fail("fast and plain code disagree on the pixels");
    }
    return 0;
}
