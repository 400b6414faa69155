// Real compressors' output through both decoders and zlib: random, text, binary, image-like and run-heavy
// data at every zlib level and strategy and every libdeflate level; then capacities around the true size
// and every truncation of small streams. (Random changes are the fuzz target's.)
#include <gtest/gtest.h>

#include <libdeflate.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imaging/inflate/Inflate.h"
#include "tests/imaging/inflate/DeflateWriter.h"
#include "tests/imaging/inflate/InflateOracle.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const char* path, size_t limit) {
    std::ifstream f(path, std::ios::binary);
    Bytes b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() > limit) b.resize(limit);
    return b;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

// Rows of a filtered RGBA image: a filter byte, then gradients with a little noise.
Bytes ImageRows() {
    std::mt19937 rng(7);
    Bytes b;
    for (int y = 0; y < 96; ++y) {
        b.push_back(static_cast<uint8_t>(y % 5));
        for (int x = 0; x < 160; ++x) {
            const bool flat = (x / 16 + y / 16) % 2 == 0;
            b.push_back(static_cast<uint8_t>(flat ? 40 : x + (rng() & 3)));
            b.push_back(static_cast<uint8_t>(flat ? 80 : y * 2));
            b.push_back(static_cast<uint8_t>(flat ? 120 : (x ^ y) & 0xF0));
            b.push_back(0xFF);
        }
    }
    return b;
}

// Repeats of every period from 1 to 19, short and long, for the match copies.
Bytes Runs() {
    Bytes b;
    std::mt19937 rng(3);
    for (int period = 1; period < 20; ++period)
        for (const int count : {2, 5, 40, 300}) {
            Bytes unit(static_cast<size_t>(period));
            for (auto& x : unit)
                x = static_cast<uint8_t>(rng());
            for (int i = 0; i < count; ++i)
                b.insert(b.end(), unit.begin(), unit.end());
        }
    return b;
}

struct DataSet {
    const char* name;
    Bytes bytes;
};

const std::vector<DataSet>& DataSets() {
    static const std::vector<DataSet> sets = [] {
        std::vector<DataSet> s;
        s.push_back({"random", RandomBytes(40000, 1)});
        Bytes text = ReadFile("/usr/share/common-licenses/GPL-3", 60000);
        if (text.empty()) text = ReadFile("/etc/services", 60000);
        s.push_back({"text", text});
        s.push_back({"binary", ReadFile("/proc/self/exe", 60000)});
        s.push_back({"image", ImageRows()});
        s.push_back({"runs", Runs()});
        s.push_back({"empty", {}});
        return s;
    }();
    return sets;
}

Bytes ZlibCompress(const Bytes& data, int level, int strategy) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Inflates with capacity = the data's size and compares with the data and with zlib.
void ExpectRoundTrip(const Bytes& stream, const Bytes& data) {
    ASSERT_EQ(testinflate::CheckInflate(stream, data.size()), "");
    Bytes out(data.size() + 1);
    const imaging::InflateResult r = imaging::InflateFast(stream, out.data(), data.size());
    ASSERT_TRUE(r.ok()) << imaging::InflateStatusText(r.status);
    out.resize(r.produced);
    EXPECT_EQ(out, data);
}

TEST(InflateRoundTrip, ZlibEveryLevelAndStrategy) {
    for (const DataSet& set : DataSets())
        for (int level = 0; level <= 9; ++level)
            for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
                if (level == 0 && strategy != Z_DEFAULT_STRATEGY) continue;
                SCOPED_TRACE(std::string(set.name) + " level " + std::to_string(level) + " strategy " +
                             std::to_string(strategy));
                ExpectRoundTrip(ZlibCompress(set.bytes, level, strategy), set.bytes);
            }
}

TEST(InflateRoundTrip, LibdeflateEveryLevel) {
    for (const DataSet& set : DataSets())
        for (int level = 0; level <= 12; ++level) {
            SCOPED_TRACE(std::string(set.name) + " libdeflate level " + std::to_string(level));
            libdeflate_compressor* c = libdeflate_alloc_compressor(level);
            ASSERT_NE(c, nullptr);
            Bytes stream(libdeflate_zlib_compress_bound(c, set.bytes.size()));
            stream.resize(libdeflate_zlib_compress(c, set.bytes.data(), set.bytes.size(), stream.data(),
                                                   stream.size()));
            libdeflate_free_compressor(c);
            ASSERT_FALSE(stream.empty());
            ExpectRoundTrip(stream, set.bytes);
        }
}

// Too little room, exactly enough and more than enough, on streams long enough for the fast path.
TEST(InflateRoundTrip, CapacitiesAroundTheSize) {
    for (const DataSet& set : DataSets()) {
        const size_t n = set.bytes.size();
        for (const int level : {1, 6, 9}) {
            const Bytes stream = ZlibCompress(set.bytes, level, Z_DEFAULT_STRATEGY);
            for (const size_t capacity :
                 {n / 2, n > 300 ? n - 300 : 0, n > 0 ? n - 1 : 0, n, n + 1, n + 5000}) {
                SCOPED_TRACE(std::string(set.name) + " level " + std::to_string(level) + " capacity " +
                             std::to_string(capacity));
                EXPECT_EQ(testinflate::CheckInflate(stream, capacity), "");
            }
        }
    }
}

// Fifteen-bit codes for literals, lengths with five extra bits and distances with thirteen: two literals and
// a match take 77 bits, more than one refill of the bit buffer holds.
TEST(InflateRoundTrip, LongestCodesAndExtraBits) {
    Bytes lit(286, 0);
    lit[256] = 1;
    for (int i = 0; i < 12; ++i)
        lit['c' + i] = static_cast<uint8_t>(2 + i);
    lit[284] = 14;
    lit['a'] = lit['b'] = 15;
    Bytes dist(30, 0);
    for (int i = 0; i < 14; ++i)
        dist[i] = static_cast<uint8_t>(1 + i);
    dist[28] = dist[29] = 15;
    testdeflate::DeflateWriter w;
    w.DynamicHeader(true, lit, dist);
    for (int i = 0; i < 30000; ++i)
        w.Lit(i % 3 ? 'a' : 'b');
    size_t size = 30000;
    for (int i = 0; i < 400; ++i) {
        const int length = 227 + i % 31;
        w.Lit('a').Lit('b').Match(length, 24577 + (i * 97) % 5000);
        size += 2 + static_cast<size_t>(length);
    }
    const Bytes stream = w.Lit(256).Finish();
    EXPECT_EQ(testinflate::CheckInflate(stream, size), "");
    Bytes out(size + 1);
    // The last match ends at the capacity, which ends the decode.
    const imaging::InflateResult r = imaging::InflateFast(stream, out.data(), size);
    EXPECT_EQ(r.status, imaging::InflateStatus::CutAtCapacity);
    EXPECT_EQ(testinflate::CheckInflate(stream, size + 1), "");
}

TEST(InflateRoundTrip, EveryTruncation) {
    const Bytes text = ReadFile("/usr/share/common-licenses/GPL-3", 700);
    const Bytes data = text.empty() ? RandomBytes(700, 5) : text;
    for (const int level : {0, 1, 9})
        for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
            const Bytes stream = ZlibCompress(data, level, strategy);
            for (size_t k = 0; k <= stream.size(); ++k) {
                SCOPED_TRACE("level " + std::to_string(level) + " cut at " + std::to_string(k));
                const Bytes cut(stream.begin(), stream.begin() + static_cast<ptrdiff_t>(k));
                ASSERT_EQ(testinflate::CheckInflate(cut, data.size()), "");
            }
        }
}

} // namespace
