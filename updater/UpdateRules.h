#pragma once
// The updater's decisions that need no window: what a load ends in, the progress percent, and the
// addresses and paths it uses.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "DecimalVersion.h"
#include "UpdateList.h"

namespace updater {

enum class LoadOutcome {
    ConnectFailed, // box "无法连接到网站…", end
    NoUpdateData,  // box "检测不到更新数据…", end
    UpToDateBox,   // box "您使用的版本已经是最新版！", end
    EndQuietly,    // up to date, started by the viewer
    AskViewerUser, // newer, started by the viewer: Yes/No question
    ShowWindow,    // newer, started by hand
};

LoadOutcome DecideLoad(bool listDownloaded, const std::optional<UpdateList>& list, const DecimalVersion& own,
                       bool startedByViewer);

// Whole percent of progress / maximum, 0 when the maximum is 0, never above 100. The transfer reports
// unsigned 32-bit counts that reach us as int32_t, so they are read back as unsigned.
int ProgressPercent(int32_t progress, int32_t maximum);

// folder + "\" + name, without doubling the backslash of a root folder ("C:\").
std::wstring JoinFolder(std::wstring_view folder, std::wstring_view name);
// The list's address on the site: homeUrl + "upsoft.txt", with exactly one slash between.
std::wstring ListUrl(std::wstring_view homeUrl);

} // namespace updater
