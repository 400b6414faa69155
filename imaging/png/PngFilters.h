#pragma once
// Reversing the five PNG row filters in place. Two implementations obey the same rules and are tested
// against each other: the fast one the decoder uses (vector code for pixels of 3 to 8 bytes) and a plain
// one written as the rules read. Platform-free.
#include <cstddef>
#include <cstdint>

namespace imaging::png {

// Reverses filter type 0 to 4 of the row (its bytes after the filter byte) in place. prev is the row
// above as reconstructed, nullptr for the first row of a pass (read as zeros). distance is the filter
// distance in bytes, 1 to 8. A type above 4 leaves the row as stored and answers false.
bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length, int distance) noexcept;
bool UnfilterRowReference(uint8_t type, uint8_t* row, const uint8_t* prev, size_t length,
                          int distance) noexcept;

} // namespace imaging::png
