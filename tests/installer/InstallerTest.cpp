// The setup programs under 64-bit Wine: the shipped one installs silently for the current user and
// its uninstaller takes away exactly what it installed; run by hand over a running viewer, a setup
// program asks before it ends the viewer.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/BrowserEmulation.h"
#include "tests/installer/InstallerTestSupport.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"

using namespace installertest;
using testsupport::HttpRoute;
using testsupport::ProgramRunner;
using testsupport::TestHttpServer;
using updatertest::FileExists;
using updatertest::ReadBytes;
using updatertest::TestBinFile;
using updatertest::WriteFileBytes;

namespace {

using ShippedSetup = InstallingTest;

TEST_F(ShippedSetup, InstallsForTheUserAndUninstallsExactlyWhatItInstalled) {
    const std::wstring setup = TestBinFile(L"..\\dist\\Pelmor-" + kVersionA + L"-setup.exe");
    const std::wstring staged = TestBinFile(L"..\\installer\\shipped\\Pelmor-" + kVersionA + L"\\");
    ASSERT_TRUE(FileExists(setup)) << "build the installer target";
    ASSERT_EQ(RunAndWait(setup, L"/S", 60000), 0);

    const std::wstring folder = InstallFolder();
    const std::vector<std::wstring> shipped = {kViewerExe, L"update.exe", L"zlib1.dll"};
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{kViewerExe, L"install.lst", L"uninst.exe",
                                                                L"update.exe", L"zlib1.dll"}));
    size_t shippedBytes = 0;
    for (const auto& name : shipped) {
        std::string installed, expected;
        ASSERT_TRUE(ReadBytes(staged + name, expected)) << "staged " << ::testing::PrintToString(name);
        EXPECT_TRUE(ReadBytes(InstalledFile(name), installed) && installed == expected)
            << ::testing::PrintToString(name) << " differs from the build";
        shippedBytes += expected.size();
    }
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionA);
    EXPECT_EQ(FileVersionText(InstalledFile(L"update.exe")), kVersionA);

    const std::wstring viewer = InstalledFile(kViewerExe);
    for (const auto& lnk : {StartMenuShortcut(), DesktopShortcut()}) {
        const auto shortcut = ReadShortcut(lnk);
        ASSERT_TRUE(shortcut) << ::testing::PrintToString(lnk);
        EXPECT_EQ(shortcut->target, viewer);
        EXPECT_EQ(shortcut->iconPath, viewer);
        EXPECT_EQ(shortcut->iconIndex, 0);
    }

    const std::wstring uninstaller = InstalledFile(L"uninst.exe");
    EXPECT_EQ(UninstallString(L"DisplayName"), kProduct);
    EXPECT_EQ(UninstallString(L"DisplayVersion"), kVersionA);
    EXPECT_EQ(UninstallString(L"Publisher"), L"Pelmor");
    EXPECT_EQ(UninstallString(L"DisplayIcon"), viewer + L",0");
    EXPECT_EQ(UninstallString(L"InstallLocation"), folder);
    EXPECT_EQ(UninstallString(L"UninstallString"), L"\"" + uninstaller + L"\"");
    EXPECT_EQ(UninstallString(L"QuietUninstallString"), L"\"" + uninstaller + L"\" /S");
    EXPECT_EQ(UninstallDword(L"NoModify"), 1u);
    EXPECT_EQ(UninstallDword(L"NoRepair"), 1u);
    // In KiB, rounded up per file.
    const auto size = UninstallDword(L"EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_GE(*size * 1024ull, shippedBytes);
    EXPECT_LE(*size * 1024ull, shippedBytes + shipped.size() * 1024);

    // The user's own files, and what the updater writes into the program folder.
    ASSERT_TRUE(WriteFileBytes(folder + L"\\我的笔记.txt", "自选股"));
    ASSERT_TRUE(::CreateDirectoryW((folder + L"\\我的数据").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\我的数据\\a.txt", "1"));
    ASSERT_TRUE(::CreateDirectoryW((folder + L"\\UpDate").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\UpDate\\Pelmor.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\UpSoft.txt", "1.5|x"));
    // The viewer's setting for its browser control, as its first start writes it.
    const DWORD mode = viewer::kBrowserEmulationMode;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, viewer::kBrowserEmulationKey, kViewerExe, REG_DWORD, &mode,
                                sizeof mode),
              ERROR_SUCCESS);

    ASSERT_TRUE(UninstallQuietly(30000)) << "the uninstaller did not finish";
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::wstring>{L"我的数据\\", L"我的笔记.txt"}));
    EXPECT_EQ(FolderEntries(folder + L"\\我的数据"), std::vector<std::wstring>{L"a.txt"});
    EXPECT_FALSE(FileExists(StartMenuShortcut()));
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_NE(::RegGetValueW(HKEY_CURRENT_USER, viewer::kBrowserEmulationKey, kViewerExe, RRF_RT_ANY, nullptr,
                             nullptr, nullptr),
              ERROR_SUCCESS)
        << "the viewer's browser setting stayed";
}

using SilentSetup = InstallingTest;

// The updater runs setup programs with /S: a desktop shortcut the user has done without stays away. A
// setup told to install elsewhere makes a second installation with an entry and shortcuts of its own,
// and each uninstalls cleanly, leaving the other as it was; another program's folder is left alone.
TEST_F(SilentSetup, KeepsTheUsersDesktopChoiceAndInstallsOnlyWhereItMay) {
    const std::wstring setupA = TestBinFile(L"installer\\Pelmor-" + kVersionA + L"-setup.exe");
    const std::wstring setupB = TestBinFile(L"installer\\Pelmor-" + kVersionB + L"-setup.exe");
    const std::wstring folder = InstallFolder();
    const std::wstring elsewhere = folder + L" 便携";
    updatertest::RemoveTree(elsewhere);
    ASSERT_EQ(RunAndWait(setupA, L"/S", 60000), 0);
    ASSERT_TRUE(::DeleteFileW(DesktopShortcut().c_str()));

    ASSERT_EQ(RunAndWait(setupB, L"/S", 60000), 0);
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionB);
    EXPECT_TRUE(FileExists(StartMenuShortcut()));
    EXPECT_FALSE(FileExists(DesktopShortcut())) << "the update brought the desktop shortcut back";

    // /D= must be the last argument, unquoted.
    EXPECT_EQ(RunAndWait(setupA, L"/S /D=" + elsewhere, 60000), 0);
    EXPECT_EQ(FileVersionText(elsewhere + L"\\" + kViewerExe), kVersionA);
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionB) << "the other installation was removed";
    const std::wstring second = std::wstring(kUninstallKey) + L"-2";
    const std::wstring secondName = std::wstring(kProduct) + L" (2)";
    const std::wstring secondLink = KnownFolder(FOLDERID_Programs) + L"\\" + secondName + L".lnk";
    EXPECT_EQ(UninstallString(L"InstallLocation"), folder);
    EXPECT_EQ(UninstallString(L"InstallLocation", second), elsewhere);
    EXPECT_EQ(UninstallString(L"DisplayName", second), secondName);
    EXPECT_EQ(ReadShortcut(secondLink).value_or(Shortcut{}).target, elsewhere + L"\\" + kViewerExe);

    ASSERT_TRUE(UninstallQuietly(30000, second));
    EXPECT_FALSE(updatertest::DirectoryExists(elsewhere) || FileExists(secondLink));
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionB);
    EXPECT_TRUE(FileExists(StartMenuShortcut()));
    ASSERT_TRUE(UninstallQuietly(30000));
    EXPECT_FALSE(updatertest::DirectoryExists(folder) || FileExists(StartMenuShortcut()));

    // A folder holding another program's updater and uninstaller is refused: nothing is written or run.
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\update.exe", "MZ 其他程序的更新"));
    ASSERT_TRUE(WriteFileBytes(folder + L"\\uninst.exe", "MZ 其他程序的卸载"));
    const auto other = FileContents(folder);
    EXPECT_EQ(RunAndWait(setupA, L"/S", 60000), 3);
    EXPECT_EQ(FileContents(folder), other);
    EXPECT_FALSE(UninstallEntryExists() || FileExists(StartMenuShortcut()));
}

class SetupByHand : public InstallingTest {
  protected:
    void SetUp() override {
        InstallingTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(server_.Running()) << "port " << PELMOR_INSTALLER_TEST_PORT << " is taken";
        // The installed viewer starts its updater: it finds nothing newer and ends quietly.
        HttpRoute list;
        // A tree without a development key builds updaters that read unsigned lists.
        if (!ReadBytes(TestBinFile(L"installer\\upsoft-a.txt"), list.body))
            list.body = std::string(kVersionA.begin(), kVersionA.end()) +
                        "|http://127.0.0.1:" + std::to_string(PELMOR_INSTALLER_TEST_PORT) +
                        "/setup/Pelmor.exe\r\n";
        server_.SetRoute("/upsoft.txt", list);
        ASSERT_EQ(RunAndWait(TestBinFile(L"installer\\Pelmor-" + kVersionA + L"-setup.exe"), L"/S", 60000),
                  0);
    }

    TestHttpServer server_{PELMOR_INSTALLER_TEST_PORT};
};

TEST_F(SetupByHand, AsksBeforeEndingTheRunningViewer) {
    const std::wstring setupB = TestBinFile(L"installer\\Pelmor-" + kVersionB + L"-setup.exe");
    const std::wstring setupTitle = std::wstring(kProduct) + L" " + kVersionB + L" 安装";
    ProgramRunner viewer;
    ASSERT_TRUE(viewer.Start(InstalledFile(kViewerExe)));
    ASSERT_TRUE(viewer.WaitForWindow(std::wstring(kProduct) + L"V" + kVersionA));

    ProgramRunner cancelled;
    ASSERT_TRUE(cancelled.Start(setupB));
    const auto question = AnswerBox(cancelled.ProcessId(), setupTitle, IDCANCEL);
    ASSERT_TRUE(question) << "no question";
    EXPECT_EQ(question->rfind(L"安装程序需要关闭正在运行的 Pelmor免费行情分析系统。", 0), 0u)
        << ::testing::PrintToString(*question);
    EXPECT_NE(cancelled.WaitForExit(10000), -1) << "the setup program went on";
    EXPECT_TRUE(viewer.Running());
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionA);

    ProgramRunner accepted;
    ASSERT_TRUE(accepted.Start(setupB));
    ASSERT_TRUE(AnswerBox(accepted.ProcessId(), setupTitle, IDOK));
    EXPECT_NE(viewer.WaitForExit(10000), -1) << "the viewer was not ended";
    // Then the wizard: nothing is installed before the user has gone through it.
    EXPECT_TRUE(accepted.WaitForWindow(setupTitle, 10000));
    EXPECT_EQ(FileVersionText(InstalledFile(kViewerExe)), kVersionA);
}

} // namespace
