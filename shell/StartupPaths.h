#pragma once
// The viewer's start-up paths, kept free of Win32 so the folder rules can be tested on their own.
#include <string>
#include <string_view>

namespace viewer {

// The program folder with exactly one trailing backslash; a development run (not a built program)
// lives in the project folder and takes its program from "Bin\" below it.
std::wstring ProgramFolder(std::wstring_view appPath, bool inDevelopmentEnvironment);
// The executable that carries the window icon: program folder + name + ".exe".
std::wstring ExecutablePath(std::wstring_view programFolder, std::wstring_view exeName);
// "update.exe" beside the viewer, joined plainly: a drive root gives a doubled backslash, which the
// file system and the shell accept.
std::wstring UpdaterPath(std::wstring_view appPath);
// The command line that starts the updater as the viewer does; the argument tells it who started it.
std::wstring UpdaterCommandLine(std::wstring_view updaterPath);

inline constexpr wchar_t kStartedByViewer[] = L"主程序启动";

} // namespace viewer
