// Taking over popup menu windows: a flat frame of the engine's own in place of the system's, and the
// popup placed against the item that opened it.
#include "menus/ctxHookMenu.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "menus/PopupGeometry.h"
#include "menus/ctxHookMenuSink.h"
#include "runtime/Handles.h"

namespace menus {

namespace {

using SavedStyles = std::array<LONG_PTR, 2>;

rt::Rect ToRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

RECT ToRECT(const rt::Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

ctxHookMenu::Popup* ctxHookMenu::pvFindPopup(HWND hWnd) {
    const auto it =
        std::find_if(popups_.begin(), popups_.end(), [&](const Popup& p) { return p.hWnd == hWnd; });
    return it == popups_.end() ? nullptr : &*it;
}

void ctxHookMenu::pvSubclassPopup(HWND hWnd) {
    if (!menuLoop_ || !sink_) return;
    rt::Trap([&] {
        Popup* popup = pvFindPopup(hWnd);
        if (!popup) {
            auto sub = std::make_unique<msghook::cSubThunk>();
            sub->AddBeforeMsgs({WM_ERASEBKGND, WM_NCCALCSIZE, WM_NCPAINT, WM_WINDOWPOSCHANGING, WM_PRINT,
                                WM_SHOWWINDOW, WM_DESTROY});
            if (!sub->Subclass(hWnd, sink_, {.DontFree = true})) return;
            popups_.push_back({hWnd, std::move(sub)});
            popup = &popups_.back();
        }
        const LONG_PTR style = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
        const LONG_PTR exStyle = ::GetWindowLongPtrW(hWnd, GWL_EXSTYLE);
        popup->subclasser->Tag() = SavedStyles{style, exStyle};
        ::SetWindowLongPtrW(hWnd, GWL_EXSTYLE,
                            exStyle & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
        ::SetWindowLongPtrW(hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_BORDER));
        // The engine draws its own shadow; the system's would lie under it.
        const ULONG_PTR classStyle = ::GetClassLongPtrW(hWnd, GCL_STYLE);
        if (classStyle & CS_DROPSHADOW)
            ::SetClassLongPtrW(hWnd, GCL_STYLE, static_cast<LONG_PTR>(classStyle & ~CS_DROPSHADOW));
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    });
}

void ctxHookMenu::pvAdoptPopups() {
    // Some systems make the popup window of TrackPopupMenu before the menu loop starts, so the hook
    // reports it while no loop is on: take over the not yet shown popup menu windows of the form's
    // top-level window (an MDI child's popups belong to its frame).
    struct Search {
        ctxHookMenu* self;
        HWND owner;
        std::vector<HWND> found;
    } search{this, ::GetAncestor(form_, GA_ROOT), {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t name[16] = {};
            if (::GetClassNameW(wnd, name, 16) == 6 && std::wstring_view(name) == L"#32768" &&
                !::IsWindowVisible(wnd) && ::GetWindow(wnd, GW_OWNER) == s->owner &&
                !s->self->pvFindPopup(wnd))
                s->found.push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    for (HWND wnd : search.found)
        pvSubclassPopup(wnd);
}

void ctxHookMenu::pvPopupMessage(Popup& popup, bool& bHandled, LRESULT& lReturn, UINT uMsg, WPARAM wParam,
                                 LPARAM lParam) {
    const HWND hWnd = popup.hWnd;
    msghook::cSubThunk& sub = *popup.subclasser;
    switch (uMsg) {
    case WM_NCCALCSIZE:
        printing_ = false;
        if (wParam) {
            auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
            params->rgrc[0] = ToRECT(PopupClientRect(ToRect(params->rgrc[0]), metrics_.dpi));
            params->rgrc[2] = params->rgrc[0];
        }
        bHandled = true;
        lReturn = 0;
        break;
    case WM_NCPAINT: {
        if (printing_) break;
        RECT wr{};
        ::GetWindowRect(hWnd, &wr);
        const rt::Rect skip = PopupPaintExclusion(wr.right - wr.left, wr.bottom - wr.top, metrics_.dpi);
        if (drawing::cMemDC* image = pvFrameImage(hWnd)) {
            rt::WindowDC dc(hWnd, DCX_WINDOW | DCX_CACHE | DCX_CLIPSIBLINGS);
            if (dc.get()) {
                ::ExcludeClipRect(dc.get(), skip.left, skip.top, skip.right, skip.bottom);
                image->BitBlt(dc.get(), 0, 0, image->Width(), image->Height(), 0, 0, SRCCOPY);
            }
        }
        bHandled = true;
        lReturn = 0;
        break;
    }
    case WM_PRINT: {
        printing_ = true;
        const HDC dc = reinterpret_cast<HDC>(wParam);
        if (drawing::cMemDC* image = pvFrameImage(hWnd))
            image->BitBlt(dc, 0, 0, image->Width(), image->Height(), 0, 0, SRCCOPY);
        POINT old{};
        const rt::Rect insets = PopupFrameInsets(metrics_.dpi);
        ::OffsetViewportOrgEx(dc, insets.left, insets.top, &old);
        lReturn = sub.CallOrigWndProc(WM_PRINTCLIENT, wParam, lParam);
        ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
        ::SelectClipRgn(dc, nullptr);
        bHandled = true;
        break;
    }
    case WM_ERASEBKGND: {
        printing_ = false;
        const rt::Rect insets = PopupFrameInsets(metrics_.dpi);
        if (drawing::cMemDC* image = pvFrameImage(hWnd))
            image->BitBlt(reinterpret_cast<HDC>(wParam), -insets.left, -insets.top, image->Width(),
                          image->Height(), 0, 0, SRCCOPY);
        bHandled = true;
        lReturn = 1;
        break;
    }
    case WM_WINDOWPOSCHANGING:
        pvFitPopup(hWnd, *reinterpret_cast<WINDOWPOS*>(lParam));
        pvPlacePopup(hWnd, *reinterpret_cast<WINDOWPOS*>(lParam));
        break;
    case WM_SHOWWINDOW:
    case WM_DESTROY:
        if (uMsg == WM_SHOWWINDOW && wParam != 0) break;
        lReturn = sub.CallOrigWndProc(uMsg, wParam, lParam);
        bHandled = true;
        pvReleasePopup(hWnd);
        pvRaiseHighlight(L"");
        break;
    default:
        break;
    }
}

void ctxHookMenu::pvPlacePopup(HWND hWnd, WINDOWPOS& pos) {
    if (pos.flags & SWP_NOMOVE) return;
    drop_ = Drop{};
    RECT wr{};
    ::GetWindowRect(hWnd, &wr);
    PopupPlacementInput in;
    in.x = pos.x;
    in.y = pos.y;
    in.popup = ToRect(wr);
    // A popup sized in the same call is placed at its new height.
    if (!(pos.flags & SWP_NOSIZE)) in.popup.bottom = in.popup.top + pos.cy;
    in.item = ToRect(selectedItem_);
    in.tracked = trackedMenu_ != nullptr;
    in.fromMenuBar = trackedMenu_ != nullptr && trackedMenu_ == menuBar_;
    in.itemRightJustified = selectedRightJustified_;
    in.screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    in.screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    in.autoColumn = props_.AutoColumn;
    in.dpi = metrics_.dpi;
    in.dlgFrame = dlgFrameWidth_;
    const PopupPlacement out = PlacePopup(in);
    pos.x = out.x;
    pos.y = out.y;
    drop_.shiftedLeft = out.shiftedLeft;
    drop_.below = out.below;
    drop_.columns = out.columns;
    drop_.joinOffset = out.joinOffset;
    // Also for the system menu, whose position the system chose: the frame image is taken here.
    drop_.at = {out.x, out.y};
}

void ctxHookMenu::pvReleasePopup(HWND hWnd) {
    const auto it =
        std::find_if(popups_.begin(), popups_.end(), [&](const Popup& p) { return p.hWnd == hWnd; });
    if (it != popups_.end()) {
        // Unsubclassing may run inside this window's own dispatch; the entry stays valid until it returns.
        std::unique_ptr<msghook::cSubThunk> sub = std::move(it->subclasser);
        popups_.erase(it);
        sub->Unsubclass();
    }
    std::erase_if(popupImages_, [&](const auto& entry) { return entry.first == hWnd; });
}

} // namespace menus
