// The `pngdecode` tool: its command line, the PAM file it writes and its one-line failures, in process
// and as the program itself, with either inflater (and on Windows with GDI+ switched off).
#include "tests/imaging/png/PngWriter.h"
#include "tools/pngdecode/PngDecodeTool.h"

#include <gtest/gtest.h>

#include "tests/tools/ToolTestSupport.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tooltest::Bytes;

// The PAM file of the host pixels: R, G, B, A rows from the top.
Bytes Pam(const pngtest::PngLayout& layout, const Bytes& host) {
    const std::string header = "P7\nWIDTH " + std::to_string(layout.width) + "\nHEIGHT " +
                               std::to_string(layout.height) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes pam(header.begin(), header.end());
    for (int32_t y = 0; y < layout.height; ++y)
        for (int32_t x = 0; x < layout.width; ++x) {
            const uint8_t* p = &host[(static_cast<size_t>(layout.height - 1 - y) * layout.width + x) * 4];
            pam.insert(pam.end(), {p[2], p[1], p[0], p[3]});
        }
    return pam;
}

class PngDecodeTool : public tooltest::ToolFolderTest {
  protected:
    void SetUp() override {
        ToolFolderTest::SetUp();
        layout_.width = 7, layout_.height = 3, layout_.interlace = true;
        const auto samples = pngtest::MakeSamples(layout_, 9);
        png_ = Write(u8"图像.png", pngtest::WritePng(layout_, samples));
        expected_ = Pam(layout_, pngtest::ExpectedHost(layout_, samples));
    }
    int Run(std::vector<std::string> args) { return pngdecodetool::RunPngDecodeTool(args, message_); }

    pngtest::PngLayout layout_;
    std::string png_;
    Bytes expected_;
    std::string message_;
};

TEST_F(PngDecodeTool, WritesThePremultipliedPixelsTopRowFirst) {
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--no-gdiplus"},
                                                    {"--no-gdiplus", "--inflater=zlib"},
                                                    {"--inflater=builtin", "--no-gdiplus"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {png_, Path(u8"输出.pam")});
        EXPECT_EQ(Run(args), 0) << message_;
        EXPECT_EQ(message_, "");
        EXPECT_EQ(Read(u8"输出.pam"), expected_);
    }
    // GDI+ first, where there is one.
    EXPECT_EQ(Run({png_, Path(u8"gdiplus.pam")}), 0) << message_;
    const size_t header = expected_.size() - static_cast<size_t>(layout_.width) * layout_.height * 4;
    // GDI+ (Windows only) may round where the parser truncates.
    EXPECT_TRUE(pngtest::SameWithRounding(Read(u8"gdiplus.pam"), expected_, header));
}

TEST_F(PngDecodeTool, FailsWithOneLineNamingTheReason) {
    Bytes bad = pngtest::WritePng(layout_, pngtest::MakeSamples(layout_, 9));
    bad[8 + 8 + 13] ^= 1; // the IHDR checksum: checked with zlib only
    const std::string badCrc = Write(u8"crc.png", bad);
    const std::string text = Write(u8"text.png", Bytes(100, 'x'));
    const std::string out = Path(u8"out.pam");
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{text, out}, "not a PNG"},
        {{"--inflater=zlib", "--no-gdiplus", badCrc, out}, "IHDR checksum"},
        {{Path(u8"missing.png"), out}, "cannot open"},
        {{png_, Path(u8"no-such-folder/out.pam")}, "cannot create"},
        {{png_}, "usage"},
        {{"--inflater=gzip", png_, out}, "unknown option"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 1);
        EXPECT_TRUE(message_.starts_with("pngdecode: ")) << message_;
        EXPECT_NE(message_.find(c.reason), std::string::npos) << message_;
        EXPECT_EQ(message_.find('\n'), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir_ / "out.pam"));
    // Without zlib nothing is checked.
    EXPECT_EQ(Run({"--inflater=builtin", "--no-gdiplus", badCrc, out}), 0) << message_;
}

int RunProgram(const std::string& args) {
    return tooltest::RunToolProgram("pngdecode", PELMOR_PNGDECODE_TOOL_PATH, args);
}

TEST_F(PngDecodeTool, TheProgram) {
    EXPECT_EQ(RunProgram("--inflater=builtin --no-gdiplus \"" + png_ + "\" \"" + Path(u8"程序.pam") + "\""),
              0);
    EXPECT_EQ(Read(u8"程序.pam"), expected_);
    const std::string text = Write(u8"text.png", Bytes(100, 'x'));
    EXPECT_EQ(RunProgram("\"" + text + "\" \"" + Path(u8"out.pam") + "\""), 1);
}

} // namespace
