#pragma once
// The downloaded update list on disk, its text for display, and whether a download can be saved.
#include <string>

#include "updater/UpdateList.h"

namespace updater {

// Up to kMaxListBytes bytes of the file; the file is closed and deleted before this returns. Empty when
// it cannot be read.
std::string TakeListFile(const std::wstring& path);

// Whether a file can be written at path: it is created (over any file there) and removed again.
bool CanSaveFile(const std::wstring& path);

// Text from the list in its encoding (GBK through code page 936).
std::wstring ListText(const std::string& bytes, ListEncoding encoding);

} // namespace updater
