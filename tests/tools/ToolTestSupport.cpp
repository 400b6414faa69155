#include "tests/tools/ToolTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#if defined(_WIN32)
#include <windows.h>

#include "tests/support/ProgramRunner.h"
#else
#include <sys/wait.h>
#endif

namespace tooltest {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

void ToolFolderTest::SetUp() {
    dir_ = fs::temp_directory_path() / ("pelmor-tool-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
}

void ToolFolderTest::TearDown() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string ToolFolderTest::Write(const char8_t* name, const Bytes& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return Utf8(dir_ / name);
}

Bytes ToolFolderTest::Read(const char8_t* name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

int RunToolProgram(const char* name, const char* nativePath, const std::string& args) {
#if defined(_WIN32)
    (void)nativePath;
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path tool =
        fs::path(self).parent_path().parent_path() / L"tools-bin" / (std::string(name) + ".exe");
    // The runner ends a tool that hangs when it goes.
    testsupport::ProgramRunner runner;
    if (!runner.Start(tool.wstring(), fs::path(std::u8string(args.begin(), args.end())).wstring(),
                      CREATE_NO_WINDOW))
        return -1;
    return runner.WaitForExit(30000);
#else
    (void)name;
    const int status = std::system((std::string(nativePath) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

} // namespace tooltest
