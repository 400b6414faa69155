#include "tests/scrollbars/demo/SkinnedBars.h"

#include <string>

#include "runtime/Dpi.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "runtime/OleColor.h"

namespace demo {

namespace {

constexpr int kArrow = scrollbars::kArrowLength;
constexpr uint32_t kGalleryBack = 0x00302820;
constexpr COLORREF kCaptionText = RGB(220, 220, 220);

// Part rectangles in the bar's own coordinates, given along (a0, a1) and across (0, thickness).
RECT Along(bool horizontal, int a0, int a1, int thickness) {
    return horizontal ? RECT{a0, 0, a1, thickness} : RECT{0, a0, thickness, a1};
}

} // namespace

void PaintBar(scrollbars::cScrollbarDraw& painter, HDC dc, int x, int y, bool horizontal, int length,
              int thickness, int thumbStart, int thumbEnd, const BarLook& look) {
    const int w = horizontal ? length : thickness, h = horizontal ? thickness : length;
    rt::UniqueDC mem(::CreateCompatibleDC(dc));
    rt::UniqueBitmap bits(::CreateCompatibleBitmap(dc, w, h));
    rt::SelectGuard select(mem.get(), bits.get());
    if (!select.ok()) return;
    const int16_t o = horizontal ? 1 : 2;
    const RECT track = Along(horizontal, 0, length, thickness);
    const RECT first = Along(horizontal, 0, kArrow, thickness);
    const RECT second = Along(horizontal, length - kArrow, length, thickness);
    const RECT thumb = Along(horizontal, thumbStart, thumbEnd, thickness);
    painter.DrawTrack(mem.get(), o, look.track, track.left, track.top, track.right, track.bottom);
    painter.DrawFirstArrow(mem.get(), o, look.firstArrow, first.left, first.top, first.right, first.bottom);
    painter.DrawSecondArrow(mem.get(), o, look.secondArrow, second.left, second.top, second.right,
                            second.bottom);
    if (thumbEnd > thumbStart)
        painter.DrawThumb(mem.get(), o, look.thumb, thumb.left, thumb.top, thumb.right, thumb.bottom);
    ::BitBlt(dc, x, y, w, h, mem.get(), 0, 0, SRCCOPY);
}

void BarSkin::Attach(rt::ScrollBar& bar) {
    // No focus caret blinking over the skinned thumb.
    trampoline_.Install(bar.hWnd(), {WM_PAINT, WM_ERASEBKGND, WM_SETFOCUS},
                        {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_MOUSELEAVE, WM_KILLFOCUS, WM_ENABLE,
                         SBM_SETPOS, SBM_SETRANGE, SBM_SETRANGEREDRAW, SBM_SETSCROLLINFO});
    ::RedrawWindow(bar.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void BarSkin::After(HWND wnd, UINT, WPARAM, LPARAM, LRESULT&) {
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void BarSkin::Before(HWND wnd, UINT msg, WPARAM, LPARAM, bool& handled, LRESULT& result) {
    handled = true;
    result = msg == WM_ERASEBKGND ? 1 : 0;
    if (msg != WM_PAINT) return;
    rt::PaintGuard paint(wnd);
    if (!paint.dc()) return;
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof(sbi);
    if (!::GetScrollBarInfo(wnd, OBJID_CLIENT, &sbi)) return;
    RECT client{};
    ::GetClientRect(wnd, &client);
    const bool horizontal = (::GetWindowLongW(wnd, GWL_STYLE) & SBS_VERT) == 0;
    const auto pressed = [&](int part) { return (sbi.rgstate[part] & STATE_SYSTEM_PRESSED) != 0; };
    const bool disabled = (sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0;
    BarLook look;
    look.track = pressed(2) || pressed(4) ? 1 : 0;
    look.thumb = disabled ? 3 : pressed(3) ? 2 : 0;
    look.firstArrow = disabled ? 4 : pressed(1) ? 2 : 0;
    look.secondArrow = disabled ? 4 : pressed(5) ? 2 : 0;
    painter_.SetDpi(rt::DpiOfWindow(wnd));
    PaintBar(painter_, paint.dc(), 0, 0, horizontal, horizontal ? client.right : client.bottom,
             horizontal ? client.bottom : client.right, sbi.xyThumbTop, sbi.xyThumbBottom, look);
}

HWND StateGallery::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return CreateOwnWindow(L"PelmorScrollbarGallery", BaseStyle(), 0, parent, left, top, width, height);
}

LRESULT StateGallery::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r{};
        ::GetClientRect(hWnd(), &r);
        rt::FillOleColor(reinterpret_cast<HDC>(wParam), r, kGalleryBack);
        return 1;
    }
    case WM_PAINT: {
        rt::PaintGuard paint(hWnd());
        if (paint.dc()) Paint(paint.dc());
        return 0;
    }
    default:
        return Control::WindowProc(msg, wParam, lParam);
    }
}

void StateGallery::Paint(HDC dc) {
    const rt::Form* form = ParentForm();
    rt::SelectGuard font(dc, form ? form->Font() : nullptr);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kCaptionText);
    // The arrows have five states, the thumb four, the track two: each row shows the highest it has.
    const int thumbs[][2] = {{40, 55}, {60, 76}, {90, 140}, {150, 260}, {200, 300}};
    for (int16_t s = 0; s < 5; ++s) {
        const BarLook look{static_cast<int16_t>(s < 1 ? s : 1), static_cast<int16_t>(s < 3 ? s : 3), s, s};
        const int y = s * 46;
        const std::wstring caption = L"状态 " + std::to_wstring(s);
        ::TextOutW(dc, 0, y, caption.c_str(), static_cast<int>(caption.size()));
        PaintBar(painter_, dc, 0, y + 18, true, 340, 17, thumbs[s][0], thumbs[s][1], look);
        ::TextOutW(dc, 380 + s * 34, 0, caption.c_str() + 3, 1);
        PaintBar(painter_, dc, 378 + s * 34, 18, false, 204, 17, thumbs[s][0] / 2, thumbs[s][1] / 2 + 8,
                 look);
    }
}

} // namespace demo
