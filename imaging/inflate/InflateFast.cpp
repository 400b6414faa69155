// The fast decoder. While at least 16 input bytes and a full match plus two literals of output room
// remain, a 64-bit bit buffer is refilled with one unaligned load and symbols are decoded without
// bounds checks; the last stretch of input or output goes through the same tables with every check
// made. Match copies move 8 or 16 bytes at a time but never write past the match.
#include "imaging/inflate/Inflate.h"
#include "imaging/inflate/InflateHuffman.h"
#include "imaging/inflate/InflateTables.h"

#include <algorithm>
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

// Copies in the fast loop may write up to kOverrun bytes past the end of a match. The caller's bytes there
// are saved first, a chunk of the buffer at a time, and put back when the decode ends, so nothing past the
// count changes.
constexpr size_t kOverrun = 32;
constexpr size_t kChunk = 4096;
constexpr size_t kInMargin = 16;
// A match and its overrun stay inside the capacity.
constexpr size_t kOutMargin = kMaxMatch + 2 + kOverrun;

template <size_t N> [[gnu::always_inline]] inline void Move(uint8_t* dst, const uint8_t* src) {
    if constexpr (N > 16) {
        Move<16>(dst, src);
        Move<N - 16>(dst + 16, src + 16);
    } else {
        uint8_t v[N];
        std::memcpy(v, src, N);
        std::memcpy(dst, v, N);
    }
}
[[gnu::always_inline]] inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
[[gnu::always_inline]] inline void Store64(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, 8);
}

// out[i] = out[i − distance] for i in [op, op + length), as if byte by byte, writing whole words: up to
// kOverrun − 1 bytes past the match change too. 1 ≤ distance ≤ op − start.
[[gnu::always_inline]] inline void CopyMatchOverrun(uint8_t* op, size_t distance, size_t length) {
    uint8_t* const end = op + length;
    if (distance >= 16) {
        // Most matches are short: two moves cover them, with no branch on a length that changes every
        // time. The second reads what the first wrote only where the distance is below 32, in order.
        const uint8_t* src = op - distance;
        Move<16>(op, src);
        Move<16>(op + 16, src + 16);
        if (length <= 32) return;
        op += 32;
        src += 32;
        if (distance >= 32) {
            do {
                Move<32>(op, src);
                op += 32;
                src += 32;
            } while (op < end);
        } else {
            do {
                Move<16>(op, src);
                op += 16;
                src += 16;
            } while (op < end);
        }
        return;
    }
    if (distance > 8) {
        do {
            Move<8>(op, op - distance);
            op += 8;
        } while (op < end);
        return;
    }
    // A pattern of `distance` bytes: the first word is the pattern repeated.
    const uint64_t unit =
        distance == 8 ? Load64(op - 8) : Load64(op - distance) & ((uint64_t{1} << (8 * distance)) - 1);
    uint64_t word = unit;
    for (size_t shift = 8 * distance; shift < 64; shift += 8 * distance)
        word |= unit << shift;
    if (8 % distance == 0) {
        // Every word is the same: stores only, no loads waiting on them.
        do {
            Store64(op, word);
            Store64(op + 8, word);
            op += 16;
        } while (op < end);
        return;
    }
    // After the first word, copying from a multiple of the distance that is at least 8 back continues it.
    Store64(op, word);
    const size_t stride = distance * ((8 + distance - 1) / distance);
    for (op += 8; op < end; op += 8)
        Move<8>(op, op - stride);
}

// The same copy writing nothing past the match, for the checked tail of the output.
inline void CopyMatchExact(uint8_t* op, size_t distance, size_t length) {
    for (uint8_t* const end = op + length; op < end; ++op)
        *op = op[-static_cast<ptrdiff_t>(distance)];
}

struct DynamicTables {
    uint32_t litLen[kLitLenTableSize];
    uint32_t distance[kDistanceTableSize];
};

// Where the decode stands. `pos` may run past the end of the input by the zero bytes taken in for missing
// bits, so that pos × 8 − count is always the number of bits used so far.
struct Stream {
    Stream(std::span<const uint8_t> input, uint8_t* output, size_t room)
        : in(input.data()), size(input.size()), out(output), capacity(room) {}

    const uint8_t* in;
    size_t size;
    uint8_t* out;
    size_t capacity;
    size_t pos = 2; // the zlib header is not looked at
    size_t op = 0;
    uint64_t bits = 0;
    unsigned count = 0;
    // No copy has overrun past savedEnd, a multiple of kChunk; the caller's bytes of the last two chunks
    // before it, taken before any copy overran into them, are in saved[chunk number mod 2].
    size_t savedEnd = 0;
    uint8_t saved[2][kChunk];
};

// Saves the caller's bytes of the chunks a match's copy may overrun into, before it does. Copies have not
// written from savedEnd on, nor has anything else from the end of this match on; what is written before it
// is output, never put back.
[[gnu::noinline]] void SaveAhead(Stream& st, size_t matchEnd) {
    size_t chunk = std::max(st.savedEnd, matchEnd / kChunk * kChunk);
    do {
        std::memcpy(st.saved[(chunk / kChunk) % 2], st.out + chunk, std::min(kChunk, st.capacity - chunk));
        chunk += kChunk;
    } while (matchEnd + kOverrun > chunk);
    st.savedEnd = chunk;
    // The next chunk is read while this one is written.
    for (size_t line = chunk; line < std::min(chunk + kChunk, st.capacity); line += 64)
        __builtin_prefetch(st.out + line, 1);
}

// Where the fast loop has to stop and look next: the output margin, or the place from which a match's
// overrun would reach caller's bytes not saved yet, whichever comes first. Saves ahead of op as needed.
[[gnu::noinline]] uint8_t* OutputCheckpoint(Stream& st, const uint8_t* op) {
    const size_t at = static_cast<size_t>(op - st.out);
    if (at + kOverrun > st.savedEnd) SaveAhead(st, at);
    return st.out + std::min(st.capacity - kOutMargin, st.savedEnd - kOverrun);
}

// Decodes while at least kInMargin input bytes and kOutMargin bytes of room remain; true when the block
// ended (or failed) here, with its status in `status`.
[[gnu::always_inline]] inline bool FastLoopBody(Stream& st, const uint32_t* lit, const uint32_t* dist,
                                                InflateStatus& status) {
    if (st.size < kInMargin || st.capacity < kOutMargin || st.pos > st.size - kInMargin ||
        st.op > st.capacity - kOutMargin)
        return false;
    // Pointers rather than indexes, and few of them, so that everything the loop needs stays in registers.
    const uint8_t* ip = st.in + st.pos;
    const uint8_t* const ipLimit = st.in + (st.size - kInMargin);
    uint8_t* const out = st.out;
    uint8_t* op = out + st.op;
    // One comparison stands for both reasons to look at the output: its margin and the saving ahead.
    uint8_t* opCheck = OutputCheckpoint(st, op);
    const auto outOfRoom = [&st](const uint8_t* at) { return at > st.out + (st.capacity - kOutMargin); };
    uint64_t bits = st.bits;
    // The bit count is its low six bits: whole entries are subtracted from it (their low byte is what they
    // use up, and never more than the count), so the bits above are left to wrap.
    unsigned count = st.count;
    // After a refill at least 56 bits are in the buffer: three literals of up to 15 bits, or one length and
    // one distance with their extra bits (48 bits at most). Bits above the count are the next input bits.
#define PELMOR_REFILL()                                                                                      \
    do {                                                                                                     \
        bits |= Load64(ip) << (count & 63);                                                                  \
        ip += 7 - ((count >> 3) & 7);                                                                        \
        count |= 56;                                                                                         \
    } while (0)
#define PELMOR_USE(e)                                                                                        \
    do {                                                                                                     \
        bits >>= UsedBits(e);                                                                                \
        count -= (e);                                                                                        \
    } while (0)
    // Each turn starts with the buffer refilled and the next root entry looked up; a match looks the entry
    // after it up before copying, so that the lookup overlaps the copy. Literals are tested before links:
    // most symbols are short codes whose root entry is all there is.
    const uint64_t rootMask = (uint64_t{1} << kLitLenRoot) - 1;
    PELMOR_REFILL();
    uint32_t e = lit[bits & rootMask];
    // True when the block ended or failed here; false when a margin ran out.
    bool ended = false;
    for (;;) {
        if (IsLiteral(e)) {
            PELMOR_USE(e);
            *op++ = static_cast<uint8_t>(e >> 16);
            e = lit[bits & rootMask];
            if (IsLiteral(e)) {
                PELMOR_USE(e);
                *op++ = static_cast<uint8_t>(e >> 16);
                e = lit[bits & rootMask];
                if (IsLiteral(e)) {
                    PELMOR_USE(e);
                    *op++ = static_cast<uint8_t>(e >> 16);
                    if (ip > ipLimit || op > opCheck) {
                        opCheck = OutputCheckpoint(st, op);
                        if (ip > ipLimit || outOfRoom(op)) break;
                    }
                    PELMOR_REFILL();
                    e = lit[bits & rootMask];
                    continue;
                }
            }
            // The entry's code stays at the bottom of the buffer; the refill only adds above it.
            PELMOR_REFILL();
        }
        if (e & kLink) {
            e = lit[(e >> 16) + ((bits >> kLitLenRoot) & ((uint64_t{1} << ((e >> 8) & 15)) - 1))];
            if (IsLiteral(e)) {
                // Taken round the loop without a limit check, links could run the input past its margin.
                if (ip > ipLimit || outOfRoom(op)) break;
                continue;
            }
        }
        if (e & kBase) {
            const uint32_t length = Value(e, bits);
            PELMOR_USE(e);
            const uint32_t d = Lookup(dist, kDistanceRoot, bits);
            if (d & kBad) {
                status = InflateStatus::BadDistanceSymbol;
                ended = true;
                break;
            }
            const uint32_t distance = Value(d, bits);
            PELMOR_USE(d);
            if (distance > static_cast<size_t>(op - out)) {
                status = InflateStatus::DistanceTooFar;
                ended = true;
                break;
            }
            uint8_t* const start = op;
            op += length;
            if (ip > ipLimit || op > opCheck) {
                opCheck = OutputCheckpoint(st, op);
                if (ip > ipLimit || outOfRoom(op)) {
                    CopyMatchOverrun(start, distance, length);
                    break;
                }
            }
            PELMOR_REFILL();
            e = lit[bits & rootMask];
            CopyMatchOverrun(start, distance, length);
            continue;
        }
        if (e & kEnd) {
            PELMOR_USE(e);
            status = InflateStatus::Done;
        } else {
            status = InflateStatus::BadLengthSymbol;
        }
        ended = true;
        break;
    }
#undef PELMOR_REFILL
#undef PELMOR_USE
    st.bits = bits;
    st.count = count & 63;
    st.pos = static_cast<size_t>(ip - st.in);
    st.op = static_cast<size_t>(op - out);
    return ended;
}

bool FastLoop(Stream& st, const uint32_t* lit, const uint32_t* dist, InflateStatus& status) {
    return FastLoopBody(st, lit, dist, status);
}

// The same loop for processors with BMI2, whose shifts by a variable count are single instructions that
// leave the flags alone; picked at run time.
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("bmi2")]] bool FastLoopBmi2(Stream& st, const uint32_t* lit, const uint32_t* dist,
                                          InflateStatus& status) {
    return FastLoopBody(st, lit, dist, status);
}
#endif

using FastLoopFunction = bool (*)(Stream&, const uint32_t*, const uint32_t*, InflateStatus&);
FastLoopFunction PickFastLoop() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("bmi2")) return FastLoopBmi2;
#endif
    return FastLoop;
}

class Decoder {
  public:
    Decoder(std::span<const uint8_t> in, uint8_t* out, size_t capacity, FastLoopFunction fastLoop)
        : st_(in, out, capacity), fastLoop_(fastLoop) {}

    InflateResult Run() {
        const InflateStatus s = Blocks();
        // Put back the caller's bytes that copies overran past the last one produced.
        for (size_t i = st_.op; i < std::min(st_.savedEnd, st_.capacity); ++i)
            st_.out[i] = st_.saved[(i / kChunk) % 2][i % kChunk];
        return InflateResult{s, st_.op};
    }

  private:
    // Slow-path reading: bits past the end of the input are zeros.
    void Ensure(unsigned n) {
        while (st_.count < n) {
            const uint64_t byte = st_.pos < st_.size ? st_.in[st_.pos] : 0;
            st_.bits |= byte << st_.count;
            st_.count += 8;
            ++st_.pos;
        }
    }
    void Use(unsigned n) {
        st_.bits >>= n;
        st_.count -= n;
    }
    uint32_t Get(unsigned n) {
        Ensure(n);
        const uint32_t v = static_cast<uint32_t>(st_.bits & ((uint64_t{1} << n) - 1));
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
        st_.pos -= st_.count / 8;
        st_.bits = 0;
        st_.count = 0;
        if (st_.pos > st_.size || st_.size - st_.pos < 4) return InflateStatus::StoredHeaderPastInput;
        const uint8_t* h = st_.in + st_.pos;
        const uint32_t len = h[0] | (h[1] << 8);
        const uint32_t nlen = h[2] | (h[3] << 8);
        st_.pos += 4;
        if (len != (nlen ^ 0xFFFFu)) return InflateStatus::StoredLengthMismatch;
        if (st_.size - st_.pos < len) return InflateStatus::StoredDataPastInput;
        if (st_.capacity - st_.op < len) return InflateStatus::StoredDataPastCapacity;
        if (len != 0) std::memcpy(st_.out + st_.op, st_.in + st_.pos, len);
        st_.op += len;
        st_.pos += len;
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
            const uint32_t e = Lookup(lengthCode.data(), kCodeLengthRoot, st_.bits);
            Use(UsedBits(e));
            const uint32_t sym = (e >> 16) & 0x1F;
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
        if (fastLoop_(st_, lit, dist, s)) return s;
        // The tail: every read may run past the input, every write is checked against the capacity.
        st_.bits &= (uint64_t{1} << st_.count) - 1;
        for (;;) {
            Ensure(kMaxCodeLength);
            const uint32_t e = Lookup(lit, kLitLenRoot, st_.bits);
            if (IsLiteral(e)) {
                if (st_.op >= st_.capacity) return InflateStatus::LiteralPastCapacity;
                st_.out[st_.op++] = static_cast<uint8_t>(e >> 16);
                Use(UsedBits(e));
                continue;
            }
            const uint32_t kind = e & kKindMask;
            if (kind == kEnd) {
                Use(UsedBits(e));
                return InflateStatus::Done;
            }
            if (kind == kBad) return InflateStatus::BadLengthSymbol;
            Ensure(UsedBits(e));
            const size_t length = Value(e, st_.bits);
            Use(UsedBits(e));
            Ensure(kMaxCodeLength);
            const uint32_t d = Lookup(dist, kDistanceRoot, st_.bits);
            if ((d & kKindMask) == kBad) return InflateStatus::BadDistanceSymbol;
            Ensure(UsedBits(d));
            const size_t distance = Value(d, st_.bits);
            Use(UsedBits(d));
            if (distance > st_.op) return InflateStatus::DistanceTooFar;
            const size_t room = st_.capacity - st_.op;
            if (length >= room) {
                for (; st_.op < st_.capacity; ++st_.op)
                    st_.out[st_.op] = st_.out[st_.op - distance];
                return InflateStatus::CutAtCapacity;
            }
            CopyMatchExact(st_.out + st_.op, distance, length);
            st_.op += length;
        }
    }

    Stream st_;
    FastLoopFunction fastLoop_;
};

} // namespace

InflateResult InflateFast(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept {
    static const FastLoopFunction fastLoop = PickFastLoop();
    return Decoder(in, out, capacity, fastLoop).Run();
}

InflateResult InflateFastPortable(std::span<const uint8_t> in, uint8_t* out, size_t capacity) noexcept {
    return Decoder(in, out, capacity, FastLoop).Run();
}

} // namespace imaging
