#include "shell/BrowserEmulation.h"

#include "runtime/Handles.h"

namespace viewer {

EmulationResult EnsureBrowserEmulation(const std::wstring& exeFileName) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return EmulationResult::Failed;
    const rt::UniqueRegKey key(opened);
    const LSTATUS found =
        ::RegQueryValueExW(key.get(), exeFileName.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (found == ERROR_SUCCESS) return EmulationResult::AlreadySet;
    if (found != ERROR_FILE_NOT_FOUND) return EmulationResult::Failed;
    const DWORD mode = kBrowserEmulationMode;
    return ::RegSetValueExW(key.get(), exeFileName.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&mode), sizeof(mode)) == ERROR_SUCCESS
               ? EmulationResult::Written
               : EmulationResult::Failed;
}

} // namespace viewer
