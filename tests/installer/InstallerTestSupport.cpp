#include "tests/installer/InstallerTestSupport.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <wrl/client.h>

#include <algorithm>

#include "runtime/Handles.h"
#include "runtime/ProgramVersion.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ProgramRunner.h"
#include "tests/updater/UpdaterTestSupport.h"

namespace installertest {
namespace {

using Microsoft::WRL::ComPtr;
using updatertest::ReadBytes;

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring ImagePathOf(DWORD processId) {
    const rt::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    const bool ok = ::QueryFullProcessImageNameW(process.get(), 0, path, &size);
    return ok ? std::wstring(path, size) : std::wstring();
}

struct Program {
    DWORD id;
    std::wstring path;
};

// Processes whose executable lies directly in folder.
std::vector<Program> ProgramsIn(const std::wstring& folder) {
    std::vector<Program> programs;
    const rt::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return programs;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        std::wstring path = ImagePathOf(entry.th32ProcessID);
        if (SameText(FolderOf(path), folder)) programs.push_back({entry.th32ProcessID, std::move(path)});
    }
    return programs;
}

struct WindowSearch {
    const std::wstring* folder;
    const std::wstring* caption;
    HWND found;
    DWORD processId;
};

BOOL CALLBACK FindWindowIn(HWND wnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    wchar_t text[256] = {};
    ::GetWindowTextW(wnd, text, 256);
    if (!::IsWindowVisible(wnd) || *search->caption != text) return TRUE;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (!SameText(FolderOf(ImagePathOf(pid)), *search->folder)) return TRUE;
    search->found = wnd;
    search->processId = pid;
    return FALSE;
}

} // namespace

std::wstring FileVersionText(const std::wstring& path) {
    const rt::ProgramVersion v = rt::ReadFileVersion(path);
    return v.found ? std::to_wstring(v.major) + L"." + std::to_wstring(v.minor) : L"none";
}

bool MayInstallHere() {
    wchar_t allowed[8] = {};
    if (::GetEnvironmentVariableW(L"PELMOR_INSTALLER_TESTS", allowed, 8) && std::wstring(allowed) == L"1")
        return true;
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
    ::CoTaskMemFree(path);
    return out;
}

std::wstring InstallFolder() {
    return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\" + kProduct;
}

std::wstring InstalledFile(const std::wstring& name) {
    return InstallFolder() + L"\\" + name;
}

std::wstring StartMenuShortcut() {
    return KnownFolder(FOLDERID_Programs) + L"\\" + kProduct + L".lnk";
}

std::wstring DesktopShortcut() {
    return KnownFolder(FOLDERID_Desktop) + L"\\" + kProduct + L".lnk";
}

int RunAndWait(const std::wstring& exePath, const std::wstring& arguments, DWORD timeoutMs) {
    testsupport::ProgramRunner program;
    return program.Start(exePath, arguments) ? program.WaitForExit(timeoutMs) : -1;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(50);
    }
}

std::optional<std::wstring> UninstallString(const wchar_t* value, const std::wstring& key) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return text;
}

std::optional<DWORD> UninstallDword(const wchar_t* value) {
    DWORD number = 0;
    DWORD size = sizeof number;
    if (::RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, value, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return number;
}

bool UninstallEntryExists(const std::wstring& name) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, KEY_READ, &key);
    const rt::UniqueRegKey held(status == ERROR_SUCCESS ? key : nullptr);
    return static_cast<bool>(held);
}

std::optional<Shortcut> ReadShortcut(const std::wstring& lnkPath) {
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
        return std::nullopt;
    std::optional<Shortcut> out;
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(link.As(&file))) {
        if (SUCCEEDED(file->Load(lnkPath.c_str(), STGM_READ))) {
            Shortcut s;
            wchar_t buf[MAX_PATH * 2] = {};
            // The item list keeps the target's full Unicode name; Wine's stored path is ANSI only.
            PIDLIST_ABSOLUTE item = nullptr;
            if (SUCCEEDED(link->GetIDList(&item)) && item && ::SHGetPathFromIDListW(item, buf))
                s.target = buf;
            ::CoTaskMemFree(item);
            buf[0] = 0;
            if (SUCCEEDED(link->GetIconLocation(buf, MAX_PATH * 2, &s.iconIndex))) s.iconPath = buf;
            out = s;
        }
    }
    return out;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE f = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? name + L"\\" : name);
    } while (::FindNextFileW(f, &fd));
    ::FindClose(f);
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::wstring, std::string> FileContents(const std::wstring& folder) {
    std::map<std::wstring, std::string> files;
    for (const auto& name : FolderEntries(folder))
        if (!name.ends_with(L"\\")) ReadBytes(folder + L"\\" + name, files[name]);
    return files;
}

DWORD WaitForProgramIn(const std::wstring& folder, const std::wstring& exeName, DWORD timeoutMs) {
    DWORD found = 0;
    WaitUntil(
        [&] {
            for (const auto& program : ProgramsIn(folder))
                if (SameText(program.path, folder + L"\\" + exeName)) found = program.id;
            return found != 0;
        },
        timeoutMs);
    return found;
}

void EndProcessesIn(const std::wstring& folder) {
    for (const auto& program : ProgramsIn(folder))
        updatertest::EndAndWait(program.id);
}

HWND WaitForWindowIn(const std::wstring& folder, const std::wstring& caption, DWORD timeoutMs,
                     DWORD* processId) {
    WindowSearch search{&folder, &caption, nullptr, 0};
    WaitUntil(
        [&] {
            ::EnumWindows(FindWindowIn, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    if (processId) *processId = search.processId;
    return search.found;
}

bool UninstallQuietly(DWORD timeoutMs, const std::wstring& key) {
    const auto quiet = UninstallString(L"QuietUninstallString", key);
    if (!quiet || quiet->size() < 2 || quiet->front() != L'"') return false;
    const size_t close = quiet->find(L'"', 1);
    if (close == std::wstring::npos) return false;
    const std::wstring uninstaller = quiet->substr(1, close - 1);
    if (RunAndWait(uninstaller, quiet->substr(close + 1), timeoutMs) != 0) return false;
    return WaitUntil([&] { return !UninstallEntryExists(key) && !updatertest::FileExists(uninstaller); },
                     timeoutMs);
}

void RemoveInstallation() {
    const std::wstring folder = InstallFolder();
    EndProcessesIn(folder);
    if (UninstallEntryExists()) UninstallQuietly(30000);
    updatertest::RemoveTree(folder);
    ::DeleteFileW(StartMenuShortcut().c_str());
    ::DeleteFileW(DesktopShortcut().c_str());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
}

void InstallingTest::SetUp() {
    if (!MayInstallHere())
        GTEST_SKIP() << "installs into the user's profile: only under Wine, or with PELMOR_INSTALLER_TESTS=1";
    RemoveInstallation();
}

void InstallingTest::TearDown() {
    if (MayInstallHere()) RemoveInstallation();
}

} // namespace installertest
