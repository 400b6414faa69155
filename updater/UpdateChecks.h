#pragma once
// What the updater checks before it believes a list or runs a setup program.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "Handles.h"
#include "UpdateList.h"

namespace updater {

// The list's entry (UpdateList::Parse). With a public key (the build setting, base64 of 04 || X || Y)
// the first line must also carry the key's signature on the second line and name the setup program's
// SHA-256; a key that cannot be read refuses every list.
std::optional<UpdateList> ReadCheckedList(std::string_view bytes, std::string_view domain,
                                          std::string_view publicKey);

// The downloaded setup program, opened so that nobody can change or remove it while the handle is held,
// when it is a program (not empty, starting with "MZ") whose SHA-256 is sha256 (when given). An empty
// handle otherwise.
rt::UniqueKernelHandle OpenVerifiedSetup(const std::wstring& path, const std::optional<Sha256Digest>& sha256);

} // namespace updater
