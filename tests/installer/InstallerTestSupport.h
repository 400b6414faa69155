#pragma once
// Shared by the installer tests: where the setup program puts things for the current user, running
// setup programs and uninstallers to their end, and the programs running from the install folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/BoxAnswerer.h"

namespace installertest {

inline constexpr wchar_t kProduct[] = L"Pelmor免费行情分析系统";
inline constexpr wchar_t kViewerExe[] = L"Pelmor免费行情分析系统.exe";
inline constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelmor";
// The project version, and the later version the update road goes to.
inline const std::wstring kVersionA = PELMOR_VERSION_A;
inline const std::wstring kVersionB = PELMOR_VERSION_B;

// "major.minor" of a program file's version resource; "none" without one.
std::wstring FileVersionText(const std::wstring& path);

// These tests install into the user's profile: only in the harness's private Wine prefix, unless the
// environment asks for it with PELMOR_INSTALLER_TESTS=1.
bool MayInstallHere();

// A known folder of the current user, without a trailing backslash.
std::wstring KnownFolder(REFKNOWNFOLDERID id);
// The default install folder: the user's local programs folder + the product name.
std::wstring InstallFolder();
std::wstring InstalledFile(const std::wstring& name);
std::wstring StartMenuShortcut();
std::wstring DesktopShortcut();

// Starts a command line and waits for the process; its exit code, or -1 when it had to be ended
// after timeoutMs.
int RunAndWait(const std::wstring& exePath, const std::wstring& arguments, DWORD timeoutMs);
// Polls until the condition holds, up to timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Values under an Uninstall entry (the first installation's by default); nothing when absent.
std::optional<std::wstring> UninstallString(const wchar_t* value, const std::wstring& key = kUninstallKey);
std::optional<DWORD> UninstallDword(const wchar_t* value);
bool UninstallEntryExists(const std::wstring& key = kUninstallKey);

struct Shortcut {
    std::wstring target;
    std::wstring iconPath;
    int iconIndex = -1;
};
std::optional<Shortcut> ReadShortcut(const std::wstring& lnkPath);

// Names of the files and folders directly in a folder (folders with a trailing backslash), sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// The files directly in a folder: name -> bytes.
std::map<std::wstring, std::string> FileContents(const std::wstring& folder);

// Ends the processes whose executable lies directly in folder.
void EndProcessesIn(const std::wstring& folder);
// The first process of folder\\exeName found running within timeoutMs; 0 when none.
DWORD WaitForProgramIn(const std::wstring& folder, const std::wstring& exeName, DWORD timeoutMs);
// The visible top-level window with this caption of a program from folder; null when none came up
// within timeoutMs. processId receives its process.
HWND WaitForWindowIn(const std::wstring& folder, const std::wstring& caption, DWORD timeoutMs,
                     DWORD* processId = nullptr);

using rt::test::AnswerBox;

// Runs the quiet uninstall command of an Uninstall entry and waits until the entry and the
// uninstaller are gone (the uninstaller hands its work to a copy of itself and returns at once).
bool UninstallQuietly(DWORD timeoutMs, const std::wstring& key = kUninstallKey);
// Leaves no installation behind: programs ended, uninstalled, folder, shortcuts and entry removed.
void RemoveInstallation();

// A test that installs: skipped where it may not, and starting and ending with no installation.
class InstallingTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace installertest
