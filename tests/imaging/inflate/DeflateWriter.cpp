#include "tests/imaging/inflate/DeflateWriter.h"

#include "imaging/inflate/InflateTables.h"

#include <stdexcept>

namespace testdeflate {

using namespace imaging::deflate;

uint32_t Adler32(std::span<const uint8_t> data) {
    uint32_t a = 1, b = 0;
    for (const uint8_t x : data) {
        a = (a + x) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::vector<uint32_t> CanonicalCodes(std::span<const uint8_t> lengths) {
    uint32_t count[16] = {};
    for (const uint8_t l : lengths)
        ++count[l];
    count[0] = 0;
    uint32_t next[16] = {};
    uint32_t code = 0;
    for (int l = 1; l < 16; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    return codes;
}

DeflateWriter::DeflateWriter(uint8_t cmf, uint8_t flg) : out_{cmf, flg} {}

DeflateWriter& DeflateWriter::Bits(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) {
        acc_ |= ((value >> i) & 1u) << n_;
        if (++n_ == 8) {
            out_.push_back(static_cast<uint8_t>(acc_));
            acc_ = 0;
            n_ = 0;
        }
    }
    return *this;
}

DeflateWriter& DeflateWriter::Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i)
        Bits((code >> i) & 1u, 1);
    return *this;
}

DeflateWriter& DeflateWriter::AlignToByte() {
    if (n_ != 0) Bits(0, 8 - n_);
    return *this;
}

DeflateWriter& DeflateWriter::Byte(uint8_t b) {
    return Bits(b, 8);
}

DeflateWriter& DeflateWriter::Bytes(std::span<const uint8_t> bytes) {
    for (const uint8_t b : bytes)
        Byte(b);
    return *this;
}

DeflateWriter& DeflateWriter::Stored(bool final, std::span<const uint8_t> bytes, int nlen) {
    const auto len = static_cast<uint32_t>(bytes.size());
    Header(final, 0).AlignToByte().Bits(len, 16);
    Bits(nlen < 0 ? (len ^ 0xFFFFu) : static_cast<uint32_t>(nlen), 16);
    return Bytes(bytes);
}

DeflateWriter& DeflateWriter::FixedLitLen(int s) {
    if (s < 144) return Code(0x30u + static_cast<uint32_t>(s), 8);
    if (s < 256) return Code(0x190u + static_cast<uint32_t>(s - 144), 9);
    if (s < 280) return Code(static_cast<uint32_t>(s - 256), 7);
    return Code(0xC0u + static_cast<uint32_t>(s - 280), 8);
}

DeflateWriter& DeflateWriter::FixedDistance(int s) {
    return Code(static_cast<uint32_t>(s), 5);
}

namespace {
// The symbol and extra bits of a length 3…258 or a distance 1…32768.
template <size_t N>
std::pair<int, uint32_t> Split(int value, const uint16_t (&base)[N], const uint8_t (&extra)[N]) {
    for (int i = static_cast<int>(N) - 1; i >= 0; --i)
        if (value >= base[i]) {
            if (value - base[i] >= (1 << extra[i])) break;
            return {i, static_cast<uint32_t>(value - base[i])};
        }
    throw std::invalid_argument("value outside the deflate range");
}
} // namespace

DeflateWriter& DeflateWriter::FixedMatch(int length, int distance) {
    const auto [ls, le] = Split(length, kLengthBase, kLengthExtra);
    FixedLitLen(257 + ls).Bits(le, kLengthExtra[ls]);
    const auto [ds, de] = Split(distance, kDistanceBase, kDistanceExtra);
    return FixedDistance(ds).Bits(de, kDistanceExtra[ds]);
}

DeflateWriter& DeflateWriter::DynamicHeader(bool final, std::span<const uint8_t> litLengths,
                                            std::span<const uint8_t> distLengths) {
    // Code-length code: 16, 17 and 18 unused (listed first, as 0), 0–15 four bits each.
    uint8_t clen[19] = {};
    for (int i = 0; i < 16; ++i)
        clen[i] = 4;
    std::vector<LengthSymbol> symbols;
    for (const uint8_t l : litLengths)
        symbols.push_back({l});
    for (const uint8_t l : distLengths)
        symbols.push_back({l});
    RawDynamicHeader(final, static_cast<int>(litLengths.size()), static_cast<int>(distLengths.size()), clen,
                     symbols);
    return UseCodes(litLengths, distLengths);
}

DeflateWriter& DeflateWriter::UseCodes(std::span<const uint8_t> litLengths,
                                       std::span<const uint8_t> distLengths) {
    litLengths_.assign(litLengths.begin(), litLengths.end());
    distLengths_.assign(distLengths.begin(), distLengths.end());
    litCodes_ = CanonicalCodes(litLengths_);
    distCodes_ = CanonicalCodes(distLengths_);
    return *this;
}

DeflateWriter& DeflateWriter::RawDynamicHeader(bool final, int hlit, int hdist,
                                               std::span<const uint8_t> codeLengthLengths,
                                               std::span<const LengthSymbol> symbols) {
    Header(final, 2).Bits(static_cast<uint32_t>(hlit - 257), 5).Bits(static_cast<uint32_t>(hdist - 1), 5);
    // Lengths in transmission order, trailing zeros dropped (at least four).
    uint8_t ordered[19];
    int hclen = 4;
    for (int i = 0; i < 19; ++i) {
        ordered[i] = codeLengthLengths[kCodeLengthOrder[i]];
        if (ordered[i] != 0 && i + 1 > hclen) hclen = i + 1;
    }
    Bits(static_cast<uint32_t>(hclen - 4), 4);
    for (int i = 0; i < hclen; ++i)
        Bits(ordered[i], 3);
    const std::vector<uint32_t> codes = CanonicalCodes(codeLengthLengths);
    for (const LengthSymbol& s : symbols) {
        Code(codes[static_cast<size_t>(s.symbol)], codeLengthLengths[static_cast<size_t>(s.symbol)]);
        if (s.symbol == 16) Bits(s.extra, 2);
        if (s.symbol == 17) Bits(s.extra, 3);
        if (s.symbol == 18) Bits(s.extra, 7);
    }
    return *this;
}

DeflateWriter& DeflateWriter::Lit(int symbol) {
    const auto s = static_cast<size_t>(symbol);
    return Code(litCodes_.at(s), litLengths_.at(s));
}

DeflateWriter& DeflateWriter::Match(int length, int distance) {
    const auto [ls, le] = Split(length, kLengthBase, kLengthExtra);
    Lit(257 + ls).Bits(le, kLengthExtra[ls]);
    const auto [ds, de] = Split(distance, kDistanceBase, kDistanceExtra);
    const auto d = static_cast<size_t>(ds);
    return Code(distCodes_.at(d), distLengths_.at(d)).Bits(de, kDistanceExtra[ds]);
}

std::vector<uint8_t> DeflateWriter::Finish() {
    AlignToByte();
    return out_;
}

std::vector<uint8_t> DeflateWriter::FinishWithTrailer(uint32_t adler) {
    AlignToByte();
    for (int shift = 24; shift >= 0; shift -= 8)
        out_.push_back(static_cast<uint8_t>(adler >> shift));
    return out_;
}

} // namespace testdeflate
