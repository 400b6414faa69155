// The generator's zlib, linked in the native build.
#include "tests/imaging/png/PngWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace pngtest {

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw, int level) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

uint32_t Crc32(const uint8_t* bytes, size_t count) {
    return static_cast<uint32_t>(crc32_z(0, bytes, count));
}

} // namespace pngtest
