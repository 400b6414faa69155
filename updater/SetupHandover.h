#pragma once
// What passes between the updater and the setup program it starts: the single-instance mutex, held on
// until the setup program holds it, and the note the setup program leaves when an update did not complete.
#include <windows.h>

#include <optional>
#include <string>

namespace updater {

// Returns once the setup program holds the updater's single-instance mutex (it takes it first thing),
// has ended, or 10 s have passed; a null process returns at once. Until then no second updater can
// start between this one's end and the setup program's start.
void AwaitSetupTakingOver(HANDLE setupProcess, HANDLE instanceMutex);

// The version named by the note a setup program started by the updater leaves in the program folder
// (UpDate\LastFailed.txt) when its update did not complete and the old version was kept. The note is
// removed, so that the user is told once. Nothing when there is none.
std::optional<std::wstring> TakeFailedUpdateNote(const std::wstring& folder);
// What the user is told about it.
std::wstring FailedUpdateText(const std::wstring& version);

} // namespace updater
