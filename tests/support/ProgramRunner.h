#pragma once
// Starts one of the shipped programs from build/win/bin for an end-to-end test and ends it again.
#include <windows.h>

#include <string>

namespace testsupport {

// build/win/bin as seen from a test program in build/win/tests-bin.
std::wstring ShippedProgramPath(const std::wstring& fileName);

class ProgramRunner {
  public:
    ProgramRunner() = default;
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;
    ~ProgramRunner();

    // creationFlags go to CreateProcessW: CREATE_NO_WINDOW keeps a console tool's output out of ours.
    bool Start(const std::wstring& exePath, const std::wstring& arguments = {}, DWORD creationFlags = 0);
    // The first visible top-level window of the process with this caption, waiting up to timeoutMs.
    HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs = 20000) const;
    // Posts WM_CLOSE to the window and waits for the process; returns its exit code, or -1 on timeout.
    int Close(HWND window, DWORD timeoutMs = 10000);
    // Waits for the process to end by itself; -1 on timeout.
    int WaitForExit(DWORD timeoutMs);
    DWORD ProcessId() const { return pi_.dwProcessId; }
    bool Running() const;

  private:
    void Kill();
    PROCESS_INFORMATION pi_{};
};

} // namespace testsupport
