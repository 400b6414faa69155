#include "ViewerProcess.h"

#include <tlhelp32.h>

#include <string>

#include "UpdateRules.h"
#include "runtime/Handles.h"

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

// The full path of a process's image; empty when the process cannot be asked (another user's).
std::wstring ImagePath(DWORD processId) {
    rt::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
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
    DWORD ownSession = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &ownSession)) return std::nullopt;
    const std::wstring expected = Lowered(LongPath(JoinFolder(folder, imageName)));
    rt::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (!SameImageName(entry.szExeFile, imageName)) continue;
        DWORD session = 0;
        if (!::ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ownSession) continue;
        const std::wstring path = ImagePath(entry.th32ProcessID);
        if (!path.empty() && Lowered(LongPath(path)) == expected)
            return RunningViewer{entry.th32ProcessID, path};
    }
    return std::nullopt;
}

bool EndProcess(DWORD processId) {
    rt::UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process && ::TerminateProcess(process.get(), 1) != FALSE;
}

} // namespace updater
