#include "updater/UpdateRules.h"

#include <algorithm>

namespace updater {

LoadOutcome DecideLoad(const ListReading& reading, const DecimalVersion& own, bool startedByViewer,
                       bool canRunSetup) {
    switch (reading.state) {
    case ListState::NotSaved:
        return LoadOutcome::CannotSave;
    case ListState::NotDownloaded:
        return LoadOutcome::ConnectFailed;
    case ListState::Invalid:
        return LoadOutcome::NoUpdateData;
    // A stale list means "no update now": not worth a word at every start of the viewer.
    case ListState::Undated:
        return startedByViewer ? LoadOutcome::EndQuietly : LoadOutcome::UndatedBox;
    case ListState::Expired:
        return startedByViewer ? LoadOutcome::EndQuietly : LoadOutcome::ExpiredBox;
    case ListState::Good:
        break;
    }
    if (!reading.list) return LoadOutcome::NoUpdateData;
    if (own >= reading.list->version)
        return startedByViewer ? LoadOutcome::EndQuietly : LoadOutcome::UpToDateBox;
    if (!canRunSetup) return LoadOutcome::AskToVisitSite;
    return startedByViewer ? LoadOutcome::AskViewerUser : LoadOutcome::ShowWindow;
}

int ProgressPercent(int32_t progress, int32_t maximum) {
    const uint64_t max = static_cast<uint32_t>(maximum);
    if (max == 0) return 0;
    const uint64_t percent = static_cast<uint64_t>(static_cast<uint32_t>(progress)) * 100 / max;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

UpdaterFormLayout LayOutUpdaterForm(int32_t dpi) {
    const auto px = [dpi](const rt::Rect& r) { return rt::ScaleForDpi(r, dpi); };
    return {rt::ScaleForDpi(446, dpi), rt::ScaleForDpi(114, dpi), px({16, 16, 178, 28}),
            px({376, 16, 412, 28}),    px({16, 40, 436, 63}),     px({280, 80, 361, 103}),
            px({376, 80, 433, 104})};
}

std::wstring JoinFolder(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path.append(name);
}

std::wstring ListUrl(std::wstring_view homeUrl) {
    std::wstring url(homeUrl);
    if (url.empty() || url.back() != L'/') url += L'/';
    return url + L"upsoft.txt";
}

} // namespace updater
