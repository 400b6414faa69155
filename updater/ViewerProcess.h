#pragma once
// Finding and ending the running viewer before its setup program runs.
#include <windows.h>

#include <string_view>

namespace updater {

// The viewer's own file name; the downloaded setup program is saved under another name.
inline constexpr wchar_t kViewerImageName[] = L"Pelmor免费行情分析系统.exe";

// Image names compared in lower case, as the system lower-cases any letter (not only A–Z).
bool SameImageName(std::wstring_view a, std::wstring_view b);
// The id of the first process in the system's process list with this image name; 0 when none runs.
DWORD FindFirstProcess(std::wstring_view imageName);
// Asks the system to end the process and returns without waiting for it to go.
bool EndProcess(DWORD processId);

} // namespace updater
