#include "menus/MenuDisplay.h"

#include <windows.h>

#include "runtime/Handles.h"

namespace menus {

SystemColors ReadSystemColors() {
    SystemColors s;
    s.highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    s.highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    s.window = ::GetSysColor(COLOR_WINDOW);
    s.windowText = ::GetSysColor(COLOR_WINDOWTEXT);
    s.menu = ::GetSysColor(COLOR_MENU);
    s.menuBar = ::GetSysColor(COLOR_MENUBAR);
    s.menuText = ::GetSysColor(COLOR_MENUTEXT);
    s.btnFace = ::GetSysColor(COLOR_BTNFACE);
    s.btnShadow = ::GetSysColor(COLOR_BTNSHADOW);
    s.btnText = ::GetSysColor(COLOR_BTNTEXT);
    s.grayText = ::GetSysColor(COLOR_GRAYTEXT);
    return s;
}

bool HighContrastOn() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof(hc);
    if (::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON))
        return true;
    wchar_t scheme[256] = {};
    DWORD bytes = sizeof(scheme);
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Appearance", L"Current", RRF_RT_REG_SZ, nullptr,
                       scheme, &bytes) != ERROR_SUCCESS)
        return false;
    return IsHighContrastScheme(scheme);
}

DisplayTraits ReadDisplayTraits() {
    DisplayTraits t;
    {
        const HWND desktop = ::GetDesktopWindow();
        rt::WindowDC dc(desktop);
        if (dc) t.bitsPerPixel = ::GetDeviceCaps(dc.get(), BITSPIXEL) * ::GetDeviceCaps(dc.get(), PLANES);
    }
    t.highContrast = HighContrastOn();
    BOOL flat = FALSE;
    t.flatMenus = ::SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0) && flat;
    return t;
}

} // namespace menus
