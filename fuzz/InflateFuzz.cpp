// Arbitrary bytes as a zlib stream: the fast and the reference inflater must agree exactly, and both with
// zlib except where the inflater's rules differ on purpose (see InflateOracle). The first two bytes give
// the capacity.
#include "tests/imaging/inflate/InflateOracle.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t capacity = data[0] | (size_t{data[1]} << 8);
    const std::string why = testinflate::CheckInflate(std::span<const uint8_t>(data + 2, size - 2), capacity);
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    return 0;
}
