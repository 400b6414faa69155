#pragma once
// Pages in the hosted browser control render in its oldest document mode unless the program names a
// newer one for itself under the user's feature-control key, as programs hosting the control commonly
// do. The value is the program's own setting: written once when absent, never changed afterwards.
#include <windows.h>

#include <string>

namespace viewer {

// Under HKEY_CURRENT_USER; the value name is the program's file name.
inline constexpr wchar_t kBrowserEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
// Internet Explorer 11's edge mode, whatever the page declares.
inline constexpr DWORD kBrowserEmulationMode = 11001;

enum class EmulationResult { Written, AlreadySet, Failed };

// Writes `exeFileName` = kBrowserEmulationMode (REG_DWORD) when the program has no value there; a value
// that exists, of any type, is left as it is.
EmulationResult EnsureBrowserEmulation(const std::wstring& exeFileName);

} // namespace viewer
