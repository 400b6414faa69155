#include "imaging/cdecl/CodeProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using imaging::CallConvention;
using imaging::ModuleImage;
using imaging::ProbeCrc32Convention;
using imaging::ScanForReturn;

constexpr uint64_t kBase = 0x63080000;
constexpr uint32_t kText = 0x1000; // executable, 0x800 bytes
constexpr uint32_t kData = 0x2000; // data, 0x100 bytes

void Put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

void Put16(std::vector<uint8_t>& v, std::size_t at, uint16_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

// A mapped image with headers, one code section and one data section, filled with int3.
struct FakeModule {
    explicit FakeModule(uint16_t machine) : bytes(0x3000, 0xCC) {
        std::fill(bytes.begin(), bytes.begin() + 0x400, uint8_t{0});
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Put32(bytes, 0x3C, 0x80);
        Put32(bytes, 0x80, 0x00004550);
        Put16(bytes, 0x84, machine);
        Put16(bytes, 0x86, 2);
        Put16(bytes, 0x94, 0xE0); // optional header size
        const std::size_t table = 0x80 + 24 + 0xE0;
        Section(table, kText, 0x800, 0x60000020);
        Section(table + 40, kData, 0x100, 0xC0000040);
    }
    void Section(std::size_t at, uint32_t rva, uint32_t size, uint32_t flags) {
        Put32(bytes, at + 8, size);
        Put32(bytes, at + 12, rva);
        Put32(bytes, at + 16, size);
        Put32(bytes, at + 36, flags);
    }
    void Code(uint32_t rva, std::initializer_list<uint8_t> code) {
        std::copy(code.begin(), code.end(), &bytes[rva]);
    }
    ModuleImage Image() const { return ModuleImage(bytes, kBase); }

    std::vector<uint8_t> bytes;
};

struct ScanCase {
    const char* name;
    std::vector<uint8_t> code;
    int want; // 0 none, 1 cdecl, 2 stdcall
};

class ScanTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanTable, FindsTheFirstReturn) {
    const ScanCase& c = GetParam();
    const auto got = ScanForReturn(c.code);
    const int g = !got ? 0 : *got == CallConvention::Cdecl ? 1 : 2;
    EXPECT_EQ(g, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanTable,
    ::testing::Values(ScanCase{"RetTwelve", {0x55, 0x8B, 0xEC, 0x5D, 0xC2, 0x0C, 0x00}, 2},
                      ScanCase{"PlainRet", {0x55, 0x8B, 0xEC, 0x5D, 0xC3}, 1},
                      ScanCase{"RetAtEntry", {0xC3}, 1},
                      ScanCase{"XorEaxEbxIsNoReturn", {0x33, 0xC3, 0x90, 0xC2, 0x0C, 0x00}, 2},
                      ScanCase{"OtherRetImmIsSkipped", {0xC2, 0x08, 0x00, 0x90, 0xC3}, 1},
                      ScanCase{"RetTwelveWithHighByteIsSkipped", {0xC2, 0x0C, 0x01, 0xC3}, 1},
                      ScanCase{"TruncatedRetImmIsNothing", {0x90, 0xC2, 0x0C}, 0},
                      ScanCase{"NoReturnAtAll", {0x90, 0x90, 0x33, 0xC3}, 0}),
    [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(CodeProbe, FollowsTheEntryJumpBeforeScanning) {
    FakeModule m(ModuleImage::kMachineI386);
    // jmp +0xC3: the jump's own bytes hold a C3 that a scan from the entry would take for "ret".
    m.Code(kText, {0xE9, 0xC3, 0x00, 0x00, 0x00});
    m.Code(kText + 5 + 0xC3, {0x55, 0x8B, 0xEC, 0x5D, 0xC2, 0x0C, 0x00});
    const ModuleImage image = m.Image();
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(image.FollowJumps(kText), kText + 5 + 0xC3);
    EXPECT_EQ(ProbeCrc32Convention(image, kText), CallConvention::Stdcall);
}

TEST(CodeProbe, FollowsShortJumpsAndPointerSlots) {
    FakeModule m(ModuleImage::kMachineI386);
    // jmp short -> jmp [absolute slot in .data] -> body ending in ret.
    m.Code(kText, {0xEB, 0x0E});
    m.Code(kText + 0x10, {0xFF, 0x25});
    Put32(m.bytes, kText + 0x12, static_cast<uint32_t>(kBase + kData + 8));
    Put32(m.bytes, kData + 8, static_cast<uint32_t>(kBase + kText + 0x200));
    m.Code(kText + 0x200, {0x31, 0xC0, 0xC3});
    EXPECT_EQ(m.Image().FollowJumps(kText), kText + 0x200);
    EXPECT_EQ(ProbeCrc32Convention(m.Image(), kText), CallConvention::Cdecl);
}

TEST(CodeProbe, PointerSlotsAreRelativeOnX64) {
    FakeModule m(ModuleImage::kMachineAmd64);
    m.Code(kText, {0xFF, 0x25});
    Put32(m.bytes, kText + 2, kData - (kText + 6));
    Put32(m.bytes, kData, static_cast<uint32_t>(kBase + kText + 0x300));
    Put32(m.bytes, kData + 4, static_cast<uint32_t>((kBase + kText + 0x300) >> 32));
    EXPECT_EQ(m.Image().FollowJumps(kText), kText + 0x300);
}

TEST(CodeProbe, X64HasOneConventionAndIsNotScanned) {
    FakeModule m(ModuleImage::kMachineAmd64);
    m.Code(kText, {0xC2, 0x0C, 0x00});
    EXPECT_EQ(ProbeCrc32Convention(m.Image(), kText), CallConvention::Cdecl);
}

TEST(CodeProbe, JumpsLeavingCodeAreNotFollowed) {
    FakeModule m(ModuleImage::kMachineI386);
    struct Case {
        const char* name;
        std::initializer_list<uint8_t> code;
    };
    const Case cases[] = {
        {"past the image", {0xE9, 0x00, 0x00, 0x10, 0x00}},
        {"before the image", {0xE9, 0x00, 0xF0, 0xFF, 0xFF}},
        {"into data", {0xE9, 0xFB, 0x0F, 0x00, 0x00}},
        {"to itself", {0xEB, 0xFE}},
        {"slot outside", {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        m.Code(kText, c.code);
        EXPECT_EQ(m.Image().FollowJumps(kText), std::nullopt) << c.name;
        // Nothing to scan: taken as zlib's default.
        EXPECT_EQ(ProbeCrc32Convention(m.Image(), kText), CallConvention::Cdecl) << c.name;
    }
}

TEST(CodeProbe, ScanStopsAtTheEndOfTheCodeSection) {
    FakeModule m(ModuleImage::kMachineI386);
    std::fill(&m.bytes[kText], &m.bytes[kText + 0x800], uint8_t{0x90});
    // "C2 0C" ends the section; the 00 after it belongs to no code.
    m.Code(kText + 0x7FE, {0xC2, 0x0C});
    m.bytes[kText + 0x800] = 0x00;
    EXPECT_EQ(m.Image().CodeFrom(kText + 0x7FE).size(), 2u);
    EXPECT_EQ(ScanForReturn(m.Image().CodeFrom(kText)), std::nullopt);
    EXPECT_TRUE(m.Image().CodeFrom(kData).empty());
}

TEST(CodeProbe, MalformedHeadersGiveNoImage) {
    FakeModule m(ModuleImage::kMachineI386);
    m.Code(kText, {0xC2, 0x0C, 0x00});
    std::vector<std::vector<uint8_t>> broken(4, m.bytes);
    broken[0][0] = 'X';
    Put32(broken[1], 0x3C, 0xFFFFFFF0);
    Put16(broken[2], 0x86, 0xFFFF); // more sections than the image holds
    broken[3].resize(0x100);        // section table cut off
    for (const auto& b : broken) {
        const ModuleImage image(b, kBase);
        EXPECT_FALSE(image.Valid());
        EXPECT_TRUE(image.CodeFrom(kText).empty());
        EXPECT_EQ(ProbeCrc32Convention(image, kText), CallConvention::Cdecl);
    }
}

} // namespace
