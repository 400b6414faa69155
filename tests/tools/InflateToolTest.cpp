// The `inflate` tool: its command line, its files and its two engines (zlib linked on the host, zlib1.dll
// through cCDECL on Windows), in process and as the program itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/imaging/inflate/DeflateWriter.h"
#include "tests/tools/ToolTestSupport.h"
#include "tools/inflate/InflateTool.h"

namespace {

namespace fs = std::filesystem;
using testdeflate::DeflateWriter;
using tooltest::Bytes;

const std::string kText = "hello, hello world";

Bytes TextBytes() {
    return Bytes(kText.begin(), kText.end());
}

// A stored block and a fixed block with a match, and the right trailer.
Bytes Stream(uint32_t adler) {
    DeflateWriter w;
    w.Stored(false, Bytes(kText.begin(), kText.begin() + 7)).Header(true, 1);
    w.FixedMatch(5, 7);
    for (const char c : kText.substr(12))
        w.FixedLitLen(static_cast<uint8_t>(c));
    return w.FixedLitLen(256).FinishWithTrailer(adler);
}

class InflateTool : public tooltest::ToolFolderTest {
  protected:
    int Run(std::vector<std::string> args) { return inflatetool::RunInflateTool(args, message_); }

    std::string message_;
};

class InflateToolEngines : public InflateTool, public ::testing::WithParamInterface<const char*> {
  protected:
    std::string Engine() const { return std::string("--engine=") + GetParam(); }
};

TEST_P(InflateToolEngines, WritesExactlyTheBytesProduced) {
    const std::string in = Write(u8"输入.z", Stream(testdeflate::Adler32(TextBytes())));
    EXPECT_EQ(Run({Engine(), "100", in, Path(u8"输出.bin")}), 0) << message_;
    EXPECT_EQ(message_, "");
    EXPECT_EQ(Read(u8"输出.bin"), TextBytes());
}

TEST_P(InflateToolEngines, FailsWithOneLine) {
    const std::string good = Write(u8"good.z", Stream(testdeflate::Adler32(TextBytes())));
    const std::string bad = Write(u8"bad.z", DeflateWriter().Header(true, 3).FinishWithTrailer(1));
    // Room for the match but not for the literals after it.
    for (const auto& args : {std::vector<std::string>{Engine(), "14", good, Path(u8"out")},
                             std::vector<std::string>{Engine(), "100", bad, Path(u8"out")}}) {
        EXPECT_EQ(Run(args), 1);
        EXPECT_TRUE(message_.starts_with("inflate: ")) << message_;
        EXPECT_EQ(message_.find('\n'), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir_ / "out"));
}

INSTANTIATE_TEST_SUITE_P(Engines, InflateToolEngines, ::testing::Values("builtin", "zlib"));

TEST_F(InflateTool, DefaultEngineIsTheBuiltinOneWhichIgnoresTheTrailer) {
    const std::string in = Write(u8"in.z", Stream(0xDEADBEEF));
    EXPECT_EQ(Run({"100", in, Path(u8"out")}), 0) << message_;
    EXPECT_EQ(Read(u8"out"), TextBytes());
    EXPECT_EQ(Run({"--engine=zlib", "100", in, Path(u8"out2")}), 1);
}

TEST_F(InflateTool, BadCommandLines) {
    const std::string in = Write(u8"in.z", Stream(testdeflate::Adler32(TextBytes())));
    const std::string out = Path(u8"out");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"100", in},
        {"--engine=zlib", "100", in},
        {"100", in, out, "extra"},
        {"--engine=gzip", "100", in, out},
        {"12x", in, out},
        {"-1", in, out},
        {"", in, out},
        {"99999999999999999999", in, out},
        {"4294967296", in, out},
        {"100", Path(u8"missing.z"), out},
        {"100", in, Path(u8"no-such-folder/out")},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 1);
        EXPECT_TRUE(message_.starts_with("inflate: ")) << message_;
    }
}

// The program itself: exit codes and the file.
int RunProgram(const std::string& args) {
    return tooltest::RunToolProgram("inflate", PELMOR_INFLATE_TOOL_PATH, args);
}

TEST_F(InflateTool, TheProgram) {
    const std::string in = Write(u8"in.z", Stream(testdeflate::Adler32(TextBytes())));
    EXPECT_EQ(RunProgram("--engine=zlib 100 \"" + in + "\" \"" + Path(u8"程序.bin") + "\""), 0);
    EXPECT_EQ(Read(u8"程序.bin"), TextBytes());
    EXPECT_EQ(RunProgram("5 \"" + in + "\" \"" + Path(u8"short.bin") + "\""), 1);
}

} // namespace
