#include "runtime/OleColor.h"

#include <olectl.h>

#include "runtime/Handles.h"

namespace rt {

COLORREF ToColorRef(uint32_t oleColor, COLORREF fallback) {
    COLORREF rgb = 0;
    if (FAILED(::OleTranslateColor(static_cast<OLE_COLOR>(oleColor), nullptr, &rgb))) return fallback;
    return rgb;
}

void FillOleColor(HDC dc, const RECT& rect, uint32_t oleColor) {
    UniqueBrush brush(::CreateSolidBrush(ToColorRef(oleColor)));
    ::FillRect(dc, &rect, brush.get());
}

LRESULT EraseClient(HWND wnd, HDC dc, uint32_t oleColor) {
    RECT r{};
    ::GetClientRect(wnd, &r);
    FillOleColor(dc, r, oleColor);
    return 1;
}

} // namespace rt
