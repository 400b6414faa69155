#pragma once
// Finding and ending the running viewer before its setup program runs.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "runtime/Handles.h"

namespace updater {

// The viewer's own file name; the downloaded setup program is saved under another name.
inline constexpr wchar_t kViewerImageName[] = L"Pelmor免费行情分析系统.exe";

// Image names compared in lower case, as the system lower-cases any letter (not only A–Z).
bool SameImageName(std::wstring_view a, std::wstring_view b);

struct RunningViewer {
    // Open to be ended: the same handle whose image path and session were checked, so that no other
    // process that took over the id in between can be ended in its place.
    rt::UniqueKernelHandle process;
    DWORD processId = 0;
    std::wstring imagePath; // as the system reports it
};
// The first process in the system's process list with this image name that runs in this session from
// folder (paths compared in lower case) and may be ended by this one; a viewer of another user, session
// or installation is passed over. Nothing when none runs.
std::optional<RunningViewer> FindViewer(std::wstring_view folder, std::wstring_view imageName);
// Asks the system to end the process and returns without waiting for it to go.
bool EndProcess(HANDLE process);

} // namespace updater
