#pragma once
// Decoding tables of the fast inflater. A code is looked up with the next `root` input bits; codes longer
// than that continue in a sub-table the root entry links to. An entry is 32 bits:
//   bits 0–7   bits to use up: the code length plus the symbol's extra bits (the root size in a link)
//   bits 8–11  the code length (the sub-table's index bits in a link)
//   bits 12–15 kind of a non-literal
//   bits 16–30 the literal byte, the length or distance base, or the sub-table's offset
//   bit  31    set for a literal, so that the commonest test is one of the sign
#include "imaging/inflate/Inflate.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::huffman {

enum Kind : uint32_t {
    kLiteral = 1u << 31,
    // A link's sub-table index bits are read through a mask of four bits.
    kLink = 1u << 12,
    kEnd = 2u << 12,
    // A length or a distance: value plus extra bits. Bits 12 and 13 clear, so that the code length is the
    // entry's bits 8 to 13 and a shift by them needs no mask.
    kBase = 4u << 12,
    // Literal/length symbols 286 and 287, distance symbols 30 and 31.
    kBad = 8u << 12,
};
inline constexpr uint32_t kKindMask = kLiteral | 15u << 12;

inline constexpr int kLitLenRoot = 11;
inline constexpr int kDistanceRoot = 8;
inline constexpr int kCodeLengthRoot = 7;
// Room for the root table and one sub-table per long code, each at most 2^(15 − root) entries.
inline constexpr size_t kLitLenTableSize =
    (size_t{1} << kLitLenRoot) + 288 * (size_t{1} << (15 - kLitLenRoot));
inline constexpr size_t kDistanceTableSize =
    (size_t{1} << kDistanceRoot) + 32 * (size_t{1} << (15 - kDistanceRoot));
inline constexpr size_t kCodeLengthTableSize = size_t{1} << kCodeLengthRoot;

// What each symbol decodes to, without its code length.
enum class Alphabet { LitLen, Distance, CodeLength };

// Fills `table` for the canonical code with these lengths. Fails on an over-subscribed or incomplete code.
InflateStatus BuildTable(std::span<const uint8_t> lengths, Alphabet alphabet, int root,
                         uint32_t* table) noexcept;

struct FixedTables {
    uint32_t litLen[size_t{1} << kLitLenRoot];
    uint32_t distance[size_t{1} << kDistanceRoot];
};
// Built on first use and kept for the life of the process.
const FixedTables& Fixed() noexcept;

[[gnu::always_inline]] inline bool IsLiteral(uint32_t e) noexcept {
    return static_cast<int32_t>(e) < 0;
}
[[gnu::always_inline]] inline uint32_t Lookup(const uint32_t* table, int root, uint64_t bits) noexcept {
    uint32_t e = table[bits & ((uint64_t{1} << root) - 1)];
    if (e & kLink) e = table[(e >> 16) + ((bits >> root) & ((uint64_t{1} << ((e >> 8) & 15)) - 1))];
    return e;
}
// At most 28, so the low six bits are the count: a shift by a register takes only those.
[[gnu::always_inline]] inline uint32_t UsedBits(uint32_t e) noexcept {
    return e & 63;
}
// The value of a length or distance entry, its extra bits taken from `bits` (not yet used up).
[[gnu::always_inline]] inline uint32_t Value(uint32_t e, uint64_t bits) noexcept {
    const uint32_t codeLength = (e >> 8) & 63;
    return (e >> 16) + static_cast<uint32_t>((bits & ((uint64_t{1} << (e & 0xFF)) - 1)) >> codeLength);
}

} // namespace imaging::huffman
