// The plain decoder: a 32-bit bit buffer filled a byte at a time, one table per code length indexed by the
// bit-reversed code, lengths tried from the shortest upwards. Slow and literal, so that the fast decoder
// has something simple to be checked against.
#include "imaging/inflate/Inflate.h"
#include "imaging/inflate/InflateTables.h"

#include <algorithm>
#include <array>
#include <vector>

namespace imaging {

namespace {

using namespace deflate;

class BitInput {
  public:
    explicit BitInput(std::span<const uint8_t> in) : in_(in) {}

    // The low n bits (n ≤ 16) without using them up; bits past the end of the input read as zero.
    uint32_t Peek(int n) {
        while (count_ < n && pos_ < in_.size()) {
            buffer_ |= static_cast<uint32_t>(in_[pos_++]) << count_;
            count_ += 8;
        }
        return buffer_ & ((1u << n) - 1);
    }
    void Drop(int n) {
        buffer_ >>= n;
        count_ = std::max(0, count_ - n);
    }
    uint32_t Get(int n) {
        const uint32_t v = Peek(n);
        Drop(n);
        return v;
    }

    // Stored blocks start on a byte boundary: the whole bytes still in the buffer go back to the input,
    // the part byte is dropped.
    void AlignToByte() {
        pos_ -= static_cast<size_t>(count_ / 8);
        buffer_ = 0;
        count_ = 0;
    }
    size_t BytesLeft() const { return pos_ < in_.size() ? in_.size() - pos_ : 0; }
    const uint8_t* Here() const { return in_.data() + pos_; }
    void Skip(size_t n) { pos_ += n; }

  private:
    std::span<const uint8_t> in_;
    size_t pos_ = 2; // the zlib header is not looked at
    uint32_t buffer_ = 0;
    int count_ = 0;
};

class Code {
  public:
    struct Entry {
        uint8_t length = 0;
        uint16_t symbol = 0;
    };

    // Canonical codes from the lengths; anything but a complete code fails.
    InflateStatus Build(std::span<const uint8_t> lengths) {
        std::array<int, kMaxCodeLength + 1> count{};
        for (const uint8_t len : lengths)
            ++count[len];
        count[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            left = left * 2 - count[len];
            if (left < 0) return InflateStatus::OversubscribedCode;
        }
        if (left > 0) return InflateStatus::IncompleteCode;

        std::array<uint32_t, kMaxCodeLength + 2> next{};
        uint32_t code = 0;
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
            next[len] = code;
        }
        for (int len = 1; len <= kMaxCodeLength; ++len)
            if (count[len] > 0) tables_[len].assign(size_t{1} << len, Entry{});
        for (size_t sym = 0; sym < lengths.size(); ++sym) {
            const int len = lengths[sym];
            if (len == 0) continue;
            const uint32_t c = next[len]++;
            uint32_t reversed = 0;
            for (int i = 0; i < len; ++i)
                reversed |= ((c >> i) & 1u) << (len - 1 - i);
            tables_[len][reversed] = Entry{static_cast<uint8_t>(len), static_cast<uint16_t>(sym)};
        }
        return InflateStatus::Done;
    }

    int Decode(BitInput& bits) const {
        for (int len = 1; len <= kMaxCodeLength; ++len) {
            if (tables_[len].empty()) continue;
            const Entry& e = tables_[len][bits.Peek(len)];
            if (e.length == len) {
                bits.Drop(len);
                return e.symbol;
            }
        }
        return -1; // not reached: every code is complete
    }

  private:
    std::array<std::vector<Entry>, kMaxCodeLength + 1> tables_;
};

class Decoder {
  public:
    Decoder(std::span<const uint8_t> in, uint8_t* out, size_t capacity)
        : bits_(in), out_(out), capacity_(capacity) {}

    InflateResult Run() {
        const InflateStatus s = Blocks();
        return InflateResult{s, pos_};
    }

  private:
    InflateStatus Blocks() {
        bool fixedBuilt = false;
        Code fixedLit, fixedDist;
        for (;;) {
            const bool final = bits_.Get(1) != 0;
            const uint32_t type = bits_.Get(2);
            InflateStatus s;
            if (type == 0) {
                s = Stored();
            } else if (type == 1) {
                if (!fixedBuilt) {
                    std::array<uint8_t, kFixedLitLenCount> lit{};
                    for (int i = 0; i < kFixedLitLenCount; ++i)
                        lit[i] = FixedLitLenLength(i);
                    std::array<uint8_t, kFixedDistanceCount> dist{};
                    dist.fill(5);
                    fixedLit.Build(lit);
                    fixedDist.Build(dist);
                    fixedBuilt = true;
                }
                s = Huffman(fixedLit, fixedDist);
            } else if (type == 2) {
                Code lit, dist;
                s = Dynamic(lit, dist);
                if (s == InflateStatus::Done) s = Huffman(lit, dist);
            } else {
                return InflateStatus::BadBlockType;
            }
            if (s != InflateStatus::Done || final) return s;
        }
    }

    InflateStatus Stored() {
        bits_.AlignToByte();
        if (bits_.BytesLeft() < 4) return InflateStatus::StoredHeaderPastInput;
        const uint8_t* h = bits_.Here();
        const uint32_t len = h[0] | (h[1] << 8);
        const uint32_t nlen = h[2] | (h[3] << 8);
        bits_.Skip(4);
        if (len != (nlen ^ 0xFFFFu)) return InflateStatus::StoredLengthMismatch;
        if (bits_.BytesLeft() < len) return InflateStatus::StoredDataPastInput;
        if (capacity_ - pos_ < len) return InflateStatus::StoredDataPastCapacity;
        std::copy_n(bits_.Here(), len, out_ + pos_);
        pos_ += len;
        bits_.Skip(len);
        return InflateStatus::Done;
    }

    InflateStatus Dynamic(Code& lit, Code& dist) {
        const int hlit = static_cast<int>(bits_.Get(5)) + 257;
        const int hdist = static_cast<int>(bits_.Get(5)) + 1;
        const int hclen = static_cast<int>(bits_.Get(4)) + 4;
        std::array<uint8_t, 19> clen{};
        for (int i = 0; i < hclen; ++i)
            clen[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits_.Get(3));
        Code lengthCode;
        if (const InflateStatus s = lengthCode.Build(clen); s != InflateStatus::Done) return s;

        std::vector<uint8_t> lengths(static_cast<size_t>(hlit + hdist));
        size_t i = 0;
        while (i < lengths.size()) {
            const int sym = lengthCode.Decode(bits_);
            if (sym < 0) return InflateStatus::IncompleteCode;
            if (sym < 16) {
                lengths[i++] = static_cast<uint8_t>(sym);
                continue;
            }
            uint8_t value = 0;
            size_t repeat;
            if (sym == 16) {
                if (i == 0) return InflateStatus::RepeatWithoutPrevious;
                value = lengths[i - 1];
                repeat = 3 + bits_.Get(2);
            } else if (sym == 17) {
                repeat = 3 + bits_.Get(3);
            } else {
                repeat = 11 + bits_.Get(7);
            }
            if (repeat > lengths.size() - i) return InflateStatus::RepeatPastLengths;
            std::fill_n(lengths.begin() + static_cast<ptrdiff_t>(i), repeat, value);
            i += repeat;
        }
        const std::span<const uint8_t> all(lengths);
        if (const InflateStatus s = lit.Build(all.first(static_cast<size_t>(hlit))); s != InflateStatus::Done)
            return s;
        return dist.Build(all.subspan(static_cast<size_t>(hlit)));
    }

    InflateStatus Huffman(const Code& lit, const Code& dist) {
        for (;;) {
            const int sym = lit.Decode(bits_);
            if (sym < 0) return InflateStatus::IncompleteCode;
            if (sym < 256) {
                if (pos_ >= capacity_) return InflateStatus::LiteralPastCapacity;
                out_[pos_++] = static_cast<uint8_t>(sym);
                continue;
            }
            if (sym == 256) return InflateStatus::Done;
            const int li = sym - 257;
            if (li >= kLengthSymbols) return InflateStatus::BadLengthSymbol;
            const size_t length = kLengthBase[li] + bits_.Get(kLengthExtra[li]);
            const int di = dist.Decode(bits_);
            if (di < 0) return InflateStatus::IncompleteCode;
            if (di >= kDistanceSymbols) return InflateStatus::BadDistanceSymbol;
            const size_t distance = kDistanceBase[di] + bits_.Get(kDistanceExtra[di]);
            if (distance > pos_) return InflateStatus::DistanceTooFar;
            const size_t room = capacity_ - pos_;
            const size_t n = std::min(length, room);
            for (size_t k = 0; k < n; ++k, ++pos_)
                out_[pos_] = out_[pos_ - distance];
            if (length >= room) return InflateStatus::CutAtCapacity;
        }
    }

    BitInput bits_;
    uint8_t* out_;
    size_t capacity_;
    size_t pos_ = 0;
};

} // namespace

InflateResult InflateReference(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept {
    try {
        return Decoder(in, out, capacity).Run();
    } catch (...) {
        return InflateResult{InflateStatus::OutOfMemory, 0};
    }
}

} // namespace imaging
