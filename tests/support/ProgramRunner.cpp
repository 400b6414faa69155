#include "tests/support/ProgramRunner.h"

#include <vector>

namespace testsupport {

std::wstring ShippedProgramPath(const std::wstring& fileName) {
    std::vector<wchar_t> buf(MAX_PATH * 4);
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    std::wstring self(buf.data(), n);
    const auto slash = self.find_last_of(L"\\/");
    std::wstring dir = slash == std::wstring::npos ? L"." : self.substr(0, slash);
    return dir + L"\\..\\bin\\" + fileName;
}

ProgramRunner::~ProgramRunner() {
    Kill();
}

bool ProgramRunner::Start(const std::wstring& exePath, const std::wstring& arguments, DWORD creationFlags) {
    Kill();
    std::wstring cmd = L"\"" + exePath + L"\"";
    if (!arguments.empty()) cmd += L" " + arguments;
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    return ::CreateProcessW(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                            nullptr, &si, &pi_) != FALSE;
}

namespace {
struct FindData {
    DWORD pid;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND w, LPARAM lp) {
    auto* d = reinterpret_cast<FindData*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid != d->pid || !::IsWindowVisible(w)) return TRUE;
    wchar_t text[512] = {};
    ::GetWindowTextW(w, text, 512);
    if (*d->caption != text) return TRUE;
    d->found = w;
    return FALSE;
}
} // namespace

HWND ProgramRunner::WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        FindData d{pi_.dwProcessId, &caption, nullptr};
        ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&d));
        if (d.found) return d.found;
        if (!Running()) return nullptr;
        ::Sleep(20);
    }
    return nullptr;
}

bool ProgramRunner::Running() const {
    return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

int ProgramRunner::WaitForExit(DWORD timeoutMs) {
    if (!pi_.hProcess) return -1;
    if (::WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<int>(code);
}

int ProgramRunner::Close(HWND window, DWORD timeoutMs) {
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForExit(timeoutMs);
}

void ProgramRunner::Kill() {
    if (pi_.hProcess) {
        if (Running()) {
            ::TerminateProcess(pi_.hProcess, 99);
            ::WaitForSingleObject(pi_.hProcess, 5000);
        }
        ::CloseHandle(pi_.hProcess);
        ::CloseHandle(pi_.hThread);
    }
    pi_ = {};
}

} // namespace testsupport
