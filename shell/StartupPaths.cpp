#include "shell/StartupPaths.h"

namespace viewer {

std::wstring ProgramFolder(std::wstring_view appPath, bool inDevelopmentEnvironment) {
    std::wstring folder(appPath);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    if (inDevelopmentEnvironment) folder += L"Bin\\";
    return folder;
}

std::wstring ExecutablePath(std::wstring_view programFolder, std::wstring_view exeName) {
    std::wstring path(programFolder);
    path += exeName;
    path += L".exe";
    return path;
}

std::wstring UpdaterPath(std::wstring_view appPath) {
    std::wstring path(appPath);
    path += L"\\update.exe";
    return path;
}

std::wstring UpdaterCommandLine(std::wstring_view updaterPath) {
    // Quoted, so a program folder with spaces still names one file.
    std::wstring cmd = L"\"";
    cmd += updaterPath;
    cmd += L"\" ";
    cmd += kStartedByViewer;
    return cmd;
}

} // namespace viewer
