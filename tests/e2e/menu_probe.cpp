// Reports the popup menu windows on the test display, for end-to-end tests that cannot see inside
// another process: one line per visible "#32768" window with its window and client rectangles (screen
// pixels) and its styles, then the system colours a menu is painted in (window, button shadow, menu,
// highlight, button face), then the height of "ABCH" in the system menu font.
#include <windows.h>

#include <cstdio>

int wmain() {
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, L"#32768", nullptr));) {
        if (!::IsWindowVisible(w)) continue;
        RECT wr{}, cr{};
        ::GetWindowRect(w, &wr);
        ::GetClientRect(w, &cr);
        ::MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&cr), 2);
        std::printf("popup %ld %ld %ld %ld %ld %ld %ld %ld %#lx %#lx\n", wr.left, wr.top, wr.right, wr.bottom,
                    cr.left, cr.top, cr.right, cr.bottom,
                    static_cast<unsigned long>(::GetWindowLongPtrW(w, GWL_STYLE)),
                    static_cast<unsigned long>(::GetWindowLongPtrW(w, GWL_EXSTYLE)));
    }
    std::printf("colors %#lx %#lx %#lx %#lx %#lx\n", ::GetSysColor(COLOR_WINDOW),
                ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_MENU), ::GetSysColor(COLOR_HIGHLIGHT),
                ::GetSysColor(COLOR_BTNFACE));
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    const HFONT font = ::CreateFontIndirectW(&ncm.lfMenuFont);
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, L"ABCH", 4, &size);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(font);
    std::printf("menutext %ld\n", size.cy);
    return 0;
}
