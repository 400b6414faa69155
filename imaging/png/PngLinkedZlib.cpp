#include "imaging/png/PngLinkedZlib.h"

#include <zlib.h>

namespace imaging::png {

uint32_t PngLinkedZlib::Crc32(std::span<const uint8_t> bytes) {
    return static_cast<uint32_t>(crc32_z(0, bytes.data(), bytes.size()));
}

bool PngLinkedZlib::Uncompress(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) {
    uLongf length = static_cast<uLongf>(capacity);
    const int rc = uncompress(out, &length, in.data(), static_cast<uLong>(in.size()));
    produced = length;
    return rc == Z_OK;
}

} // namespace imaging::png
