// The whole update road under 64-bit Wine: version A installed and running, the local site offering
// version B in a signed list; the updater the viewer starts asks, downloads with progress, checks the
// setup program, ends the viewer and runs the setup, which installs B and starts it again.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Handles.h"
#include "tests/installer/InstallerTestSupport.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"

using namespace installertest;
using testsupport::HttpRoute;
using testsupport::ProgramRunner;
using testsupport::TestHttpServer;
using updatertest::ChildTexts;
using updatertest::FileExists;
using updatertest::ReadBytes;
using updatertest::TestBinFile;
using updatertest::WriteFileBytes;

namespace {

const std::wstring kViewerCaptionA = std::wstring(kProduct) + L"V" + kVersionA;
const std::wstring kViewerCaptionB = std::wstring(kProduct) + L"V" + kVersionB;
const std::wstring kQuestion =
    L"系统检测到 Pelmor免费行情分析系统 有新版本 V" + kVersionB + L" 是否需要升级？";
const std::wstring kNotDone =
    L"上次升级到新版本 V" + kVersionB +
    L" 没有完成，您使用的仍是原来的版本。请关闭可能正在使用本软件文件的程序（如杀毒软件），"
    L"并确认磁盘空间充足，然后再试！";

class UpdateRoad : public InstallingTest {
  protected:
    void SetUp() override {
        InstallingTest::SetUp();
        if (IsSkipped()) return;
        if (!ReadBytes(TestBinFile(L"installer\\upsoft-b.txt"), listB_))
            GTEST_SKIP()
                << "no development key in this build tree (python3-cryptography missing at configure)";
        ASSERT_TRUE(server_.Running()) << "port " << PELMOR_INSTALLER_TEST_PORT << " is taken";
        ASSERT_TRUE(ReadBytes(TestBinFile(L"installer\\Pelmor-" + kVersionB + L"-setup.exe"), setupB_));
        ASSERT_EQ(RunAndWait(TestBinFile(L"installer\\Pelmor-" + kVersionA + L"-setup.exe"), L"/S", 60000),
                  0);
        ASSERT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionA);
        server_.SetRoute("/upsoft.txt", HttpRoute::Ok(listB_));
    }

    // Starts the installed viewer A; the updater it starts asks about B and is answered Yes.
    DWORD StartViewerAndSayYes(ProgramRunner& viewer) {
        if (!viewer.Start(InstalledFile(kViewerExe)) || !viewer.WaitForWindow(kViewerCaptionA)) return 0;
        const DWORD updater = WaitForProgramIn(InstallFolder(), L"update.exe", 20000);
        if (!updater) return 0;
        EXPECT_EQ(AnswerBox(updater, L"提示", IDYES), kQuestion);
        return updater;
    }

    TestHttpServer server_{PELMOR_INSTALLER_TEST_PORT};
    std::string listB_;
    std::string setupB_;
};

TEST_F(UpdateRoad, ATamperedSetupProgramIsRefusedAndVersionAKeepsRunning) {
    std::string tampered = setupB_;
    tampered[tampered.size() / 2] ^= 0x20;
    server_.SetRoute("/setup/Pelmor.exe", HttpRoute::Ok(tampered));

    ProgramRunner viewer;
    const DWORD updater = StartViewerAndSayYes(viewer);
    ASSERT_NE(updater, 0u) << "the viewer or its updater did not come up";
    // The question box is gone once the download has begun.
    ASSERT_TRUE(server_.WaitForRequest("/setup/Pelmor.exe", 20000, true));
    EXPECT_EQ(AnswerBox(updater, L"提示", IDOK), L"更新失败，请稍后再试！");
    EXPECT_EQ(server_.RequestCount("/setup/Pelmor.exe"), 1u);

    EXPECT_TRUE(viewer.Running()) << "the viewer was ended for a setup program that failed its check";
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionA);
    EXPECT_EQ(UninstallString(L"DisplayVersion"), kVersionA);
    EXPECT_FALSE(FileExists(InstalledFile(L"UpDate\\Pelmor.exe")));
    // The updater's window stays for another try; closing it ends the updater.
    const HWND window = WaitForWindowIn(InstallFolder(), L"Pelmor更新", 10000);
    ASSERT_TRUE(window);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return WaitForProgramIn(InstallFolder(), L"update.exe", 0) == 0; }, 10000));
    EXPECT_TRUE(viewer.Running());
}

TEST_F(UpdateRoad, YesAtTheViewersStartInstallsVersionBAndASecondCheckFindsNothingNewer) {
    const auto started = std::chrono::steady_clock::now();
    // Slow enough for the progress to show.
    HttpRoute setup = HttpRoute::Ok(setupB_);
    setup.chunkSize = setupB_.size() / 16 + 1;
    setup.chunkDelayMs = 60;
    server_.SetRoute("/setup/Pelmor.exe", setup);
    const std::wstring folder = InstallFolder();
    {
        HANDLE note = ::CreateFileW((folder + L"\\我的笔记.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr);
        ASSERT_NE(note, INVALID_HANDLE_VALUE);
        ::CloseHandle(note);
    }

    ProgramRunner viewer;
    const DWORD updater = StartViewerAndSayYes(viewer);
    ASSERT_NE(updater, 0u) << "the viewer or its updater did not come up";
    bool progressShown = false;
    if (const HWND window = WaitForWindowIn(folder, L"Pelmor更新", 10000)) {
        while (::IsWindow(window)) {
            for (const auto& text : ChildTexts(window))
                progressShown = progressShown || (text.starts_with(L"已下载") && text != L"已下载0%");
            ::Sleep(5);
        }
    }
    EXPECT_TRUE(progressShown);
    EXPECT_NE(viewer.WaitForExit(20000), -1) << "the viewer A was not ended";
    // The updater ends only once the setup program holds its single-instance mutex.
    ASSERT_TRUE(WaitUntil([&] { return !WaitForProgramIn(folder, L"update.exe", 0); }, 20000));
    EXPECT_TRUE(rt::UniqueKernelHandle(::OpenMutexW(SYNCHRONIZE, FALSE, PELMOR_INSTALLER_TEST_MUTEX)))
        << "a second updater could start here";

    // The setup program installs B silently and starts the viewer again.
    DWORD viewerB = 0;
    ASSERT_TRUE(WaitForWindowIn(folder, kViewerCaptionB, 60000, &viewerB)) << "viewer B did not come up";
    const std::wstring staged = TestBinFile(L"installer\\b\\Pelmor-" + kVersionB + L"\\");
    for (const wchar_t* name : {kViewerExe, L"update.exe", L"zlib1.dll"}) {
        std::string installed, expected;
        ASSERT_TRUE(ReadBytes(staged + name, expected));
        EXPECT_TRUE(ReadBytes(folder + L"\\" + name, installed) && installed == expected)
            << ::testing::PrintToString(std::wstring(name)) << " is not version B's";
    }
    // Nothing of A stays but what the updater downloaded; the user's file does.
    EXPECT_EQ(FolderEntries(folder),
              (std::vector<std::wstring>{kViewerExe, L"UpDate\\", L"install.lst", L"uninst.exe",
                                         L"update.exe", L"zlib1.dll", L"我的笔记.txt"}));
    EXPECT_EQ(UninstallString(L"DisplayVersion"), kVersionB);
    EXPECT_TRUE(FileExists(StartMenuShortcut()));

    // Viewer B's own updater reads the list again and ends quietly: B is current.
    const bool quiet = WaitUntil(
        [&] {
            return server_.RequestCount("/upsoft.txt") >= 2 && !WaitForProgramIn(folder, L"update.exe", 0);
        },
        20000);
    EXPECT_TRUE(quiet) << "viewer B's updater did not check the list, or did not end quietly";
    ProgramRunner check;
    ASSERT_TRUE(check.Start(folder + L"\\update.exe"));
    EXPECT_EQ(AnswerBox(check.ProcessId(), L"提示", IDOK), L"您使用的版本已经是最新版！");
    EXPECT_EQ(check.WaitForExit(10000), 0);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("update road from %ls to %ls: %.1f s\n", kVersionA.c_str(), kVersionB.c_str(), seconds);
    RecordProperty("road_seconds", std::to_string(seconds));
}

// Runs a script in the Wine prefix on the Linux side; its exit status comes back in a file.
bool RunInPrefix(const std::wstring& script) {
    const std::wstring status = L"/tmp/pelmor-small-drive-" + std::to_wstring(::GetCurrentProcessId());
    ProgramRunner shell;
    std::string text;
    if (!shell.Start(L"Z:\\bin\\sh",
                     L"-c \"cd $WINEPREFIX && (" + script + L") >/dev/null 2>&1; echo $? >" + status + L"\""))
        return false;
    WaitUntil([&] { return ReadBytes(L"Z:" + status, text) && text.ends_with("\n"); }, 20000);
    ::DeleteFileW((L"Z:" + status).c_str());
    return text == "0\n";
}

// The first installation's Uninstall entry as reg.exe exports it.
std::string ExportedEntry() {
    const std::wstring file = TestBinFile(L"installer\\entry.reg");
    std::string bytes;
    RunAndWait(L"C:\\windows\\system32\\reg.exe",
               L"export \"HKCU\\" + std::wstring(kUninstallKey) + L"\" \"" + file + L"\" /y", 20000);
    return ReadBytes(file, bytes) && ::DeleteFileW(file.c_str()) ? bytes : "";
}

// A 16 MiB tmpfs as drive P: (mounting needs root); it and the installation on it go with the object.
struct SmallDrive {
    bool mounted = RunInPrefix(L"umount -l small-drive; mkdir -p small-drive && mount -t tmpfs -o size=16m "
                               L"pelmor-test small-drive && ln -sfn ../small-drive dosdevices/p:");
    ~SmallDrive() {
        RemoveInstallation();
        // A file still open there keeps a plain unmount from working; the lazy one never waits.
        RunInPrefix(L"rm -f dosdevices/p:; umount small-drive || umount -l small-drive; rmdir small-drive");
    }
};

// An update run as the updater runs it, with update.exe held open without sharing, or on a drive that
// fills up: all put back, viewer A started again, and A's updater says so once before offering B again.
class FailedUpdate : public UpdateRoad, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedUpdate, PutsVersionABackByteForByteAndSaysSoOnce) {
    std::wstring folder = InstallFolder();
    std::optional<SmallDrive> drive;
    if (GetParam()) {
        if (!drive.emplace().mounted) GTEST_SKIP() << "no small file system could be mounted (it needs root)";
        folder = L"P:\\Pelmor";
        ASSERT_TRUE(UninstallQuietly(30000));
        ASSERT_EQ(RunAndWait(TestBinFile(L"installer\\Pelmor-" + kVersionA + L"-setup.exe"),
                             L"/S /D=" + folder, 60000),
                  0);
    }
    const std::wstring setup = folder + L"\\UpDate\\Pelmor.exe";
    ASSERT_TRUE(::CreateDirectoryW((folder + L"\\UpDate").c_str(), nullptr) &&
                WriteFileBytes(setup, setupB_));
    const auto files = FileContents(folder);
    const auto entry = ExportedEntry();
    rt::UniqueKernelHandle held;
    ULARGE_INTEGER free{};
    if (drive) {
        // 1 MiB left: less than B's files need.
        ASSERT_TRUE(::GetDiskFreeSpaceExW(L"P:\\", &free, nullptr, nullptr) && free.QuadPart > (1 << 20));
        ASSERT_TRUE(WriteFileBytes(L"P:\\filler", std::string(free.QuadPart - (1 << 20), 'f')));
    } else {
        held.reset(::CreateFileW((folder + L"\\update.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 0, nullptr));
        ASSERT_TRUE(held);
    }

    EXPECT_EQ(RunAndWait(setup, L"/S", 60000), 4);
    EXPECT_EQ(ExportedEntry(), entry);
    EXPECT_TRUE(WaitForWindowIn(folder, kViewerCaptionA, 20000)) << "viewer A was not started again";
    // Held, update.exe could not start with the viewer: it runs at the user's next start.
    ProgramRunner nextStart;
    if (held) {
        held.reset();
        EndProcessesIn(folder);
        ASSERT_TRUE(nextStart.Start(folder + L"\\" + kViewerExe));
    }
    const DWORD updater = WaitForProgramIn(folder, L"update.exe", 20000);
    EXPECT_EQ(AnswerBox(updater, L"提示", IDOK), kNotDone);
    // Then it reads the list (gone again by the time it asks) and offers B as before.
    EXPECT_TRUE(server_.WaitForRequest("/upsoft.txt", 20000, true));
    EXPECT_EQ(AnswerBox(updater, L"提示", IDNO), kQuestion);
    EXPECT_FALSE(FileExists(folder + L"\\UpDate\\LastFailed.txt")) << "the user would be told again";
    EXPECT_TRUE(FileContents(folder) == files) << ::testing::PrintToString(FolderEntries(folder));
}

INSTANTIATE_TEST_SUITE_P(Obstacles, FailedUpdate, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "drive_full" : "update_exe_held"; });

} // namespace
