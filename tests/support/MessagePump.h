#pragma once
// Runs what is queued for this thread's windows, as a message loop would between two user actions.
#include <windows.h>

namespace testsupport {

inline void Pump() {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace testsupport
