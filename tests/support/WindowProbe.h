#pragma once
// Reads a window's geometry and its children the way a user sees them, for end-to-end checks.
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct ChildInfo {
    std::wstring className;
    std::wstring text;
    RECT rect; // in the parent's client coordinates
    bool visible;
};

inline std::vector<ChildInfo> DirectChildren(HWND parent) {
    std::vector<ChildInfo> out;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        ChildInfo info{};
        wchar_t buf[512] = {};
        ::GetClassNameW(c, buf, 512);
        info.className = buf;
        buf[0] = 0;
        ::GetWindowTextW(c, buf, 512);
        info.text = buf;
        ::GetWindowRect(c, &info.rect);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&info.rect), 2);
        info.visible = ::IsWindowVisible(c) != FALSE;
        out.push_back(info);
    }
    return out;
}

inline SIZE ClientSize(HWND w) {
    RECT rc{};
    ::GetClientRect(w, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

inline RECT WorkArea() {
    RECT wa{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
    return wa;
}

} // namespace testsupport
