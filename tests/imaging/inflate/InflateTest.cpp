// Hand-built streams through both decoders: every block type, the capacity rules, the input-end rule and
// the malformed code sets; each is also checked against zlib under the documented differences.
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/inflate/Inflate.h"
#include "tests/imaging/inflate/DeflateWriter.h"
#include "tests/imaging/inflate/InflateOracle.h"

using imaging::InflateStatus;
using testdeflate::DeflateWriter;

namespace {

using Bytes = std::vector<uint8_t>;
using LS = DeflateWriter::LengthSymbol;

Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

DeflateWriter Fixed(bool final, std::string_view literals) {
    DeflateWriter w;
    w.Header(final, 1);
    for (const char c : literals)
        w.FixedLitLen(static_cast<uint8_t>(c));
    return w;
}

// 'a' one bit, end of block two, length symbol 257 two; distances 1 and 2 one bit each.
Bytes SmallLit() {
    Bytes l(258, 0);
    l['a'] = 1;
    l[256] = 2;
    l[257] = 2;
    return l;
}
const Bytes kTwoDistances{1, 1};

// 'a' one bit, end of block two, 286 and 287 three: a complete code over all 288 symbols.
Bytes Lit288() {
    Bytes l(288, 0);
    l['a'] = 1;
    l[256] = 2;
    l[286] = 3;
    l[287] = 3;
    return l;
}

struct Case {
    const char* name;
    std::function<Bytes()> stream;
    size_t capacity;
    InflateStatus status;
    std::string output;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class InflateCases : public ::testing::TestWithParam<Case> {};

TEST_P(InflateCases, BothDecodersGiveTheExpectedResult) {
    const Case& c = GetParam();
    const Bytes in = c.stream();
    imaging::InflateResult r;
    Bytes out;
    ASSERT_EQ(testinflate::CheckFastAgainstReference(in, c.capacity, &r, &out), "");
    EXPECT_EQ(r.status, c.status) << imaging::InflateStatusText(r.status);
    EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<ptrdiff_t>(r.produced)), c.output);
    std::vector<uint8_t> buffer(c.capacity + 1);
    EXPECT_EQ(imaging::Inflate(in, buffer.data(), c.capacity), r.ok());
    EXPECT_EQ(testinflate::CheckInflate(in, c.capacity), "");
}

const std::string k100a(100, 'a');

INSTANTIATE_TEST_SUITE_P(
    Streams, InflateCases,
    ::testing::Values(
        // Stored blocks.
        Case{"StoredBlock", [] { return DeflateWriter().Stored(true, B("hello")).Finish(); }, 10,
             InflateStatus::Done, "hello"},
        Case{"StoredWrongNlen", [] { return DeflateWriter().Stored(true, B("hello"), 0xFFFA ^ 1).Finish(); },
             10, InflateStatus::StoredLengthMismatch, ""},
        Case{"StoredDataCut",
             [] {
                 Bytes s = DeflateWriter().Stored(true, B("hello")).Finish();
                 s.pop_back();
                 return s;
             },
             10, InflateStatus::StoredDataPastInput, ""},
        Case{"StoredPastCapacity", [] { return DeflateWriter().Stored(true, B("hello")).Finish(); }, 4,
             InflateStatus::StoredDataPastCapacity, ""},
        Case{"StoredHeaderCut",
             [] { return DeflateWriter().Header(true, 0).AlignToByte().Bits(5, 16).Byte(0xFA).Finish(); }, 10,
             InflateStatus::StoredHeaderPastInput, ""},
        // The Huffman block reads ahead; the stored block takes the whole bytes back.
        Case{"StoredAfterHuffmanBlock",
             [] { return Fixed(false, "a").FixedLitLen(256).Stored(true, B("bc")).Finish(); }, 10,
             InflateStatus::Done, "abc"},
        Case{"EmptyStoredBlock",
             [] { return DeflateWriter().Stored(false, {}).Stored(true, B("x")).Finish(); }, 10,
             InflateStatus::Done, "x"},
        Case{"EmptyInput", [] { return Bytes{}; }, 10, InflateStatus::StoredHeaderPastInput, ""},
        Case{"HeaderOnly",
             [] {
                 return Bytes{0x78, 0x9C};
             },
             10, InflateStatus::StoredHeaderPastInput, ""},
        // Fixed codes.
        Case{"FixedLiteralRanges",
             [] {
                 DeflateWriter w;
                 w.Header(true, 1).FixedLitLen(0).FixedLitLen(143).FixedLitLen(144).FixedLitLen(255);
                 return w.FixedMatch(3, 4).FixedLitLen(256).Finish();
             },
             10, InflateStatus::Done, std::string("\x00\x8F\x90\xFF\x00\x8F\x90", 7)},
        Case{"OverlappingMatch", [] { return Fixed(true, "ab").FixedMatch(10, 2).FixedLitLen(256).Finish(); },
             20, InflateStatus::Done, "abababababab"},
        Case{"LongestMatchAndDistance",
             [] {
                 DeflateWriter w = Fixed(false, "");
                 for (int i = 0; i < 32768; ++i)
                     w.FixedLitLen('a' + i % 7);
                 return w.FixedMatch(258, 32768).FixedLitLen(256).Stored(true, {}).Finish();
             },
             40000, InflateStatus::Done,
             [] {
                 std::string s;
                 for (int i = 0; i < 32768; ++i)
                     s += static_cast<char>('a' + i % 7);
                 return s + s.substr(0, 258);
             }()},
        Case{"LengthSymbol286", [] { return Fixed(true, "a").FixedLitLen(286).Finish(); }, 10,
             InflateStatus::BadLengthSymbol, "a"},
        Case{"LengthSymbol287", [] { return Fixed(true, "a").FixedLitLen(287).Finish(); }, 10,
             InflateStatus::BadLengthSymbol, "a"},
        Case{"DistanceSymbol30", [] { return Fixed(true, "a").FixedLitLen(257).FixedDistance(30).Finish(); },
             10, InflateStatus::BadDistanceSymbol, "a"},
        Case{"DistanceSymbol31", [] { return Fixed(true, "a").FixedLitLen(257).FixedDistance(31).Finish(); },
             10, InflateStatus::BadDistanceSymbol, "a"},
        Case{"DistanceTooFar", [] { return Fixed(true, "a").FixedMatch(3, 2).Finish(); }, 10,
             InflateStatus::DistanceTooFar, "a"},
        Case{"DistanceToFirstByte",
             [] { return Fixed(true, "ab").FixedMatch(3, 2).FixedLitLen(256).Finish(); }, 10,
             InflateStatus::Done, "ababa"},
        Case{"BlockType3", [] { return DeflateWriter().Header(true, 3).Finish(); }, 10,
             InflateStatus::BadBlockType, ""},
        Case{"BlocksOfEveryType",
             [] {
                 DeflateWriter w = Fixed(false, "a");
                 w.FixedLitLen(256).Stored(false, B("b")).DynamicHeader(false, SmallLit(), kTwoDistances);
                 w.Lit('a').Match(3, 2).Lit(256);
                 return w.Header(true, 1).FixedLitLen('c').FixedLitLen(256).Finish();
             },
             20, InflateStatus::Done, "abababc"},
        // Dynamic code sets.
        Case{"Dynamic",
             [] {
                 DeflateWriter w;
                 w.DynamicHeader(true, SmallLit(), kTwoDistances).Lit('a').Lit('a').Match(3, 1).Lit(256);
                 return w.Finish();
             },
             10, InflateStatus::Done, "aaaaa"},
        Case{"SingleOneBitDistanceCode",
             [] {
                 return DeflateWriter().DynamicHeader(true, SmallLit(), Bytes{1}).Lit('a').Lit(256).Finish();
             },
             10, InflateStatus::IncompleteCode, ""},
        Case{"NoDistanceCodes",
             [] {
                 return DeflateWriter().DynamicHeader(true, SmallLit(), Bytes{0}).Lit('a').Lit(256).Finish();
             },
             10, InflateStatus::IncompleteCode, ""},
        Case{"OversubscribedLitLen",
             [] {
                 Bytes l = SmallLit();
                 l['b'] = 2;
                 return DeflateWriter().DynamicHeader(true, l, kTwoDistances).Finish();
             },
             10, InflateStatus::OversubscribedCode, ""},
        Case{"IncompleteLitLen",
             [] {
                 Bytes l = SmallLit();
                 l[257] = 0;
                 return DeflateWriter().DynamicHeader(true, l, kTwoDistances).Finish();
             },
             10, InflateStatus::IncompleteCode, ""},
        Case{"OversubscribedDistances",
             [] {
                 return DeflateWriter().DynamicHeader(true, SmallLit(), Bytes{1, 1, 1}).Finish();
             },
             10, InflateStatus::OversubscribedCode, ""},
        Case{"IncompleteCodeLengthCode",
             [] {
                 Bytes clen(19, 0);
                 clen[0] = 1;
                 clen[1] = 2;
                 return DeflateWriter().RawDynamicHeader(true, 257, 1, clen, {}).Finish();
             },
             10, InflateStatus::IncompleteCode, ""},
        Case{"OversubscribedCodeLengthCode",
             [] {
                 Bytes clen(19, 0);
                 clen[0] = clen[1] = clen[2] = 1;
                 return DeflateWriter().RawDynamicHeader(true, 257, 1, clen, {}).Finish();
             },
             10, InflateStatus::OversubscribedCode, ""},
        Case{"RepeatWithoutPrevious",
             [] {
                 Bytes clen(19, 0);
                 clen[16] = clen[1] = 1;
                 const LS s[] = {{16, 0}};
                 return DeflateWriter().RawDynamicHeader(true, 257, 1, clen, s).Finish();
             },
             10, InflateStatus::RepeatWithoutPrevious, ""},
        Case{"RepeatPastLengths",
             [] {
                 Bytes clen(19, 0);
                 clen[18] = clen[1] = 1;
                 const LS s[] = {{18, 127}, {18, 127}};
                 return DeflateWriter().RawDynamicHeader(true, 257, 1, clen, s).Finish();
             },
             10, InflateStatus::RepeatPastLengths, ""},
        // A repeat may run from the literal lengths on into the distance lengths.
        Case{"RepeatAcrossLitAndDistanceLengths",
             [] {
                 Bytes clen(19, 0);
                 clen[18] = clen[1] = clen[2] = clen[16] = 2;
                 const LS s[] = {{18, 86}, {1}, {18, 127}, {18, 9}, {2}, {16, 2}};
                 Bytes lit(258, 0);
                 lit['a'] = 1;
                 lit[256] = lit[257] = 2;
                 DeflateWriter w;
                 w.RawDynamicHeader(true, 258, 4, clen, s).UseCodes(lit, Bytes{2, 2, 2, 2});
                 return w.Lit('a').Match(3, 1).Lit(256).Finish();
             },
             10, InflateStatus::Done, "aaaa"},
        // 286 and 287 may have codes (zlib refuses the header); decoding one fails.
        Case{"Hlit288",
             [] {
                 Bytes d(32, 0);
                 d[0] = d[1] = 1;
                 return DeflateWriter().DynamicHeader(true, Lit288(), d).Lit('a').Lit('a').Lit(256).Finish();
             },
             10, InflateStatus::Done, "aa"},
        Case{"DynamicLengthSymbol286",
             [] {
                 return DeflateWriter()
                     .DynamicHeader(true, Lit288(), kTwoDistances)
                     .Lit('a')
                     .Lit(286)
                     .Finish();
             },
             10, InflateStatus::BadLengthSymbol, "a"},
        // Capacity.
        Case{"MatchCutAtCapacity",
             [] { return Fixed(true, "a").FixedMatch(258, 1).FixedLitLen(256).Finish(); }, 100,
             InflateStatus::CutAtCapacity, k100a},
        Case{"LiteralsPastCapacity", [] { return Fixed(true, k100a + "a").FixedLitLen(256).Finish(); }, 100,
             InflateStatus::LiteralPastCapacity, k100a},
        Case{"MatchEndingAtCapacityEndsTheDecode",
             [] { return Fixed(true, "a").FixedMatch(9, 1).FixedLitLen('b').FixedLitLen(256).Finish(); }, 10,
             InflateStatus::CutAtCapacity, "aaaaaaaaaa"},
        Case{"MatchIntoFullOutput", [] { return Fixed(true, "ab").FixedMatch(3, 1).Finish(); }, 2,
             InflateStatus::CutAtCapacity, "ab"},
        Case{"LiteralsFillingCapacity", [] { return Fixed(true, "ab").FixedLitLen(256).Finish(); }, 2,
             InflateStatus::Done, "ab"},
        Case{"FewerBytesThanCapacity", [] { return Fixed(true, "a").FixedLitLen(256).Finish(); }, 50,
             InflateStatus::Done, "a"},
        Case{"ZeroCapacityMatch", [] { return Fixed(true, "").FixedMatch(3, 1).Finish(); }, 0,
             InflateStatus::DistanceTooFar, ""},
        // What is not checked.
        Case{"CorruptAdler", [] { return Fixed(true, "a").FixedLitLen(256).FinishWithTrailer(0xDEADBEEF); },
             10, InflateStatus::Done, "a"},
        Case{"GarbageHeader",
             [] {
                 DeflateWriter w(0xFF, 0xFF);
                 return w.Header(true, 1).FixedLitLen('a').FixedLitLen(256).Finish();
             },
             10, InflateStatus::Done, "a"},
        Case{"DataAfterFinalBlock",
             [] {
                 return Fixed(true, "a").FixedLitLen(256).Bytes(B("junk that is no deflate data")).Finish();
             },
             10, InflateStatus::Done, "a"},
        // The end-of-block code (seven zero bits) lies past the end of the input.
        Case{"MissingBitsReadAsZero", [] { return Fixed(true, "a").Finish(); }, 10, InflateStatus::Done,
             "a"}));

// The cases where zlib's own verdict differs, as the PNG decoder would meet them through uncompress.
int Uncompress(const Bytes& stream, size_t capacity) {
    Bytes out(capacity);
    uLongf len = capacity;
    return uncompress(out.data(), &len, stream.data(), stream.size());
}

uint32_t Adler(std::string_view s) {
    return static_cast<uint32_t>(
        adler32(1, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

TEST(InflateDifferencesFromZlib, EachIsDeliberate) {
    Bytes buffer(128);
    // A lone one-bit distance code: zlib takes it, the inflater wants every code complete.
    const Bytes lone = DeflateWriter()
                           .DynamicHeader(true, SmallLit(), Bytes{1})
                           .Lit('a')
                           .Lit(256)
                           .FinishWithTrailer(Adler("a"));
    EXPECT_EQ(Uncompress(lone, 10), Z_OK);
    EXPECT_FALSE(imaging::Inflate(lone, buffer.data(), 10));
    // Codes for literal/length symbols 286 and 287: zlib refuses the header.
    Bytes d(32, 0);
    d[0] = d[1] = 1;
    const Bytes wide =
        DeflateWriter().DynamicHeader(true, Lit288(), d).Lit('a').Lit(256).FinishWithTrailer(Adler("a"));
    EXPECT_EQ(Uncompress(wide, 10), Z_DATA_ERROR);
    EXPECT_TRUE(imaging::Inflate(wide, buffer.data(), 10));
    // More output than room through a match: zlib reports a full buffer, the inflater success.
    const Bytes longMatch =
        Fixed(true, "a").FixedMatch(258, 1).FixedLitLen(256).FinishWithTrailer(Adler(std::string(259, 'a')));
    EXPECT_EQ(Uncompress(longMatch, 100), Z_BUF_ERROR);
    EXPECT_TRUE(imaging::Inflate(longMatch, buffer.data(), 100));
    // No trailer and no end code: zlib wants more input.
    const Bytes cut = Fixed(true, "a").Finish();
    EXPECT_NE(Uncompress(cut, 10), Z_OK);
    EXPECT_TRUE(imaging::Inflate(cut, buffer.data(), 10));
}

} // namespace
