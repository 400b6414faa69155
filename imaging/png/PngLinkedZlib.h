#pragma once
// zlib linked into a native build (the tool, tests, fuzzing and benchmarks), behind the decoder's
// interface. The programs never link zlib: on Windows it is zlib1.dll, found by name at run time.
#include "imaging/png/PngCodecs.h"

namespace imaging::png {

class PngLinkedZlib : public PngZlib {
  public:
    uint32_t Crc32(std::span<const uint8_t> bytes) override;
    bool Uncompress(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) override;
};

} // namespace imaging::png
