#pragma once
// Files the Win32 tests write and read back: a scratch folder of this test process's own under %TEMP%
// (test programs run in parallel), and whole files in one call.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh folder under %TEMP%, its name followed by this process's id, removed with everything in it
// at the end.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::wstring& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& relative) const { return path_ + L"\\" + relative; }

  private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& dir);
// The whole file; false when it cannot be opened.
bool ReadBytes(const std::wstring& path, std::string& out);
// Creates or replaces the file with exactly these bytes.
bool WriteFileBytes(const std::wstring& path, std::string_view data);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& data);

} // namespace testsupport
