#pragma once
// What the updater checks before it believes a list or runs a setup program.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "runtime/Handles.h"
#include "updater/ListSignature.h"
#include "updater/UpdateList.h"
#include "updater/UpdateRules.h"

namespace updater {

// The list's entry (UpdateList::Parse). With public keys (the build setting: base64 of 04 || X || Y, ';'
// between keys) the first line must also be signed by one of them on its own signature line (ListSignature.h;
// the form without a key id counts only when the build has one key), name the setup program's SHA-256 and
// carry an expiry that today (UTC) has not passed. A setting that cannot be read refuses every list.
ListReading ReadCheckedList(std::string_view bytes, std::string_view domain, std::string_view publicKeys,
                            const ListDate& today);

// The first four bytes of the SHA-256 of the point 04 || X || Y; nothing when the system could not hash.
std::optional<KeyId> KeyIdOf(const EcPublicKey& key);

// Today's date in UTC, by the system clock.
ListDate TodayUtc();

// The downloaded setup program, opened so that nobody can change or remove it while the handle is held,
// when it is a program (starting with "MZ") whose SHA-256 is sha256. An empty handle otherwise.
rt::UniqueKernelHandle OpenVerifiedSetup(const std::wstring& path, const Sha256Digest& sha256);

} // namespace updater
