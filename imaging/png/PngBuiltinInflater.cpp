#include "imaging/png/PngBuiltinInflater.h"

#include "imaging/inflate/Inflate.h"

namespace imaging::png {

bool BuiltinInflate(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) {
    const InflateResult r = InflateFast(in, out, capacity);
    produced = r.produced;
    return r.ok();
}

} // namespace imaging::png
