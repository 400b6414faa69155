// The `pngdecode` tool: its command line, the PAM file it writes and its one-line failures, in process
// and as the program itself, with either inflater (and on Windows with GDI+ switched off).
#include "PngDecodeTool.h"
#include "PngWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include "Handles.h"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

std::string Utf8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// The PAM file of the host pixels: R, G, B, A rows from the top.
Bytes Pam(const pngtest::PngSpec& spec, const Bytes& host) {
    const std::string header = "P7\nWIDTH " + std::to_string(spec.width) + "\nHEIGHT " + std::to_string(spec.height) +
                               "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes pam(header.begin(), header.end());
    for (int32_t y = 0; y < spec.height; ++y)
        for (int32_t x = 0; x < spec.width; ++x) {
            const uint8_t* p = &host[(static_cast<size_t>(spec.height - 1 - y) * spec.width + x) * 4];
            pam.insert(pam.end(), {p[2], p[1], p[0], p[3]});
        }
    return pam;
}

class PngDecodeTool : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pelmor-pngdecode-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        spec_.width = 7, spec_.height = 3, spec_.interlace = true;
        const auto samples = pngtest::MakeSamples(spec_, 9);
        png_ = Write(u8"图像.png", pngtest::WritePng(spec_, samples));
        expected_ = Pam(spec_, pngtest::ExpectedHost(spec_, samples));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const char8_t* name, const Bytes& bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return Utf8(dir_ / name);
    }
    std::string Path(const char8_t* name) const { return Utf8(dir_ / name); }
    Bytes Read(const char8_t* name) const {
        std::ifstream f(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    int Run(std::vector<std::string> args) { return pngdecodetool::RunPngDecodeTool(args, message_); }

    fs::path dir_;
    pngtest::PngSpec spec_;
    std::string png_;
    Bytes expected_;
    std::string message_;
};

// GDI+ (Windows only) rounds where the parser truncates: colours of partly transparent pixels may be
// one higher.
bool SameWithRounding(const Bytes& actual, const Bytes& expected, size_t headerBytes) {
    if (actual.size() != expected.size()) return false;
    for (size_t i = 0; i < actual.size(); ++i) {
        const size_t k = i - headerBytes;
        const uint8_t alpha = i < headerBytes ? 0 : expected[headerBytes + (k | 3)];
        const bool partial = i >= headerBytes && k % 4 != 3 && alpha != 0 && alpha != 255;
        if (actual[i] != expected[i] && !(partial && actual[i] == expected[i] + 1)) return false;
    }
    return true;
}

TEST_F(PngDecodeTool, WritesThePremultipliedPixelsTopRowFirst) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--no-gdiplus"}, {"--no-gdiplus", "--inflater=zlib"},
          {"--inflater=builtin", "--no-gdiplus"}}) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {png_, Path(u8"输出.pam")});
        EXPECT_EQ(Run(args), 0) << message_;
        EXPECT_EQ(message_, "");
        EXPECT_EQ(Read(u8"输出.pam"), expected_);
    }
    // GDI+ first, where there is one.
    EXPECT_EQ(Run({png_, Path(u8"gdiplus.pam")}), 0) << message_;
    const size_t header = expected_.size() - static_cast<size_t>(spec_.width) * spec_.height * 4;
    EXPECT_TRUE(SameWithRounding(Read(u8"gdiplus.pam"), expected_, header));
}

TEST_F(PngDecodeTool, FailsWithOneLineNamingTheReason) {
    Bytes bad = pngtest::WritePng(spec_, pngtest::MakeSamples(spec_, 9));
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
#if defined(_WIN32)
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path tool = fs::path(self).parent_path().parent_path() / L"tools-bin" / L"pngdecode.exe";
    std::wstring command = L"\"" + tool.wstring() + L"\" " + fs::path(std::u8string(args.begin(), args.end())).wstring();
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return -1;
    const rt::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
#else
    const int status = std::system((std::string(PELMOR_PNGDECODE_TOOL) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST_F(PngDecodeTool, TheProgram) {
    EXPECT_EQ(RunProgram("--inflater=builtin --no-gdiplus \"" + png_ + "\" \"" + Path(u8"程序.pam") + "\""), 0);
    EXPECT_EQ(Read(u8"程序.pam"), expected_);
    const std::string text = Write(u8"text.png", Bytes(100, 'x'));
    EXPECT_EQ(RunProgram("\"" + text + "\" \"" + Path(u8"out.pam") + "\""), 1);
}

} // namespace
