#pragma once
// Builds deflate streams bit by bit, valid or not, for the inflater tests.
#include <cstdint>
#include <span>
#include <vector>

namespace testdeflate {

uint32_t Adler32(std::span<const uint8_t> data);

// Canonical codes of a set of code lengths (0 = no code), most significant bit first.
std::vector<uint32_t> CanonicalCodes(std::span<const uint8_t> lengths);

class DeflateWriter {
  public:
    // Starts with the zlib header bytes given (the inflater skips them unchecked).
    explicit DeflateWriter(uint8_t cmf = 0x78, uint8_t flg = 0x9C);

    // n bits of value, least significant first.
    DeflateWriter& Bits(uint32_t value, int n);
    // A Huffman code: most significant bit first.
    DeflateWriter& Code(uint32_t code, int length);
    DeflateWriter& Header(bool final, int type) {
        return Bits(final ? 1 : 0, 1).Bits(static_cast<uint32_t>(type), 2);
    }
    DeflateWriter& AlignToByte();
    DeflateWriter& Byte(uint8_t b);
    DeflateWriter& Bytes(std::span<const uint8_t> bytes);
    // A whole stored block: header, alignment, LEN, NLEN (LEN's complement unless given) and the bytes.
    DeflateWriter& Stored(bool final, std::span<const uint8_t> bytes, int nlen = -1);

    // Symbols of the fixed codes; FixedLitLen takes any of 0…287, FixedDistance any of 0…31.
    DeflateWriter& FixedLitLen(int symbol);
    DeflateWriter& FixedDistance(int symbol);
    DeflateWriter& FixedMatch(int length, int distance);

    // A dynamic block header whose code-length code gives symbols 0–15 four bits each, listing the
    // literal/length lengths and then the distance lengths one symbol each; remembers the codes for
    // Lit and Match.
    DeflateWriter& DynamicHeader(bool final, std::span<const uint8_t> litLengths,
                                 std::span<const uint8_t> distLengths);
    // A header with a code-length code and code-length symbols of one's own: (symbol, extra bits) pairs.
    struct LengthSymbol {
        int symbol;
        uint32_t extra = 0;
    };
    DeflateWriter& RawDynamicHeader(bool final, int hlit, int hdist,
                                    std::span<const uint8_t> codeLengthLengths,
                                    std::span<const LengthSymbol> symbols);
    // The codes Lit and Match write after a header of one's own.
    DeflateWriter& UseCodes(std::span<const uint8_t> litLengths, std::span<const uint8_t> distLengths);
    DeflateWriter& Lit(int symbol);
    DeflateWriter& Match(int length, int distance);

    std::vector<uint8_t> Finish();
    // The stream with this Adler-32 trailer appended.
    std::vector<uint8_t> FinishWithTrailer(uint32_t adler);

  private:
    std::vector<uint8_t> out_;
    uint32_t acc_ = 0;
    int n_ = 0;
    std::vector<uint32_t> litCodes_, distCodes_;
    std::vector<uint8_t> litLengths_, distLengths_;
};

} // namespace testdeflate
