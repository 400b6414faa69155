#pragma once
// The two decompressors the PNG decoder can sit on, as it sees them. zlib comes from wherever the
// platform finds it (linked natively, zlib1.dll through the call bridge on Windows); when present the
// chunk checksums are verified and its uncompress is tried first. The built-in inflater takes over when
// zlib is absent or rejects the data.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::png {

class PngZlib {
  public:
    virtual ~PngZlib() = default;
    // zlib's crc32 with the initial value 0.
    virtual uint32_t Crc32(std::span<const uint8_t> bytes) = 0;
    // zlib's uncompress into out[0, capacity): true when it answers 0, with the bytes produced.
    virtual bool Uncompress(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) = 0;
};

// The built-in inflater: true on success, with the bytes produced from the start of out.
using PngInflater = bool (*)(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced);

} // namespace imaging::png
