#pragma once
// The tool tips of one top-level form: a single tooltip window, made on first use, that shows a text
// for each tool window registered with it.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>

#include "runtime/Handles.h"

namespace rt {

class ToolTips {
  public:
    // `owner` is the top-level window the tips belong to; it must outlive this object's window.
    explicit ToolTips(HWND owner) : owner_(owner) {}
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;

    // Adds, updates or (empty text) removes the tip of a tool window.
    void SetToolText(HWND tool, std::wstring_view text);
    // The text the tooltip window holds for the tool; empty when it has none.
    std::wstring ToolText(HWND tool) const;
    // Null until the first tip is set.
    HWND hWnd() const { return tips_.get(); }
    void Clear();

  private:
    bool EnsureWindow();

    HWND owner_;
    UniqueWindow tips_;
    // The window each tool was registered under, needed to find it again.
    std::map<HWND, HWND> containers_;
};

} // namespace rt
