#include "updater/SetupHandover.h"

#include <algorithm>

#include "runtime/App.h"
#include "updater/ListFile.h"
#include "updater/UpdateRules.h"

namespace updater {

void AwaitSetupTakingOver(HANDLE setupProcess, HANDLE instanceMutex) {
    if (!setupProcess || !instanceMutex) return;
    constexpr DWORD kStepMs = 50;
    for (DWORD waited = 0; waited < 10'000; waited += kStepMs) {
        // Ours for the moment when nobody else holds it: let it go again at once.
        const DWORD state = ::WaitForSingleObject(instanceMutex, 0);
        if (state == WAIT_TIMEOUT) return;
        if (state != WAIT_OBJECT_0 && state != WAIT_ABANDONED) return;
        ::ReleaseMutex(instanceMutex);
        if (::WaitForSingleObject(setupProcess, kStepMs) != WAIT_TIMEOUT) return;
    }
}

std::optional<std::wstring> TakeFailedUpdateNote(const std::wstring& folder) {
    const std::wstring path = JoinFolder(JoinFolder(folder, L"UpDate"), L"LastFailed.txt");
    if (!rt::FileExists(path)) return std::nullopt;
    std::string text = TakeListFile(path);
    // A version such as "2.0"; anything else is not shown.
    const bool plain = text.size() <= 16 && std::all_of(text.begin(), text.end(), [](char c) {
                           return (c >= '0' && c <= '9') || c == '.';
                       });
    if (!plain) text.clear();
    return std::wstring(text.begin(), text.end());
}

std::wstring FailedUpdateText(const std::wstring& version) {
    const std::wstring what =
        version.empty() ? L"上次升级没有完成" : L"上次升级到新版本 V" + version + L" 没有完成";
    return what + L"，您使用的仍是原来的版本。请关闭可能正在使用本软件文件的程序（如杀毒软件），"
                  L"并确认磁盘空间充足，然后再试！";
}

} // namespace updater
