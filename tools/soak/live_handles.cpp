// Asks a running soak build of the viewer for the run-time's live handle counts and prints
// "gdi N user M boxes K" (K: message boxes the viewer shows); one line naming the reason and exit
// status 1 when there is no such viewer, 2 when it does not answer within 5 seconds.
#include <windows.h>

#include <cstdio>

#include "tools/soak/HandleProbe.h"

namespace {

struct BoxCount {
    DWORD process;
    int boxes;
};

BOOL CALLBACK CountBox(HWND wnd, LPARAM p) {
    auto& count = *reinterpret_cast<BoxCount*>(p);
    DWORD pid = 0;
    wchar_t cls[16] = {};
    ::GetWindowThreadProcessId(wnd, &pid);
    ::GetClassNameW(wnd, cls, 16);
    if (pid == count.process && ::IsWindowVisible(wnd) && ::lstrcmpW(cls, L"#32770") == 0) ++count.boxes;
    return TRUE;
}

} // namespace

int wmain() {
    const HWND probe = ::FindWindowExW(HWND_MESSAGE, nullptr, soak::kProbeClass, nullptr);
    if (!probe) {
        std::fputs("no viewer with a handle probe is running\n", stderr);
        return 1;
    }
    const UINT query = ::RegisterWindowMessageW(soak::kProbeMessage);
    DWORD_PTR counts[2] = {};
    for (WPARAM kind = 0; kind < 2; ++kind)
        if (!::SendMessageTimeoutW(probe, query, kind, 0, SMTO_ABORTIFHUNG, 5000, &counts[kind])) {
            std::fputs("the viewer does not answer\n", stderr);
            return 2;
        }
    BoxCount boxes{0, 0};
    ::GetWindowThreadProcessId(probe, &boxes.process);
    ::EnumWindows(CountBox, reinterpret_cast<LPARAM>(&boxes));
    std::printf("gdi %lu user %lu boxes %d\n", static_cast<unsigned long>(counts[0]),
                static_cast<unsigned long>(counts[1]), boxes.boxes);
    return 0;
}
