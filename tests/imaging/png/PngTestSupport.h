#pragma once
// Decoding in the tests: the decoder set up with or without zlib and with the fast or the plain code,
// and the sample images the generator writes.
#include "imaging/png/PngDecode.h"
#include "tests/imaging/png/PngWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

struct Route {
    bool zlib;
    bool reference;
};
inline std::string RouteName(const Route& r) {
    return std::string(r.zlib ? "zlib" : "builtin") + (r.reference ? "/reference" : "/fast");
}
constexpr Route kRoutes[] = {{true, false}, {false, false}, {true, true}, {false, true}};

imaging::png::PngDecoderSetup DecoderSetup(const Route& route);

struct Decoded {
    imaging::png::PngStatus status;
    imaging::png::PngMemoryImage image;
};
Decoded Decode(const std::vector<uint8_t>& png, const Route& route = kRoutes[0]);

// The host's 4 bytes of the pixel at (x, y) counted from the top.
std::vector<uint8_t> HostPixelAt(const imaging::png::PngMemoryImage& image, int32_t x, int32_t y);

} // namespace pngtest
