#include "PngTestSupport.h"

#include "PngLinkedZlib.h"

#include <zlib.h>

namespace pngtest {
namespace {

// Stands in for the built-in inflater until it is wired: raw zlib inflation into the capacity.
bool StandInInflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out;
    z.avail_out = static_cast<uInt>(capacity);
    const int rc = inflate(&z, Z_FINISH);
    produced = capacity - z.avail_out;
    inflateEnd(&z);
    return rc == Z_STREAM_END || (rc == Z_BUF_ERROR && z.avail_out == 0);
}

} // namespace

imaging::png::PngDecoderSetup DecoderSetup(const Route& route) {
    static imaging::png::PngLinkedZlib zlib;
    imaging::png::PngDecoderSetup s;
    s.zlib = route.zlib ? &zlib : nullptr;
    s.inflater = StandInInflate;
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
