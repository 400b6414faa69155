#pragma once
// The viewer's own keys, offered after the page had its turn at them: Ctrl+1 … Ctrl+6 (number row or
// keypad) open the quote sources in bar order, F5 loads the page shown again.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace viewer {

struct ViewerKey {
    enum class Action { OpenSource, Reload };
    Action action = Action::Reload;
    size_t source = 0; // OpenSource: the index in bar order
    friend bool operator==(const ViewerKey&, const ViewerKey&) = default;
};

// For a key going down (its virtual-key code) with these modifiers held; none for any other key.
std::optional<ViewerKey> ChooseViewerKey(uint32_t virtualKey, bool ctrl, bool shift, bool alt);
// The key that opens the source at `index`, as a screen reader reads it out ("Ctrl+1").
std::wstring SourceShortcut(size_t index);

} // namespace viewer
