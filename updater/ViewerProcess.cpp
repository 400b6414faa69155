#include "ViewerProcess.h"

#include <tlhelp32.h>

#include <string>

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

} // namespace

bool SameImageName(std::wstring_view a, std::wstring_view b) {
    return Lowered(a) == Lowered(b);
}

DWORD FindFirstProcess(std::wstring_view imageName) {
    rt::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (SameImageName(entry.szExeFile, imageName)) return entry.th32ProcessID;
    }
    return 0;
}

bool EndProcess(DWORD processId) {
    rt::UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    return process && ::TerminateProcess(process.get(), 1) != FALSE;
}

} // namespace updater
