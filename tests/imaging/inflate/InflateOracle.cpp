#include "tests/imaging/inflate/InflateOracle.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace testinflate {

using imaging::InflateResult;
using imaging::InflateStatus;

namespace {

constexpr uint8_t kCanary = 0xA5;

std::string Describe(const InflateResult& r) {
    return std::string(imaging::InflateStatusText(r.status)) + " after " + std::to_string(r.produced) +
           " bytes";
}

// zlib refuses these outright where the inflater goes on.
bool ZlibStricter(const ZlibOutcome& z) {
    return z.kind == ZlibOutcome::Error && (z.message == "too many length or distance symbols" ||
                                            z.message == "invalid code -- missing end-of-block");
}

} // namespace

ZlibOutcome ZlibInflate(std::span<const uint8_t> in, size_t capacity, std::vector<uint8_t>& out) {
    // Zero padding for every bit the inflater may read past the end: at most 16 bits per output byte (a
    // 15-bit literal code, or a match of 3 bytes in 48 bits), plus block headers.
    std::vector<uint8_t> data(in.size() > 2 ? in.begin() + 2 : in.end(), in.end());
    data.resize(data.size() + 2 * capacity + 4096, 0);
    out.assign(capacity + 1, 0);
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return {ZlibOutcome::Error, 0, "inflateInit2 failed"};
    z.next_in = data.data();
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    ZlibOutcome o{ZlibOutcome::Error, z.total_out, z.msg ? z.msg : ""};
    if (rc == Z_STREAM_END)
        o.kind = ZlibOutcome::End;
    else if (rc == Z_BUF_ERROR && z.avail_out == 0)
        o.kind = ZlibOutcome::Full;
    else if (rc == Z_BUF_ERROR)
        o.kind = ZlibOutcome::Starved;
    inflateEnd(&z);
    out.resize(o.produced);
    return o;
}

std::string CheckFastAgainstReference(std::span<const uint8_t> in, size_t capacity, InflateResult* result,
                                      std::vector<uint8_t>* out) {
    // One spare byte past the capacity shows a write beyond it; the canary shows writes past the count.
    std::vector<uint8_t> fast(capacity + 1, kCanary), portable(capacity + 1, kCanary),
        ref(capacity + 1, kCanary);
    const InflateResult rf = imaging::InflateFast(in, fast.data(), capacity);
    const InflateResult rp = imaging::InflateFastPortable(in, portable.data(), capacity);
    const InflateResult rr = imaging::InflateReference(in, ref.data(), capacity);
    if (result) *result = rf;
    if (out) *out = fast;
    if (rf.status != rr.status || rf.produced != rr.produced)
        return "fast: " + Describe(rf) + "; reference: " + Describe(rr);
    if (rp.status != rf.status || rp.produced != rf.produced || portable != fast)
        return "the portable build of the fast loop differs (" + Describe(rp) + ")";
    if (fast != ref) {
        const auto at = std::mismatch(fast.begin(), fast.end(), ref.begin()).first - fast.begin();
        return "fast and reference buffers differ at byte " + std::to_string(at) + " (" + Describe(rf) + ")";
    }
    if (fast[capacity] != kCanary) return "a byte was written past the capacity";
    for (size_t i = rf.produced; i < capacity; ++i)
        if (fast[i] != kCanary) return "byte " + std::to_string(i) + " past the count was written";
    return {};
}

std::string CheckInflate(std::span<const uint8_t> in, size_t capacity) {
    InflateResult r;
    std::vector<uint8_t> ours;
    if (std::string why = CheckFastAgainstReference(in, capacity, &r, &ours); !why.empty()) return why;

    std::vector<uint8_t> theirs;
    const ZlibOutcome z = ZlibInflate(in, capacity, theirs);
    const std::string both = "ours: " + Describe(r) + "; zlib: " +
                             (z.kind == ZlibOutcome::End       ? "end"
                              : z.kind == ZlibOutcome::Full    ? "full"
                              : z.kind == ZlibOutcome::Starved ? "out of input"
                                                               : "error \"" + z.message + "\"") +
                             " after " + std::to_string(z.produced) + " bytes";
    const size_t common = std::min(r.produced, z.produced);
    if (!std::equal(ours.begin(), ours.begin() + static_cast<ptrdiff_t>(common), theirs.begin()))
        return "output differs from zlib's; " + both;
    if (z.kind == ZlibOutcome::Starved) return "zlib ran out of padding; " + both;

    bool agree;
    switch (r.status) {
    case InflateStatus::Done:
        agree = (z.kind == ZlibOutcome::End && z.produced == r.produced) ||
                (ZlibStricter(z) && z.produced <= r.produced);
        break;
    case InflateStatus::CutAtCapacity:
        agree = z.produced >= r.produced || ZlibStricter(z);
        break;
    // zlib lets a lone one-bit code and an empty distance code through, and reads the padding as stored data.
    case InflateStatus::IncompleteCode:
    case InflateStatus::StoredHeaderPastInput:
    case InflateStatus::StoredDataPastInput:
        agree = true;
        break;
    case InflateStatus::LiteralPastCapacity:
    case InflateStatus::StoredDataPastCapacity:
        agree = z.produced > capacity || ZlibStricter(z);
        break;
    default:
        agree = z.kind == ZlibOutcome::Error;
        break;
    }
    return agree ? std::string() : "disagreement with zlib; " + both;
}

} // namespace testinflate
