// The decoder against Debian's libpng: generated files of every colour type, depth and interlace, with
// and without tRNS, odd sizes, every filter, split and empty IDAT chunks with chunks between them; and
// the PNG files Debian packages installed on the machine. Every route (zlib or the built-in inflater,
// fast or plain code) must give libpng's pixels, premultiplied, exactly.
#include "tests/imaging/png/LibpngOracle.h"
#include "tests/imaging/png/PngTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pngtest {
namespace {

using imaging::png::PngStatus;

struct Combo {
    uint8_t colour;
    uint8_t depth;
    bool interlace;
    bool trns;
};

std::string ComboName(const testing::TestParamInfo<Combo>& info) {
    const Combo& c = info.param;
    return "c" + std::to_string(c.colour) + "d" + std::to_string(c.depth) + (c.interlace ? "_adam7" : "") +
           (c.trns ? "_trns" : "");
}

std::vector<Combo> AllCombos() {
    const std::pair<uint8_t, std::vector<uint8_t>> allowed[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    std::vector<Combo> out;
    for (const auto& [colour, depths] : allowed)
        for (uint8_t d : depths)
            for (bool interlace : {false, true})
                for (bool trns : {false, true})
                    if (!trns || colour == 0 || colour == 2 || colour == 3)
                        out.push_back({colour, d, interlace, trns});
    return out;
}

PngLayout MakeLayout(const Combo& c, int32_t width, int32_t height, int variant) {
    PngLayout s;
    s.width = width;
    s.height = height;
    s.colourType = c.colour;
    s.bitDepth = c.depth;
    s.interlace = c.interlace;
    // The five filters in turn, or one of them for every row (first rows then read a zero row above).
    s.filter = variant % 6 - 1;
    s.idatSplit = variant % 3 == 0 ? 0 : variant % 3 == 1 ? 5 : 64;
    s.emptyIdat = variant % 2 == 1;
    s.ancillary = variant % 3 != 0;
    const uint32_t top = (1u << c.depth) - 1;
    if (c.colour == 3)
        s.palette = MakePalette(variant % 2 ? static_cast<int>(top) + 1 : std::min(5u, top + 1), variant);
    if (c.trns) {
        if (c.colour == 3) {
            const size_t entries = std::min<size_t>(3, s.palette.size() / 3);
            s.trns = {0, 128, 255};
            s.trns.resize(entries);
        } else {
            const uint16_t v = static_cast<uint16_t>((variant * 2654435761u) & top);
            for (int ch = 0; ch < (c.colour == 2 ? 3 : 1); ++ch) {
                const uint16_t k = static_cast<uint16_t>((v + ch * 77) & top);
                s.trns.push_back(static_cast<uint8_t>(k >> 8));
                s.trns.push_back(static_cast<uint8_t>(k));
            }
        }
    }
    return s;
}

class GeneratedPng : public testing::TestWithParam<Combo> {};

TEST_P(GeneratedPng, MatchesLibpngOnEveryRoute) {
    const Combo combo = GetParam();
    int variant = 0;
    for (int32_t width : {1, 2, 3, 7, 9, 33}) {
        for (int32_t height : {1, 4, 11}) {
            const PngLayout layout = MakeLayout(combo, width, height, variant);
            const std::vector<uint16_t> samples = MakeSamples(layout, 1000u + variant);
            const std::vector<uint8_t> png = WritePng(layout, samples);
            ++variant;
            // libpng wants the IDAT chunks side by side: it reads the same image without the chunks between.
            PngLayout plain = layout;
            plain.ancillary = false;
            std::string why;
            const auto oracle = LibpngDecode(WritePng(plain, samples), &why);
            ASSERT_TRUE(oracle) << why;
            const std::vector<uint8_t> expected = ToHostLayout(*oracle);
            // The generator's own expectation, which the Windows tests use, agrees with libpng.
            ASSERT_EQ(ExpectedHost(layout, samples), expected);
            for (const Route& route : kRoutes) {
                SCOPED_TRACE(RouteName(route) + " " + std::to_string(width) + "x" + std::to_string(height) +
                             " filter " + std::to_string(layout.filter));
                const Decoded d = Decode(png, route);
                ASSERT_EQ(d.status, PngStatus::Ok) << imaging::png::PngStatusText(d.status);
                ASSERT_EQ(d.image.width, width);
                ASSERT_EQ(d.image.height, height);
                ASSERT_EQ(d.image.bits, expected);
                EXPECT_EQ(d.image.alpha, oracle->hasTransparency);
                EXPECT_EQ(d.image.imageType, 10);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, GeneratedPng, testing::ValuesIn(AllCombos()), ComboName);

std::vector<std::filesystem::path> DebianPngs(size_t most) {
    std::vector<std::filesystem::path> found;
    for (const char* root : {"/usr/share/icons", "/usr/share/pixmaps", "/usr/share/doc", "/usr/share/info"}) {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_regular_file() && it->path().extension() == ".png") found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    // An even spread over what is installed.
    std::vector<std::filesystem::path> picked;
    const size_t step = std::max<size_t>(1, found.size() / most);
    for (size_t i = 0; i < found.size(); i += step)
        picked.push_back(found[i]);
    return picked;
}

TEST(DebianPng, InstalledFilesMatchLibpng) {
    const auto files = DebianPngs(120);
    if (files.empty()) GTEST_SKIP() << "no PNG files installed";
    int compared = 0;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
        const auto oracle = LibpngDecode(png);
        if (!oracle) continue;
        const std::vector<uint8_t> expected = ToHostLayout(*oracle);
        for (const Route& route : {kRoutes[0], kRoutes[1]}) {
            const Decoded d = Decode(png, route);
            ASSERT_EQ(d.status, PngStatus::Ok) << file << " " << RouteName(route);
            ASSERT_EQ(d.image.bits, expected) << file << " " << RouteName(route);
        }
        ++compared;
    }
    EXPECT_GT(compared, 0);
    RecordProperty("compared", compared);
}

} // namespace
} // namespace pngtest
