#include "runtime/ToolTips.h"

#include <commctrl.h>

#include <vector>

#include "runtime/Control.h"

namespace rt {
namespace {

// The size comctl32 5.x accepts as well as 6.x; the full structure is refused by the older one.
TTTOOLINFOW ToolInfo(HWND container, HWND tool) {
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = container;
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    return ti;
}

} // namespace

bool ToolTips::EnsureWindow() {
    if (tips_) return true;
    EnsureCommonControls();
    tips_.reset(::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!tips_) return false;
    // Long texts wrap instead of running off the screen.
    ::SendMessageW(tips_.get(), TTM_SETMAXTIPWIDTH, 0, 400);
    return true;
}

void ToolTips::SetToolText(HWND tool, std::wstring_view text) {
    if (!tool) return;
    auto it = containers_.find(tool);
    if (text.empty()) {
        if (it == containers_.end()) return;
        TTTOOLINFOW ti = ToolInfo(it->second, tool);
        if (tips_) ::SendMessageW(tips_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        containers_.erase(it);
        return;
    }
    if (!EnsureWindow()) return;
    std::wstring buffer(text);
    if (it != containers_.end()) {
        TTTOOLINFOW ti = ToolInfo(it->second, tool);
        ti.lpszText = buffer.data();
        ::SendMessageW(tips_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
        return;
    }
    HWND container = ::GetParent(tool);
    if (!container) container = tool;
    TTTOOLINFOW ti = ToolInfo(container, tool);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.lpszText = buffer.data();
    if (::SendMessageW(tips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti)))
        containers_.emplace(tool, container);
}

std::wstring ToolTips::ToolText(HWND tool) const {
    auto it = containers_.find(tool);
    if (!tips_ || it == containers_.end()) return {};
    std::vector<wchar_t> buffer(1024, L'\0');
    TTTOOLINFOW ti = ToolInfo(it->second, tool);
    ti.lpszText = buffer.data();
    ::SendMessageW(tips_.get(), TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&ti));
    return std::wstring(buffer.data());
}

void ToolTips::Clear() {
    containers_.clear();
    tips_.reset();
}

} // namespace rt
