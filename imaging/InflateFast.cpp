// The fast decoder. While at least 16 input bytes and a full match plus two literals of output room
// remain, a 64-bit bit buffer is refilled with one unaligned load and symbols are decoded without
// bounds checks; the last stretch of input or output goes through the same tables with every check
// made. Match copies move 8 or 16 bytes at a time but never write past the match.
#include "Inflate.h"
#include "InflateHuffman.h"
#include "InflateTables.h"

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace imaging {

namespace {

using namespace deflate;
using namespace huffman;

static_assert(std::endian::native == std::endian::little,
              "the bit buffer is filled with little-endian loads");

constexpr size_t kInMargin = 16;
constexpr size_t kOutMargin = kMaxMatch + 2;

inline void Copy8(uint8_t* dst, const uint8_t* src) {
    uint64_t v;
    std::memcpy(&v, src, 8);
    std::memcpy(dst, &v, 8);
}
inline void Copy16(uint8_t* dst, const uint8_t* src) {
    uint8_t v[16];
    std::memcpy(v, src, 16);
    std::memcpy(dst, v, 16);
}

// out[i] = out[i − distance] for i in [op, op + length), as if byte by byte; 1 ≤ distance ≤ op − start.
inline void CopyMatch(uint8_t* op, size_t distance, size_t length) {
    uint8_t* const end = op + length;
    if (distance >= length) {
        // Source and destination do not overlap: the two ends of the match cover the middle.
        const uint8_t* src = op - distance;
        if (length >= 16) {
            while (end - op > 16) {
                Copy16(op, src);
                op += 16;
                src += 16;
            }
            Copy16(end - 16, end - 16 - distance);
        } else if (length >= 8) {
            Copy8(op, src);
            Copy8(end - 8, end - 8 - distance);
        } else if (length >= 4) {
            std::memcpy(op, src, 4);
            std::memcpy(end - 4, end - 4 - distance, 4);
        } else {
            for (; op < end; ++op)
                *op = op[-static_cast<ptrdiff_t>(distance)];
        }
        return;
    }
    if (distance == 1) {
        std::memset(op, op[-1], length);
        return;
    }
    // A repeating pattern: copying from a multiple of the distance that is at least 8 back gives the same
    // bytes, once the first stretch is written one byte at a time.
    const size_t stride = distance >= 8 ? distance : distance * ((8 + distance - 1) / distance);
    const size_t head = stride - distance;
    if (length < head + 8) {
        for (; op < end; ++op)
            *op = op[-static_cast<ptrdiff_t>(distance)];
        return;
    }
    for (uint8_t* const stop = op + head; op < stop; ++op)
        *op = op[-static_cast<ptrdiff_t>(distance)];
    while (end - op > 8) {
        Copy8(op, op - stride);
        op += 8;
    }
    Copy8(end - 8, end - 8 - stride);
}

struct DynamicTables {
    uint32_t litLen[kLitLenTableSize];
    uint32_t distance[kDistanceTableSize];
};

class Decoder {
  public:
    Decoder(std::span<const uint8_t> in, uint8_t* out, size_t capacity)
        : in_(in.data()), size_(in.size()), out_(out), capacity_(capacity) {}

    InflateResult Run() {
        const InflateStatus s = Blocks();
        return InflateResult{s, op_};
    }

  private:
    // Slow-path reading: bits past the end of the input are zeros. The byte position may run past the
    // end by the zero bytes taken in, so that position × 8 − count is always the bits used so far.
    void Ensure(unsigned n) {
        while (count_ < n) {
            const uint64_t byte = pos_ < size_ ? in_[pos_] : 0;
            bits_ |= byte << count_;
            count_ += 8;
            ++pos_;
        }
    }
    void Use(unsigned n) {
        bits_ >>= n;
        count_ -= n;
    }
    uint32_t Get(unsigned n) {
        Ensure(n);
        const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
        Use(n);
        return v;
    }

    InflateStatus Blocks() {
        std::unique_ptr<DynamicTables> dynamic;
        for (;;) {
            const bool final = Get(1) != 0;
            const uint32_t type = Get(2);
            InflateStatus s;
            if (type == 0) {
                s = Stored();
            } else if (type == 1) {
                s = Huffman(Fixed().litLen, Fixed().distance);
            } else if (type == 2) {
                if (!dynamic) {
                    dynamic.reset(new (std::nothrow) DynamicTables);
                    if (!dynamic) return InflateStatus::OutOfMemory;
                }
                s = Dynamic(*dynamic);
                if (s == InflateStatus::Done) s = Huffman(dynamic->litLen, dynamic->distance);
            } else {
                return InflateStatus::BadBlockType;
            }
            if (s != InflateStatus::Done || final) return s;
        }
    }

    InflateStatus Stored() {
        // Whole bytes still in the buffer go back to the input; the bits of a part byte are dropped.
        pos_ -= count_ / 8;
        bits_ = 0;
        count_ = 0;
        if (pos_ > size_ || size_ - pos_ < 4) return InflateStatus::StoredHeaderPastInput;
        const uint8_t* h = in_ + pos_;
        const uint32_t len = h[0] | (h[1] << 8);
        const uint32_t nlen = h[2] | (h[3] << 8);
        pos_ += 4;
        if (len != (nlen ^ 0xFFFFu)) return InflateStatus::StoredLengthMismatch;
        if (size_ - pos_ < len) return InflateStatus::StoredDataPastInput;
        if (capacity_ - op_ < len) return InflateStatus::StoredDataPastCapacity;
        if (len != 0) std::memcpy(out_ + op_, in_ + pos_, len);
        op_ += len;
        pos_ += len;
        return InflateStatus::Done;
    }

    InflateStatus Dynamic(DynamicTables& t) {
        const unsigned hlit = Get(5) + 257;
        const unsigned hdist = Get(5) + 1;
        const unsigned hclen = Get(4) + 4;
        std::array<uint8_t, 19> clen{};
        for (unsigned i = 0; i < hclen; ++i)
            clen[kCodeLengthOrder[i]] = static_cast<uint8_t>(Get(3));
        std::array<uint32_t, kCodeLengthTableSize> lengthCode;
        if (const InflateStatus s =
                BuildTable(clen, Alphabet::CodeLength, kCodeLengthRoot, lengthCode.data());
            s != InflateStatus::Done)
            return s;

        std::array<uint8_t, 288 + 32> lengths;
        const unsigned n = hlit + hdist;
        unsigned i = 0;
        while (i < n) {
            Ensure(kCodeLengthRoot);
            const uint32_t e = Lookup(lengthCode.data(), kCodeLengthRoot, bits_);
            Use(UsedBits(e));
            const uint32_t sym = e >> 16;
            if (sym < 16) {
                lengths[i++] = static_cast<uint8_t>(sym);
                continue;
            }
            uint8_t value = 0;
            unsigned repeat;
            if (sym == 16) {
                if (i == 0) return InflateStatus::RepeatWithoutPrevious;
                value = lengths[i - 1];
                repeat = 3 + Get(2);
            } else if (sym == 17) {
                repeat = 3 + Get(3);
            } else {
                repeat = 11 + Get(7);
            }
            if (repeat > n - i) return InflateStatus::RepeatPastLengths;
            std::memset(lengths.data() + i, value, repeat);
            i += repeat;
        }
        const std::span<const uint8_t> all(lengths.data(), n);
        if (const InflateStatus s = BuildTable(all.first(hlit), Alphabet::LitLen, kLitLenRoot, t.litLen);
            s != InflateStatus::Done)
            return s;
        return BuildTable(all.subspan(hlit), Alphabet::Distance, kDistanceRoot, t.distance);
    }

    InflateStatus Huffman(const uint32_t* lit, const uint32_t* dist) {
        InflateStatus s;
        if (FastLoop(lit, dist, s)) return s;
        // The tail: every read may run past the input, every write is checked against the capacity.
        bits_ &= (uint64_t{1} << count_) - 1;
        for (;;) {
            Ensure(kMaxCodeLength);
            const uint32_t e = Lookup(lit, kLitLenRoot, bits_);
            const uint32_t kind = e & kKindMask;
            if (kind == kLiteral) {
                if (op_ >= capacity_) return InflateStatus::LiteralPastCapacity;
                out_[op_++] = static_cast<uint8_t>(e >> 16);
                Use(UsedBits(e));
                continue;
            }
            if (kind == kEnd) {
                Use(UsedBits(e));
                return InflateStatus::Done;
            }
            if (kind == kBad) return InflateStatus::BadLengthSymbol;
            Ensure(UsedBits(e));
            const size_t length = Value(e, bits_);
            Use(UsedBits(e));
            Ensure(kMaxCodeLength);
            const uint32_t d = Lookup(dist, kDistanceRoot, bits_);
            if ((d & kKindMask) == kBad) return InflateStatus::BadDistanceSymbol;
            Ensure(UsedBits(d));
            const size_t distance = Value(d, bits_);
            Use(UsedBits(d));
            if (distance > op_) return InflateStatus::DistanceTooFar;
            const size_t room = capacity_ - op_;
            if (length >= room) {
                CopyMatch(out_ + op_, distance, room);
                op_ = capacity_;
                return InflateStatus::CutAtCapacity;
            }
            CopyMatch(out_ + op_, distance, length);
            op_ += length;
        }
    }

    // Decodes while the margins hold; true when the block ended (or failed) here, with its status in s.
    bool FastLoop(const uint32_t* lit, const uint32_t* dist, InflateStatus& s) {
        if (size_ < kInMargin || capacity_ < kOutMargin) return false;
        const uint8_t* const in = in_;
        uint8_t* const out = out_;
        const size_t inLimit = size_ - kInMargin;
        const size_t outLimit = capacity_ - kOutMargin;
        uint64_t bits = bits_;
        unsigned count = count_;
        size_t pos = pos_;
        size_t op = op_;
        // After a refill at least 56 bits are in the buffer: three literals of up to 15 bits, or one
        // length and one distance with their extra bits (48 bits at most).
        auto refill = [&] {
            uint64_t w;
            std::memcpy(&w, in + pos, 8);
            bits |= w << count;
            pos += (63 - count) >> 3;
            count |= 56;
        };
        auto use = [&](uint32_t e) {
            bits >>= UsedBits(e);
            count -= UsedBits(e);
        };
        bool ended = false;
        while (pos <= inLimit && op <= outLimit) {
            refill();
            uint32_t e = Lookup(lit, kLitLenRoot, bits);
            if ((e & kKindMask) == kLiteral) {
                use(e);
                out[op++] = static_cast<uint8_t>(e >> 16);
                e = Lookup(lit, kLitLenRoot, bits);
                if ((e & kKindMask) == kLiteral) {
                    use(e);
                    out[op++] = static_cast<uint8_t>(e >> 16);
                    e = Lookup(lit, kLitLenRoot, bits);
                    if ((e & kKindMask) == kLiteral) {
                        use(e);
                        out[op++] = static_cast<uint8_t>(e >> 16);
                        continue;
                    }
                }
                // The entry's code stays at the bottom of the buffer; the refill only adds above it.
                refill();
            }
            if ((e & kKindMask) == kBase) {
                const uint32_t length = Value(e, bits);
                use(e);
                const uint32_t d = Lookup(dist, kDistanceRoot, bits);
                if ((d & kKindMask) == kBad) {
                    s = InflateStatus::BadDistanceSymbol;
                    ended = true;
                    break;
                }
                const uint32_t distance = Value(d, bits);
                use(d);
                if (distance > op) {
                    s = InflateStatus::DistanceTooFar;
                    ended = true;
                    break;
                }
                CopyMatch(out + op, distance, length);
                op += length;
                continue;
            }
            if ((e & kKindMask) == kEnd) {
                use(e);
                s = InflateStatus::Done;
            } else {
                s = InflateStatus::BadLengthSymbol;
            }
            ended = true;
            break;
        }
        bits_ = bits;
        count_ = count;
        pos_ = pos;
        op_ = op;
        return ended;
    }

    const uint8_t* in_;
    size_t size_;
    uint8_t* out_;
    size_t capacity_;
    size_t pos_ = 2; // the zlib header is not looked at
    size_t op_ = 0;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
};

} // namespace

InflateResult InflateFast(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept {
    return Decoder(in, out, capacity).Run();
}

} // namespace imaging
