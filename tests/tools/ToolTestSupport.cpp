#include "ToolTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#if defined(_WIN32)
#include <windows.h>

#include "Handles.h"
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
    std::wstring command =
        L"\"" + tool.wstring() + L"\" " + fs::path(std::u8string(args.begin(), args.end())).wstring();
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &si, &pi))
        return -1;
    const rt::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    if (::WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
#else
    (void)name;
    const int status = std::system((std::string(nativePath) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

} // namespace tooltest
