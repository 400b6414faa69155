#pragma once
// The version a program carries in its version resource: the one the build wrote from the project version.
#include <windows.h>

#include <cstdint>
#include <string>

namespace rt {

struct ProgramVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    bool found = false;
};

// Major and minor of the fixed file version of a module (null: the running program); found is false
// when the module has no version resource.
ProgramVersion ReadProgramVersion(HMODULE module = nullptr);
// The same for a program file that need not be running.
ProgramVersion ReadFileVersion(const std::wstring& path);
// "major.minor" as the version is written everywhere ("1.5"); empty without a version resource.
std::wstring ProgramVersionText(HMODULE module = nullptr);

} // namespace rt
