#include "runtime/App.h"

#include "runtime/Handles.h"
#include "resources/resource_names.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/ScratchFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::wstring ModulePath() {
    wchar_t buf[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
    return buf;
}

struct TailCase {
    const char* name;
    std::wstring line;
    std::wstring tail;
};

void PrintTo(const TailCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(CommandTailTest, DropsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_EQ(rt::CommandTail(GetParam().line), GetParam().tail);
}

const TailCase kTailCases[] = {
    {"QuotedWithBlanks", LR"("C:\Program Files\Pelmor\update.exe" /silent)", L"/silent"},
    {"Unquoted", LR"(C:\Pelmor\update.exe /silent)", L"/silent"},
    {"UnquotedAlone", L"update.exe", L""},
    {"QuotedAlone", LR"("C:\a b\x.exe")", L""},
    {"QuotedThenBlanksOnly", LR"("C:\a b\x.exe"   )", L""},
    {"Empty", L"", L""},
    {"ChineseProgramAndArguments", LR"("D:\行情\Pelmor免费行情分析系统.exe" 600000 上证指数)",
     L"600000 上证指数"},
    {"InnerAndTrailingBlanksKept", L"prog.exe   多个   空格  ", L"多个   空格  "},
    {"QuotedArgumentKept", LR"(update.exe "C:\目录\文件.txt" 参数)", LR"("C:\目录\文件.txt" 参数)"},
    {"ArgumentRightAfterClosingQuote", LR"("C:\路径\程序.exe"参数)", L"参数"},
    {"UnterminatedQuote", LR"("C:\no end\prog.exe arg)", L""},
    {"TabSeparated", L"prog.exe\t\targ", L"arg"},
    {"LeadingBlanks", L"  prog.exe arg", L"arg"},
};

INSTANTIATE_TEST_SUITE_P(Lines, CommandTailTest, ::testing::ValuesIn(kTailCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AppPath, IsTheExecutablesFolderWithoutTrailingBackslash) {
    const std::wstring path = rt::AppPath();
    ASSERT_GE(path.size(), 2u);
    if (path.size() > 3) {
        EXPECT_NE(path.back(), L'\\');
    }
    const std::wstring exe = path + (path.back() == L'\\' ? L"" : L"\\") + rt::AppExeName() + L".exe";
    EXPECT_TRUE(rt::FileExists(exe)) << "not found: " << ::testing::PrintToString(exe);
    EXPECT_EQ(::CompareStringOrdinal(exe.c_str(), -1, ModulePath().c_str(), -1, TRUE), CSTR_EQUAL);
}

TEST(AppExeName, HasNoFolderAndNoExtension) {
    const std::wstring name = rt::AppExeName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.find_first_of(L"\\/"), std::wstring::npos);
    EXPECT_FALSE(name.size() >= 4 &&
                 ::CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".exe", 4, TRUE) == CSTR_EQUAL);
}

class FileExistsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, tmp);
        dir_ = std::wstring(tmp) + L"pelmor_app_test_目录";
        file_ = dir_ + L"\\行情.txt";
        ::CreateDirectoryW(dir_.c_str(), nullptr);
        rt::UniqueKernelHandle f(::CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f);
    }
    void TearDown() override {
        ::DeleteFileW(file_.c_str());
        ::RemoveDirectoryW(dir_.c_str());
    }
    std::wstring dir_, file_;
};

TEST_F(FileExistsTest, TrueOnlyForAnExistingFile) {
    EXPECT_TRUE(rt::FileExists(file_));
    EXPECT_FALSE(rt::FileExists(dir_)) << "a folder is not a file";
    EXPECT_FALSE(rt::FileExists(dir_ + L"\\缺少.txt"));
    EXPECT_FALSE(rt::FileExists(L""));
}

TEST(LoadResData, ReturnsTheResourceBytes) {
    const std::vector<uint8_t> skin = rt::LoadResData(PELMOR_RES_SKIN, MAKEINTRESOURCEW(2) /* RT_BITMAP */);
    ASSERT_GE(skin.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER bih{};
    std::memcpy(&bih, skin.data(), sizeof bih);
    EXPECT_EQ(bih.biSize, sizeof bih);
    EXPECT_EQ(bih.biWidth, PELMOR_SKIN_W);
    EXPECT_EQ(bih.biHeight, PELMOR_SKIN_H);
    EXPECT_EQ(bih.biBitCount, 24);
    // A BMP file's resource is the file without its 14-byte file header; 24-bit rows are padded to 4.
    EXPECT_EQ(skin.size(), sizeof bih + size_t((PELMOR_SKIN_W * 3 + 3) & ~3) * PELMOR_SKIN_H);
}

TEST(LoadResData, MissingIsEmpty) {
    EXPECT_TRUE(rt::LoadResData(L"NO_SUCH_DATA", RT_RCDATA).empty());
    EXPECT_TRUE(rt::LoadResData(PELMOR_RES_SKIN, RT_RCDATA).empty());
}

// Process-wide, and harmless to the tests after it: they load nothing from the current folder.
TEST(LimitLibrarySearch, LeavesTheCurrentFolderOutAndTheSystemFolderIn) {
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    const testsupport::ScratchFolder dir(L"pelmor_dll_search");
    ASSERT_TRUE(::CopyFileW(testsupport::ShippedProgramPath(L"zlib1.dll").c_str(),
                            dir.File(L"pelmor-planted.dll").c_str(), FALSE));
    ASSERT_TRUE(::SetCurrentDirectoryW(dir.Path().c_str()));
    EXPECT_TRUE(rt::UniqueModule(::LoadLibraryW(L"pelmor-planted.dll"))) << "found there at first";
    EXPECT_TRUE(rt::LimitLibrarySearch());
    EXPECT_FALSE(rt::UniqueModule(::LoadLibraryW(L"pelmor-planted.dll")));
    EXPECT_TRUE(rt::UniqueModule(::LoadLibraryW(L"version.dll")));
    ::SetCurrentDirectoryW(previous);
}

class ShellInterception : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = rt::SetShellHandler([this](const rt::ShellCall& c) {
            calls.push_back(c);
            return swallow;
        });
    }
    void TearDown() override { rt::SetShellHandler(std::move(previous_)); }

    std::vector<rt::ShellCall> calls;
    bool swallow = true;
    // Neither call could succeed for real, so success proves the handler took it.
    const std::wstring missing = LR"("C:\不存在的目录\update.exe" /检查 "升级 列表")";

  private:
    rt::ShellHandler previous_;
};

TEST_F(ShellInterception, SwallowedShellIsRecordedExactlyAndReportsSuccess) {
    EXPECT_EQ(rt::Shell(missing, SW_SHOWMINNOACTIVE), rt::kSwallowedProcessId);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, rt::ShellCall::CommandLine);
    EXPECT_EQ(calls[0].file, missing);
    EXPECT_EQ(calls[0].parameters, L"");
    EXPECT_EQ(calls[0].showCmd, SW_SHOWMINNOACTIVE);
}

TEST_F(ShellInterception, SwallowedExecuteIsRecordedExactlyAndReportsSuccess) {
    EXPECT_TRUE(rt::ShellExecuteOpen(L"http://www.pelmor.com/帮助.htm", L"参数 一", SW_SHOWMAXIMIZED));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, rt::ShellCall::Execute);
    EXPECT_EQ(calls[0].file, L"http://www.pelmor.com/帮助.htm");
    EXPECT_EQ(calls[0].parameters, L"参数 一");
    EXPECT_EQ(calls[0].showCmd, SW_SHOWMAXIMIZED);
}

TEST_F(ShellInterception, AHandlerReturningFalseLetsTheCallThrough) {
    swallow = false;
    EXPECT_EQ(rt::Shell(missing, SW_HIDE), 0u);
    EXPECT_FALSE(rt::ShellExecuteOpen(LR"(C:\不存在的目录\文件.txt)", L"", SW_HIDE));
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(ShellInterception, SetShellHandlerReturnsTheInstalledOne) {
    rt::ShellHandler mine = rt::SetShellHandler(nullptr);
    ASSERT_TRUE(mine);
    EXPECT_EQ(rt::Shell(missing, SW_HIDE), 0u) << "no handler: the real, failing call";
    rt::SetShellHandler(mine);
    EXPECT_EQ(rt::Shell(missing, SW_HIDE), rt::kSwallowedProcessId);
    EXPECT_EQ(calls.size(), 1u);
}

// This program started again as a child reports its AppCommand() through a file named in the
// environment; the child's test is disabled so that it runs only when asked for by name.
constexpr wchar_t kReportVar[] = L"PELMOR_APPTEST_REPORT";
const std::wstring kChildArgs = L"--gtest_also_run_disabled_tests --gtest_brief=1 "
                                L"--gtest_filter=AppChild.DISABLED_ReportsItsCommand 股票 \"代码 600000\"";

TEST(AppChild, DISABLED_ReportsItsCommand) {
    wchar_t report[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(kReportVar, report, MAX_PATH)) GTEST_SKIP() << "only run as a child";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ::GetStartupInfoW(&si);
    const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    const std::wstring text = rt::AppCommand() + L"\n" + std::to_wstring(show);
    const std::wstring partial = std::wstring(report) + L".part";
    {
        rt::UniqueKernelHandle f(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f);
        DWORD written = 0;
        const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        ASSERT_TRUE(::WriteFile(f.get(), text.data(), bytes, &written, nullptr));
    }
    // Renamed when complete, so the parent never reads half a report.
    ASSERT_TRUE(::MoveFileExW(partial.c_str(), report, MOVEFILE_REPLACE_EXISTING));
}

class ChildProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        // A child that lost its arguments runs every test; it must not start children of its own.
        if (::GetEnvironmentVariableW(kReportVar, nullptr, 0)) GTEST_SKIP() << "running as a child";
        wchar_t tmp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, tmp);
        report_ =
            std::wstring(tmp) + L"pelmor_app_child_" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
        ::DeleteFileW(report_.c_str());
        ::SetEnvironmentVariableW(kReportVar, report_.c_str());
    }
    void TearDown() override {
        if (report_.empty()) return;
        ::SetEnvironmentVariableW(kReportVar, nullptr);
        ::DeleteFileW(report_.c_str());
    }

    std::optional<std::wstring> WaitForReport() {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            rt::UniqueKernelHandle f(::CreateFileW(report_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (f) {
                std::wstring text(::GetFileSize(f.get(), nullptr) / sizeof(wchar_t), L'\0');
                DWORD read = 0;
                ::ReadFile(f.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read,
                           nullptr);
                return text;
            }
            ::Sleep(20);
        }
        return std::nullopt;
    }

    std::wstring report_;
};

TEST_F(ChildProcess, ShellStartsTheCommandLineAndItsArgumentsArriveIntact) {
    const uint32_t pid = rt::Shell(L"\"" + ModulePath() + L"\" " + kChildArgs, SW_SHOWMINNOACTIVE);
    ASSERT_NE(pid, 0u);
    EXPECT_NE(pid, rt::kSwallowedProcessId);
    rt::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process) {
        EXPECT_EQ(::WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    }
    const auto report = WaitForReport();
    ASSERT_TRUE(report) << "the child did not report";
    EXPECT_EQ(*report, kChildArgs + L"\n" + std::to_wstring(SW_SHOWMINNOACTIVE));
}

TEST_F(ChildProcess, ShellExecuteOpenRunsAProgramWithItsParameters) {
    ASSERT_TRUE(rt::ShellExecuteOpen(ModulePath(), kChildArgs, SW_SHOWMINNOACTIVE));
    const auto report = WaitForReport();
    ASSERT_TRUE(report) << "the child did not report";
    EXPECT_EQ(*report, kChildArgs + L"\n" + std::to_wstring(SW_SHOWMINNOACTIVE));
}

TEST(Shell, FailsWithZeroForAMissingProgram) {
    rt::ShellHandler none = rt::SetShellHandler(nullptr);
    EXPECT_EQ(rt::Shell(LR"("C:\不存在的目录\程序.exe" 参数)", SW_HIDE), 0u);
    EXPECT_EQ(rt::Shell(L"", SW_HIDE), 0u);
    rt::SetShellHandler(std::move(none));
}

} // namespace
