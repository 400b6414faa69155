#include "shell/ViewerKeys.h"

#include "shell/QuoteSources.h"

namespace viewer {
namespace {

// Virtual-key codes.
constexpr uint32_t kKeyF5 = 0x74;
constexpr uint32_t kKey1 = 0x31;
constexpr uint32_t kKeyNumpad1 = 0x61;

} // namespace

std::optional<ViewerKey> ChooseViewerKey(uint32_t virtualKey, bool ctrl, bool shift, bool alt) {
    if (shift || alt) return std::nullopt;
    if (!ctrl) return virtualKey == kKeyF5 ? std::optional(ViewerKey{}) : std::nullopt;
    for (const uint32_t first : {kKey1, kKeyNumpad1})
        if (virtualKey >= first && virtualKey - first < kQuoteSourceCount)
            return ViewerKey{ViewerKey::Action::OpenSource, virtualKey - first};
    return std::nullopt;
}

std::wstring SourceShortcut(size_t index) {
    return L"Ctrl+" + std::to_wstring(index + 1);
}

} // namespace viewer
