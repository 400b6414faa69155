#pragma once
// Program services: where the program lives, what it was started with, starting other programs and
// reading raw resources.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Handles.h"

namespace rt {

// The full path of a loaded module (0: the program), of any length; empty on failure.
std::wstring ModuleFileName(HMODULE module = nullptr);

// The folder of the running executable; no trailing backslash unless it is a drive root ("C:\").
std::wstring AppPath();
// The executable's file name without ".exe".
std::wstring AppExeName();
// Always false for a built program; callers that add "Bin\" when run from sources keep their shape.
bool AppInIde();
// The program's arguments: the command line without the program name and the blanks after it.
std::wstring AppCommand();
// What AppCommand() takes from a command line: a quoted program name is skipped with its quotes, an
// unquoted one up to the first blank; blanks before the arguments go, the rest is kept as written.
std::wstring CommandTail(std::wstring_view commandLine);

// True for an existing file; false for a folder or nothing.
bool FileExists(const std::wstring& path);

struct ShellCall {
    enum Kind { CommandLine, Execute } kind;
    std::wstring file;
    std::wstring parameters;
    int showCmd;
};
// Sees every Shell/ShellExecuteOpen call first; returning true swallows it (nothing is started).
using ShellHandler = std::function<bool(const ShellCall&)>;
// Installs a handler for the whole process and returns the previous one (empty: none).
ShellHandler SetShellHandler(ShellHandler handler);

// Process id that Shell() reports for a call a handler swallowed; real ids are multiples of 4.
constexpr uint32_t kSwallowedProcessId = 1;

// Starts a command line with the given show command without waiting; the process id, or 0 when it
// could not be started.
uint32_t Shell(const std::wstring& commandLine, int showCmd);
// Opens a document, folder, address or program through the shell ("open"), without waiting. With
// process given, it receives the started program's process when the shell starts one.
bool ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters, int showCmd,
                      UniqueKernelHandle* process = nullptr);

// Libraries loaded by name come only from the system folder and the program's own folder, never from
// the current folder or PATH. Called first thing at start-up, before anything loads a library.
bool LimitLibrarySearch();

// The bytes of a resource, empty when it is missing. A null instance means the executable.
std::vector<uint8_t> LoadResData(const wchar_t* name, const wchar_t* type, HINSTANCE inst = nullptr);

} // namespace rt
