// cPNGparser under Wine: files and streams through GDI+, through zlib1.dll (GDI+ switched off) and
// through the built-in inflater (both switched off), all giving the pixels the samples call for; the
// signature and size rules of the two entry points; checksums verified only with zlib; errors raised.
#include "imaging/dib/cPNGparser.h"

#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/dib/ModAPI.h"
#include "imaging/dib/c32bppDIB.h"
#include "runtime/Handles.h"
#include "runtime/RtError.h"
#include "tests/imaging/dib/DibTestImages.h"
#include "tests/imaging/png/PngWriter.h"
#include "tests/support/RaisedError.h"
#include "tests/support/ScratchFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using imaging::c32bppDIB;
using imaging::cPNGparser;
using imaging_test::Memory;
using pngtest::PngLayout;
using Decoder = cPNGparser::Decoder;
using testsupport::RaisedError;

const testsupport::ScratchFolder scratch(L"pelmor-parser");

// GDI+ and zlib on or off by their configured library names.
struct Libraries {
    bool gdiplus;
    bool zlib;
    Decoder expected;
    const char* name;
};
constexpr Libraries kWays[] = {
    {true, true, Decoder::GdiPlus, "gdiplus"},
    {false, true, Decoder::Zlib, "zlib1"},
    {false, false, Decoder::BuiltIn, "builtin"},
};

class ParserTest : public testing::Test {
  protected:
    ~ParserTest() override { Use(kWays[0]); }
    void Use(const Libraries& w) {
        imaging::gdip::SetLibraryName(w.gdiplus ? L"gdiplus.dll" : L"pelmor-absent-gdiplus.dll");
        imaging::ModAPI::SetZlibCandidates(
            w.zlib ? savedZlib_
                   : std::vector<imaging::ModAPI::ZlibCandidate>{{L"pelmor-absent-zlib1.dll", 2},
                                                                 {L"pelmor-absent-zlib.dll", 1}});
    }
    bool LoadFile(const std::wstring& path, c32bppDIB& d, cPNGparser& p) {
        const rt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(f);
        return p.LoadFile(f.get(), path, d, 0);
    }
    std::vector<imaging::ModAPI::ZlibCandidate> savedZlib_ = imaging::ModAPI::ZlibCandidates();
};

struct Sample {
    const char* name;
    PngLayout layout;
};

std::vector<Sample> Samples() {
    std::vector<Sample> out;
    PngLayout rgba;
    rgba.width = 33, rgba.height = 9;
    out.push_back({"rgba", rgba});
    PngLayout rgb = rgba;
    rgb.colourType = 2, rgb.interlace = true, rgb.idatSplit = 50, rgb.ancillary = false;
    rgb.trns = {0, 7, 0, 9, 0, 11};
    out.push_back({"rgb_key_adam7", rgb});
    PngLayout indexed;
    indexed.width = 7, indexed.height = 5, indexed.colourType = 3, indexed.bitDepth = 4;
    indexed.palette = pngtest::MakePalette(16, 3);
    indexed.trns = {0, 255, 80};
    out.push_back({"indexed4_trns", indexed});
    PngLayout gray16;
    gray16.width = 9, gray16.height = 3, gray16.colourType = 0, gray16.bitDepth = 16, gray16.zlibLevel = 0;
    out.push_back({"gray16_stored", gray16});
    return out;
}

TEST_F(ParserTest, FilesAndStreamsGiveTheSamePixelsEveryWay) {
    for (const Sample& s : Samples()) {
        const auto samples = pngtest::MakeSamples(s.layout, 11);
        const std::vector<uint8_t> png = pngtest::WritePng(s.layout, samples);
        const std::vector<uint8_t> expected = pngtest::ExpectedHost(s.layout, samples);
        const std::wstring path = scratch.File(L"行情-parser.png");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, png));
        // A stream that is part of a larger array.
        std::vector<uint8_t> padded(png.size() + 8, 0xEE);
        std::copy(png.begin(), png.end(), padded.begin() + 5);
        for (const Libraries& w : kWays) {
            SCOPED_TRACE(std::string(s.name) + " " + w.name);
            Use(w);
            for (const bool stream : {false, true}) {
                c32bppDIB d;
                cPNGparser p;
                const bool png = stream
                                     ? p.LoadStream(padded, d, 5, static_cast<int32_t>(padded.size() - 8), 0)
                                     : LoadFile(path, d, p);
                EXPECT_TRUE(png);
                EXPECT_EQ(p.LastDecoder(), w.expected) << (stream ? "stream" : "file");
                EXPECT_EQ(d.ImageType(), imaging::kImageDecoded);
                EXPECT_EQ(d.Width(), s.layout.width);
                EXPECT_EQ(d.Height(), s.layout.height);
                // GDI+ decides Alpha by its own pixel format; the parser by the colour type and tRNS.
                if (w.expected != Decoder::GdiPlus) {
                    EXPECT_EQ(d.Alpha(), s.layout.colourType == 6 || !s.layout.trns.empty());
                }
                if (w.expected == Decoder::GdiPlus)
                    EXPECT_TRUE(pngtest::SameWithRounding(Memory(d).bytes, expected))
                        << (stream ? "stream" : "file");
                else
                    EXPECT_EQ(Memory(d).bytes, expected) << (stream ? "stream" : "file");
            }
        }
        ::DeleteFileW(path.c_str());
    }
}

TEST_F(ParserTest, SignatureDecidesFromFiftySevenBytesOn) {
    std::vector<uint8_t> signed57 = pngtest::Signature();
    signed57.resize(57, 1);
    std::vector<uint8_t> unsigned57(57, 1);
    std::vector<uint8_t> signed56 = signed57;
    signed56.resize(56);
    // A 1 x 1 GIF of 43 bytes: small files go to GDI+ without the signature test.
    const std::vector<uint8_t> gif = {'G', 'I',  'F',  '8',  '9',  'a',  1, 0, 1, 0,    0x80, 0, 0,    0, 0,
                                      0,   0xFF, 0xFF, 0xFF, 0x21, 0xF9, 4, 1, 0, 0,    0,    0, 0x2C, 0, 0,
                                      0,   0,    1,    0,    1,    0,    0, 2, 2, 0x44, 1,    0, 0x3B};
    const std::wstring path = scratch.File(L"pelmor-parser-small.bin");
    struct {
        const std::vector<uint8_t>* bytes;
        bool gdiplus;
        bool result;
        bool image;
    } cases[] = {{&signed57, true, true, false},
                 {&unsigned57, true, false, false},
                 {&signed56, true, false, false},
                 {&gif, true, true, true},
                 {&gif, false, false, false}};
    for (const auto& c : cases) {
        Use(c.gdiplus ? kWays[0] : kWays[1]);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, *c.bytes));
        c32bppDIB d;
        cPNGparser p;
        EXPECT_EQ(LoadFile(path, d, p), c.result) << c.bytes->size() << (c.gdiplus ? " gdiplus" : "");
        EXPECT_EQ(d.Handle() != nullptr, c.image) << c.bytes->size();
    }
    ::DeleteFileW(path.c_str());
}

TEST_F(ParserTest, ChecksumsAreVerifiedOnlyWithZlib) {
    PngLayout layout;
    layout.width = 3, layout.height = 2;
    const auto samples = pngtest::MakeSamples(layout, 5);
    std::vector<uint8_t> png = pngtest::WritePng(layout, samples);
    png[8 + 8 + 13 + 3] ^= 0x40; // the IHDR checksum
    for (const Libraries& w : {kWays[1], kWays[2]}) {
        Use(w);
        c32bppDIB d;
        cPNGparser p;
        EXPECT_TRUE(p.LoadStream(png, d, 0, static_cast<int32_t>(png.size()), 0)) << w.name;
        if (w.zlib) {
            EXPECT_EQ(d.Handle(), nullptr);
            EXPECT_EQ(p.LastStatus(), imaging::png::PngStatus::HeaderCrc);
        } else {
            EXPECT_EQ(Memory(d).bytes, pngtest::ExpectedHost(layout, samples));
        }
    }
}

TEST_F(ParserTest, RaisesForOverflowAndForBytesOutsideTheArray) {
    Use(kWays[1]);
    std::vector<uint8_t> png = pngtest::Signature();
    pngtest::Append(png, pngtest::Chunk("IHDR", pngtest::HeaderBody(1, 1, 8, 2, 0)));
    pngtest::Append(png, {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          0,    0,    0,    0,    0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    c32bppDIB d;
    cPNGparser p;
    EXPECT_EQ(RaisedError([&] { p.LoadStream(png, d, 0, static_cast<int32_t>(png.size()), 0); }),
              rt::kErrOverflow);
    EXPECT_EQ(d.Handle(), nullptr);
    EXPECT_EQ(RaisedError([&] { p.LoadStream(png, d, 4, static_cast<int32_t>(png.size()), 0); }),
              rt::kErrSubscript);
    EXPECT_EQ(RaisedError([&] { p.LoadStream(png, d, -1, 8, 0); }), rt::kErrSubscript);
    EXPECT_EQ(RaisedError([&] { p.LoadStream(png, d, 0, 5, 0); }), rt::kErrSubscript);
}

} // namespace
