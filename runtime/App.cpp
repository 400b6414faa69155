#include "runtime/App.h"

#include "runtime/Handles.h"

#include <shellapi.h>

#include <mutex>
#include <utility>

namespace rt {
namespace {

size_t LastSeparator(const std::wstring& path) {
    return path.find_last_of(L"\\/");
}

bool IsBlank(wchar_t c) {
    return c <= L' ';
}

std::mutex& ShellMutex() {
    static std::mutex m;
    return m;
}
ShellHandler& ShellSlot() {
    static ShellHandler h;
    return h;
}

// The handler is copied out so that it runs unlocked and may itself install another one.
bool SwallowedByHandler(const ShellCall& call) {
    ShellHandler handler;
    {
        std::lock_guard lock(ShellMutex());
        handler = ShellSlot();
    }
    return handler && handler(call);
}

} // namespace

std::wstring ModuleFileName(HMODULE module) {
    std::wstring buf(MAX_PATH, L'\0');
    // Long-path names can exceed MAX_PATH; the API truncates and returns the buffer size then.
    while (buf.size() <= 32768) {
        DWORD n = ::GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
    return {};
}

std::wstring AppPath() {
    std::wstring full = ModuleFileName();
    size_t sep = LastSeparator(full);
    if (sep == std::wstring::npos) return {};
    std::wstring dir = full.substr(0, sep);
    if (dir.size() == 2 && dir[1] == L':') dir += L'\\';
    return dir;
}

std::wstring AppExeName() {
    std::wstring full = ModuleFileName();
    size_t sep = LastSeparator(full);
    std::wstring name = sep == std::wstring::npos ? full : full.substr(sep + 1);
    constexpr std::wstring_view ext = L".exe";
    if (name.size() > ext.size() &&
        ::CompareStringOrdinal(name.c_str() + name.size() - ext.size(), static_cast<int>(ext.size()),
                               ext.data(), static_cast<int>(ext.size()), TRUE) == CSTR_EQUAL) {
        name.resize(name.size() - ext.size());
    }
    return name;
}

bool AppInIde() {
    return false;
}

std::wstring AppCommand() {
    return CommandTail(::GetCommandLineW());
}

std::wstring CommandTail(std::wstring_view line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i < line.size() && line[i] == L'"') {
        size_t close = line.find(L'"', i + 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
    }
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    return std::wstring(line.substr(i));
}

bool FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD attr = ::GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

ShellHandler SetShellHandler(ShellHandler handler) {
    std::lock_guard lock(ShellMutex());
    return std::exchange(ShellSlot(), std::move(handler));
}

uint32_t Shell(const std::wstring& commandLine, int showCmd) {
    if (SwallowedByHandler({ShellCall::CommandLine, commandLine, {}, showCmd})) return kSwallowedProcessId;
    // CreateProcessW may write into the command line, so it gets a private copy.
    std::wstring cmd = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCmd);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return 0;
    }
    UniqueKernelHandle process(pi.hProcess);
    UniqueKernelHandle thread(pi.hThread);
    return pi.dwProcessId;
}

bool ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters, int showCmd,
                      UniqueKernelHandle* process) {
    if (SwallowedByHandler({ShellCall::Execute, file, parameters, showCmd})) return true;
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    // NOASYNC: the updater starts the viewer and quits at once, which must not cut the launch short.
    // NO_UI: a failure is reported to the caller, never as a dialog of the shell's own.
    sei.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | (process ? SEE_MASK_NOCLOSEPROCESS : 0);
    sei.lpVerb = L"open";
    sei.lpFile = file.c_str();
    sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    sei.nShow = showCmd;
    if (!::ShellExecuteExW(&sei)) return false;
    if (process) process->reset(sei.hProcess);
    return true;
}

bool LimitLibrarySearch() {
    // Looked up: Windows 7 has the function only with its security update KB2533623.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set && set(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR)) return true;
    // Without it, at least the current folder leaves the search.
    ::SetDllDirectoryW(L"");
    return false;
}

std::vector<uint8_t> LoadResData(const wchar_t* name, const wchar_t* type, HINSTANCE inst) {
    HMODULE module = inst ? inst : ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, name, type);
    if (!res) return {};
    DWORD size = ::SizeofResource(module, res);
    HGLOBAL loaded = ::LoadResource(module, res);
    const auto* bytes = static_cast<const uint8_t*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!bytes) return {};
    return std::vector<uint8_t>(bytes, bytes + size);
}

} // namespace rt
