#pragma once
// The constants of the deflate format shared by both decoders.
#include <cstdint>

namespace imaging::deflate {

inline constexpr int kMaxCodeLength = 15;
inline constexpr int kLengthSymbols = 29;   // 257 … 285
inline constexpr int kDistanceSymbols = 30; // 0 … 29
inline constexpr int kMaxMatch = 258;

inline constexpr uint16_t kLengthBase[kLengthSymbols] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                         15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint8_t kLengthExtra[kLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint16_t kDistanceBase[kDistanceSymbols] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr uint8_t kDistanceExtra[kDistanceSymbols] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists the code lengths of the code-length code.
inline constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                 11, 4,  12, 3, 13, 2, 14, 1, 15};

// The fixed codes of block type 1: literal/length 0–143 length 8, 144–255 length 9, 256–279 length 7,
// 280–287 length 8; all 32 distance codes length 5.
inline constexpr int kFixedLitLenCount = 288;
inline constexpr int kFixedDistanceCount = 32;
constexpr uint8_t FixedLitLenLength(int symbol) {
    return symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
}

} // namespace imaging::deflate
