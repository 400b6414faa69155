#pragma once
// Checks the inflater against zlib on one input, for the tests and the fuzz target: the fast and the
// reference decoder must agree exactly (status, count, every byte of the buffer), and both must agree with
// zlib except where the inflater's rules differ on purpose.
#include "imaging/inflate/Inflate.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace testinflate {

struct ZlibOutcome {
    enum Kind { End, Full, Error, Starved } kind;
    size_t produced;
    std::string message;
};

// zlib's raw inflate of the data after the two header bytes, followed by zero bytes (the inflater's
// missing bits), into capacity + 1 bytes of room.
ZlibOutcome ZlibInflate(std::span<const uint8_t> in, size_t capacity, std::vector<uint8_t>& out);

// Empty when everything agrees; otherwise what did not.
std::string CheckInflate(std::span<const uint8_t> in, size_t capacity);

// The two decoders only: empty when they agree exactly.
std::string CheckFastAgainstReference(std::span<const uint8_t> in, size_t capacity,
                                      imaging::InflateResult* result = nullptr,
                                      std::vector<uint8_t>* out = nullptr);

} // namespace testinflate
