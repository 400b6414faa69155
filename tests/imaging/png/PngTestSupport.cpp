#include "tests/imaging/png/PngTestSupport.h"

#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngLinkedZlib.h"

namespace pngtest {

imaging::png::PngDecoderSetup DecoderSetup(const Route& route) {
    static imaging::png::PngLinkedZlib zlib;
    imaging::png::PngDecoderSetup s;
    s.zlib = route.zlib ? &zlib : nullptr;
    s.inflater = imaging::png::BuiltinInflate;
    s.reference = route.reference;
    return s;
}

Decoded Decode(const std::vector<uint8_t>& png, const Route& route) {
    Decoded d;
    d.status = imaging::png::DecodePng(png, DecoderSetup(route), d.image);
    return d;
}

std::vector<uint8_t> HostPixelAt(const imaging::png::PngMemoryImage& image, int32_t x, int32_t y) {
    const size_t at = (static_cast<size_t>(image.height - 1 - y) * image.width + x) * 4;
    return {image.bits.begin() + at, image.bits.begin() + at + 4};
}

} // namespace pngtest
