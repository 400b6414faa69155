#pragma once
// The updater's decisions that need no window: what a load ends in, the progress percent, the
// addresses and paths it uses, and where its form puts its controls.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/DpiScale.h"
#include "runtime/Geometry.h"
#include "updater/DecimalVersion.h"
#include "updater/UpdateList.h"

namespace updater {

// What became of the update list.
enum class ListState {
    NotSaved,      // the program folder cannot take the list file
    NotDownloaded, // no answer, or an error
    Invalid,       // unreadable, or not signed by a key of the build (with its setup program's digest)
    Undated,       // signed, without an expiry
    Expired,       // signed, past its expiry
    Good,
};

struct ListReading {
    ListState state = ListState::NotDownloaded;
    std::optional<UpdateList> list = std::nullopt; // when Good
};

enum class LoadOutcome {
    ConnectFailed,  // box "无法连接到网站…", end
    CannotSave,     // box "无法在程序所在的文件夹中保存更新文件…", end
    NoUpdateData,   // box "检测不到更新数据…", end
    UndatedBox,     // box "更新数据没有注明有效期…", end
    ExpiredBox,     // box "更新数据已过期…", end
    UpToDateBox,    // box "您使用的版本已经是最新版！", end
    EndQuietly,     // up to date or a stale list, started by the viewer
    AskViewerUser,  // newer, started by the viewer: Yes/No question
    ShowWindow,     // newer, started by hand
    AskToVisitSite, // newer, and the build runs no setup program: Yes/No question, Yes opens the home page
};

// canRunSetup: the build has a key, so a list it believes may have a setup program run.
LoadOutcome DecideLoad(const ListReading& reading, const DecimalVersion& own, bool startedByViewer,
                       bool canRunSetup);

// Whole percent of progress / maximum, 0 when the maximum is 0, never above 100. The transfer reports
// unsigned 32-bit counts that reach us as int32_t, so they are read back as unsigned.
int ProgressPercent(int32_t progress, int32_t maximum);

// The form's client size and its controls' places at a resolution: the 96-DPI design scaled.
struct UpdaterFormLayout {
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    // In client pixels.
    rt::Rect lbTiShi, lblProgress, pb, cmdUpSoft, cmdQuxiao;
    friend bool operator==(const UpdaterFormLayout&, const UpdaterFormLayout&) = default;
};
UpdaterFormLayout LayOutUpdaterForm(int32_t dpi = rt::kDesignDpi);

// folder + "\" + name, without doubling the backslash of a root folder ("C:\").
std::wstring JoinFolder(std::wstring_view folder, std::wstring_view name);
// The list's address on the site: homeUrl + "upsoft.txt", with exactly one slash between.
std::wstring ListUrl(std::wstring_view homeUrl);

} // namespace updater
