#include "updater/ViewerProcess.h"

#include <tlhelp32.h>

#include <string>

#include "runtime/Handles.h"
#include "updater/UpdateRules.h"

namespace updater {
namespace {

std::wstring Lowered(std::wstring_view s) {
    if (s.empty()) return {};
    const int length = static_cast<int>(s.size());
    std::wstring out(s.size(), L'\0');
    const int n = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, s.data(), length, out.data(),
                                  length, nullptr, nullptr, 0);
    if (n <= 0) return std::wstring(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

// The full path of a process's image; empty when the process cannot be asked.
std::wstring ImagePath(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

// The session a process runs in, read from its token; nothing when the token cannot be read.
std::optional<DWORD> SessionOf(HANDLE process) {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &rawToken)) return std::nullopt;
    const rt::UniqueKernelHandle token(rawToken);
    DWORD session = 0;
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenSessionId, &session, sizeof session, &size))
        return std::nullopt;
    return session;
}

// Long form, so that a short (8.3) spelling of the same folder compares equal.
std::wstring LongPath(const std::wstring& path) {
    std::wstring out(32768, L'\0');
    const DWORD n = ::GetLongPathNameW(path.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    return out;
}

} // namespace

bool SameImageName(std::wstring_view a, std::wstring_view b) {
    return Lowered(a) == Lowered(b);
}

std::optional<RunningViewer> FindViewer(std::wstring_view folder, std::wstring_view imageName) {
    const auto ownSession = SessionOf(::GetCurrentProcess());
    if (!ownSession) return std::nullopt;
    const std::wstring expected = Lowered(LongPath(JoinFolder(folder, imageName)));
    rt::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (!SameImageName(entry.szExeFile, imageName)) continue;
        rt::UniqueKernelHandle process(
            ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (!process || SessionOf(process.get()) != ownSession) continue;
        std::wstring path = ImagePath(process.get());
        if (!path.empty() && Lowered(LongPath(path)) == expected)
            return RunningViewer{std::move(process), entry.th32ProcessID, std::move(path)};
    }
    return std::nullopt;
}

bool EndProcess(HANDLE process) {
    return ::TerminateProcess(process, 1) != FALSE;
}

} // namespace updater
