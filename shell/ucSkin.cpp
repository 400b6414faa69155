#include "shell/ucSkin.h"

#include <string>

#include "resources/resource_names.h"
#include "runtime/Checked.h"
#include "runtime/Dpi.h"
#include "runtime/Form.h"
#include "runtime/OleColor.h"
#include "runtime/Picture.h"
#include "shell/SkinPictures.h"

namespace viewer {

using namespace skin;

namespace {

constexpr wchar_t kTipMin[] = L"最小化";
constexpr wchar_t kTipMax[] = L"最大化";
constexpr wchar_t kTipRestore[] = L"向下还原";
constexpr wchar_t kTipClose[] = L"关闭";
constexpr wchar_t kTipMenu[] = L"主菜单";
constexpr wchar_t kTipTopMost[] = L"窗口置顶";

constexpr int32_t kDesignWidth = 90;
constexpr int32_t kDesignHeight = 24;

// An undocumented message the frame listens for and leaves alone.
constexpr UINT kMsg105A = 0x105A;

enum ParentState { kStateNormal = 0, kStateMinimized = 1, kStateMaximized = 2 };

int32_t Round(float v) {
    return rt::RoundToInt32(static_cast<double>(v));
}

// The system owns a region once it is set on a window; on failure it stays ours and is deleted.
bool SetRegion(HWND wnd, rt::UniqueRgn rgn) {
    if (!::SetWindowRgn(wnd, rgn.get(), TRUE)) return false;
    rgn.release();
    return true;
}

// The region leaves nothing of the window outside its client area visible.
bool RegionInsideClient(HWND wnd, HRGN rgn) {
    RECT box{}, window{}, client{};
    POINT origin{0, 0};
    if (::GetRgnBox(rgn, &box) == ERROR || !::GetWindowRect(wnd, &window) || !::GetClientRect(wnd, &client) ||
        !::ClientToScreen(wnd, &origin))
        return false;
    const int32_t left = origin.x - window.left, top = origin.y - window.top;
    return box.left >= left && box.top >= top && box.right <= left + client.right &&
           box.bottom <= top + client.bottom;
}

} // namespace

ucSkin::ucSkin() = default;

ucSkin::~ucSkin() {
    trampoline_.Stop();
}

void ucSkin::SetDrawBorder(bool value) {
    drawBorder_ = value;
    PropertyChanged(L"DrawBorder");
}

void ucSkin::SetDrawIcon(bool value) {
    if (value == drawIcon_) return;
    drawIcon_ = value;
    PropertyChanged(L"DrawIcon");
    pvRepaintAfterChange();
}

void ucSkin::SetMenuButton(bool value) {
    if (value == menuButton_) return;
    menuButton_ = value;
    PropertyChanged(L"MenuButton");
    pvRepaintAfterChange();
}

void ucSkin::SetTopMostButton(bool value) {
    if (value == topMostButton_) return;
    topMostButton_ = value;
    PropertyChanged(L"TopMostButton");
    pvRepaintAfterChange();
}

void ucSkin::SetMinWidth(int32_t value) {
    minWidth_ = value;
    PropertyChanged(L"MinWidth");
}

void ucSkin::SetMinHeight(int32_t value) {
    minHeight_ = value;
    PropertyChanged(L"MinHeight");
}

void ucSkin::pvRepaintAfterChange() {
    if (!AmbientUserMode() || !pvStarted()) return;
    // A hidden button's hit area must not stay clickable over a caption that no longer shows it.
    if (::IsWindowVisible(parent_)) pvUpdateHitAreaVisibility();
    pvPaint(pvParentActive());
}

int16_t ucSkin::ButtonState(int index) const {
    if (index < 0 || index >= kButtonCount) rt::RaiseSubscript();
    return buttonState_[static_cast<size_t>(index)];
}

SkinHitArea& ucSkin::ImgBt(int index) {
    if (index < 0 || index >= kButtonCount) rt::RaiseSubscript();
    return imgBt_[static_cast<size_t>(index)];
}

void ucSkin::UserControl_Initialize() {
    // A control sited again (its form loaded anew) starts from a fresh run-time state.
    parent_ = nullptr;
    flags_ = ParentFlags{};
    buttonState_ = {};
    zones_ = {};
    lastButton_ = 0;
    lastX_ = lastY_ = 0;
    topMost_ = false;
    pointer_ = Pointer::Default;

    SetBackColor(0);
    SetForeColor(0xFFFFFF);
    static constexpr const wchar_t* kTips[kButtonCount] = {kTipMin, kTipMax, kTipClose, kTipMenu,
                                                           kTipTopMost};
    const auto layout = LayoutCaptionButtons(ScaleWidth(), scale_);
    for (int i = 0; i < kButtonCount; ++i) {
        SkinHitArea& area = imgBt_[static_cast<size_t>(i)];
        area.MouseDown = [this, i](int button, int, float, float) { pvHitAreaDown(i, button); };
        area.MouseMove = [this, i](int button, int, float, float) { pvHitAreaMove(i, button); };
        area.MouseUp = [this, i](int button, int, float x, float y) { pvHitAreaUp(i, button, x, y); };
        area.MouseLeave = [this] { pvResetButtonsOnControl({.redraw = Redraw::Always, .show = Show::Now}); };
        area.PaintUnder = [this](HDC dc, const RECT& under) { frames_.CopyTo(dc, under, POINT{0, 0}); };
        pvDescribeCaptionButton(area, i);
        const Rect& r = layout[static_cast<size_t>(i)];
        Add(area, L"ImgBt(" + std::to_wstring(i) + L")", r.left, r.top, r.right - r.left, r.bottom - r.top);
        area.SetToolTipText(kTips[i]);
    }
}

void ucSkin::UserControl_InitProperties() {
    drawIcon_ = true;
    minWidth_ = 0;
    minHeight_ = 0;
    drawBorder_ = true;
    menuButton_ = false;
    topMostButton_ = false;
    // A control created at run time without stored properties works all the same.
    if (AmbientUserMode()) pvStartRunMode();
}

void ucSkin::UserControl_ReadProperties(rt::PropertyBag& PropBag) {
    // In this order; a missing key keeps the current value, and a value that cannot be read leaves it
    // and the keys after it as they are without keeping the control from starting.
    rt::Trap([&] {
        drawIcon_ = PropBag.ReadBool(L"DrawIcon", drawIcon_);
        minWidth_ = PropBag.ReadInt32(L"MinWidth", minWidth_);
        minHeight_ = PropBag.ReadInt32(L"MinHeight", minHeight_);
        drawBorder_ = PropBag.ReadBool(L"DrawBorder", drawBorder_);
        menuButton_ = PropBag.ReadBool(L"MenuButton", menuButton_);
        topMostButton_ = PropBag.ReadBool(L"TopMostButton", topMostButton_);
    });
    if (!AmbientUserMode()) {
        pvPaintDesignLook();
        return;
    }
    pvStartRunMode();
}

void ucSkin::UserControl_WriteProperties(rt::PropertyBag& PropBag) {
    // Defaults are those a fresh control reads for an absent key, so every value survives the round trip.
    PropBag.WriteBool(L"DrawIcon", drawIcon_, false);
    PropBag.WriteInt32(L"MinWidth", minWidth_, 0);
    PropBag.WriteInt32(L"MinHeight", minHeight_, 0);
    PropBag.WriteBool(L"DrawBorder", drawBorder_, false);
    PropBag.WriteBool(L"MenuButton", menuButton_, false);
    PropBag.WriteBool(L"TopMostButton", topMostButton_, false);
}

void ucSkin::pvStartRunMode() {
    if (pvStarted()) return;
    const MouseTracking tracking = ChooseMouseTracking(::GetModuleHandleW(L"user32.dll"), L"comctl32.dll");
    trackMouseEvent_ = tracking.function;
    user32Tracking_ = tracking.user32;

    rt::Form* form = ParentForm();
    HWND parent = form && form->hWnd() ? form->hWnd() : ::GetParent(hWnd());
    if (!parent) return;
    parent_ = parent;
    parentForm_ = form && form->hWnd() == parent ? form : nullptr;
    trampoline_.Install(
        parent_, {WM_SYSCOMMAND, WM_NCACTIVATE, WM_NCPAINT},
        {WM_GETMINMAXINFO, WM_SIZE, WM_SHOWWINDOW, WM_NCACTIVATE, kMsg105A, WM_GETICON, WM_DPICHANGED});
    trampoline_.Install(hWnd(), {}, {WM_MOUSELEAVE});

    pvTakeDpi(rt::DpiOfWindow(parent_));
}

void ucSkin::pvTakeDpi(int32_t dpi) {
    if (skin_.hdc() && dpi == scale_.dpi) return;
    scale_ = Scale{dpi};
    // The skin's caption-button cells are scaled one by one, so a cell's place stays a whole multiple of
    // the scaled cell; the caption background below them is one band.
    const rt::Picture skin = ScaledResPicture(
        PELMOR_RES_SKIN, PELMOR_SKIN_W, PELMOR_SKIN_H, dpi,
        {PELMOR_SKIN_CELL, PELMOR_SKIN_W / PELMOR_SKIN_CELL, PELMOR_SKIN_CAPTION_Y / PELMOR_SKIN_CELL});
    skin_ = drawing::pcMemDC();
    skin_.CreateFromPicture(skin);
    // Everything drawn at the old resolution goes.
    frames_.Release();
    base_.Release();
    baseOf_ = CaptionBase{};
    strip_.SelectFont(nullptr);
    captionFont_.reset();
}

void ucSkin::pvOnDpiChanged(WPARAM wp, const RECT* suggested) {
    pvTakeDpi(HIWORD(wp));
    // The suggested rectangle keeps the window where it was relative to the pointer and the monitors;
    // the resize that follows lays the frame out again at the new scale.
    if (suggested)
        ::SetWindowPos(parent_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    pvOnParentSize();
    RaiseEvent(DpiChanged);
}

ucSkin::MouseTracking ucSkin::ChooseMouseTracking(HMODULE user32, const wchar_t* comctl32) {
    MouseTracking tracking;
    if (FARPROC fn = user32 ? ::GetProcAddress(user32, "TrackMouseEvent") : nullptr) {
        tracking.function = reinterpret_cast<TrackMouseEventFn>(reinterpret_cast<void*>(fn));
        tracking.user32 = true;
        return tracking;
    }
    // Loaded for good: the function is called for as long as the control lives.
    HMODULE comctl = ::GetModuleHandleW(comctl32);
    if (!comctl) comctl = ::LoadLibraryW(comctl32);
    if (FARPROC fn = comctl ? ::GetProcAddress(comctl, "_TrackMouseEvent") : nullptr)
        tracking.function = reinterpret_cast<TrackMouseEventFn>(reinterpret_cast<void*>(fn));
    return tracking;
}

void ucSkin::UserControl_Terminate() {
    skin_ = drawing::pcMemDC();
    trampoline_.Stop();
    frames_.Release();
    strip_.Release();
    strip_.SelectFont(nullptr);
    base_.Release();
    baseOf_ = CaptionBase{};
    captionFont_.reset();
    ncHidden_ = false;
    parent_ = nullptr;
    parentForm_ = nullptr;
}

void ucSkin::UserControl_Resize() {
    if (AmbientUserMode()) return;
    if (Width() != kDesignWidth || Height() != kDesignHeight) {
        // Moving raises Resize again, which draws the look at the held size.
        Move(Left(), Top(), kDesignWidth, kDesignHeight);
        if (Width() == kDesignWidth && Height() == kDesignHeight) return;
    }
    pvPaintDesignLook();
}

void ucSkin::UserControl_Paint(HDC dc) {
    if (!frames_.dc()) return;
    RECT box{};
    if (::GetClipBox(dc, &box) == ERROR) return;
    frames_.CopyTo(dc, box, POINT{box.left, box.top});
}

LRESULT ucSkin::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        // The frame's picture covers everything; erasing first would only flicker.
        if (frames_.dc()) return 1;
        break;
    case WM_PRINTCLIENT:
        if (const SkinFrameLook* shown = frames_.Current()) {
            const RECT all{0, 0, shown->w, shown->h};
            frames_.CopyTo(reinterpret_cast<HDC>(wParam), all, POINT{0, 0});
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hWnd() && LOWORD(lParam) == HTCLIENT &&
            pointer_ != Pointer::Default) {
            pvSetPointer(pointer_);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return UserControl::WindowProc(msg, wParam, lParam);
}

void ucSkin::Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) {
    if (wnd != parent_) return;
    if (msg == WM_SYSCOMMAND) {
        // Alt+Space: the window has no caption of its own for the system to open the menu under; a
        // minimized window is left to the system.
        if ((wp & 0xFFF0) != SC_KEYMENU || lp != L' ' || !pvStarted() || pvParentMinimized()) return;
        handled = true;
        rt::Trap([&] {
            POINT under{0, SizeCaption()};
            ::ClientToScreen(hWnd(), &under);
            pvShowSystemMenu(under);
        });
        return;
    }
    // The system would paint a border that the region hides, under a frame painted here anyway.
    if (!ncHidden_ || pvParentMinimized()) return;
    handled = true;
    if (msg != WM_NCACTIVATE) return;
    // -1: the system still records the activation but leaves the non-client area alone.
    result = trampoline_.CallPrevious(wnd, msg, wp, -1);
    if (const auto active = NcActivatePaint(static_cast<uint32_t>(wp))) pvPaint(*active);
}

void ucSkin::After(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT&) {
    rt::Trap([&] {
        if (!pvStarted()) return;
        if (wnd == parent_) {
            switch (msg) {
            case WM_GETMINMAXINFO:
                pvOnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
                break;
            case WM_SIZE:
                pvOnParentSize();
                break;
            case WM_SHOWWINDOW:
                pvOnParentShow(wp != 0);
                break;
            case WM_NCACTIVATE:
                if (const auto active = NcActivatePaint(static_cast<uint32_t>(wp))) pvPaint(*active);
                break;
            case WM_DPICHANGED:
                pvOnDpiChanged(wp, reinterpret_cast<const RECT*>(lp));
                break;
            default:
                break;
            }
        } else if (wnd == hWnd() && msg == WM_MOUSELEAVE) {
            pvResetButtonsOnControl({.redraw = Redraw::Always, .show = Show::Now});
        }
    });
}

void ucSkin::pvOnParentShow(bool shown) {
    // The style is read before the regions are made, so the very first show already clips the sizing
    // border instead of showing it until the first resize.
    pvReadParentFlags();
    pvApplyRegions();
    pvUpdateHitAreaVisibility();
    if (!shown || pvParentMinimized()) return;
    // Stripping the caption resizes the client area and lays the frame out; a form that had no caption
    // to strip gets its layout here.
    RECT client{};
    ::GetClientRect(parent_, &client);
    if (ScaleWidth() != client.right || ScaleHeight() != client.bottom) pvOnParentSize();
}

void ucSkin::pvOnParentSize() {
    RECT client{};
    ::GetClientRect(parent_, &client);
    ::SetWindowPos(hWnd(), nullptr, 0, 0, client.right, client.bottom, 0);
    pvApplyRegions();
    zones_ = ComputeSizingZones(ScaleWidth(), ScaleHeight(), scale_);
    pvLayoutButtons();
    // The tip follows the state whichever way the form got there (button, double click, system menu).
    if (!pvParentMinimized()) imgBt_[kMaxButton].SetToolTipText(pvParentMaximized() ? kTipRestore : kTipMax);
    pvPaint(pvParentActive());
}

void ucSkin::pvOnGetMinMaxInfo(MINMAXINFO* info) {
    // The monitor the form is on, not the primary one.
    workArea_ = rt::WorkAreaOf(parent_);
    const RECT monitor = rt::MonitorAreaOf(parent_);
    if (!info) return;
    const MinMaxNumbers n =
        ComputeMinMax(Rect{workArea_.left, workArea_.top, workArea_.right, workArea_.bottom}, minWidth_,
                      minHeight_, scale_, Point{monitor.left, monitor.top}, pvFrameInset());
    info->ptMaxSize = POINT{n.maxSize.x, n.maxSize.y};
    info->ptMaxPosition = POINT{n.maxPosition.x, n.maxPosition.y};
    info->ptMinTrackSize = POINT{n.minTrackSize.x, n.minTrackSize.y};
    info->ptMaxTrackSize = POINT{n.maxTrackSize.x, n.maxTrackSize.y};
}

int32_t ucSkin::pvFrameInset() {
    // Only a sizing border is the system's to size; a window edge alone keeps the design inset.
    if (!flags_.thickFrame) return kFrameInset;
    if (!pvParentMinimized() && !pvParentMaximized())
        frameInset_ = rt::ClientInsetOf(parent_).value_or(frameInset_);
    return frameInset_;
}

void ucSkin::pvReadParentFlags() {
    const LONG_PTR style = ::GetWindowLongPtrW(parent_, GWL_STYLE);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(parent_, GWL_EXSTYLE);
    flags_.thickFrame = (style & WS_THICKFRAME) != 0;
    flags_.minBox = (style & WS_MINIMIZEBOX) != 0;
    flags_.maxBox = (style & WS_MAXIMIZEBOX) != 0;
    flags_.windowEdge = (exStyle & WS_EX_WINDOWEDGE) != 0;
}

void ucSkin::pvApplyRegions() {
    if (pvParentMinimized()) return;
    ncHidden_ = false;
    const LONG_PTR style = ::GetWindowLongPtrW(parent_, GWL_STYLE);
    // Only a real change needs the frame recalculated; doing it on every resize would nest WM_SIZE.
    if (style & WS_CAPTION) {
        ::SetWindowLongPtrW(parent_, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
        ::SetWindowPos(parent_, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (pvParentMaximized()) {
        ::SetWindowRgn(parent_, nullptr, TRUE);
    } else {
        RECT wr{};
        ::GetWindowRect(parent_, &wr);
        const Rect r = ParentRegionRect(wr.right - wr.left, wr.bottom - wr.top,
                                        flags_.thickFrame || flags_.windowEdge, pvFrameInset());
        const int32_t corner = scale_(kRegionCorner);
        rt::UniqueRgn rgn(::CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, corner, corner));
        const bool hides = rgn && RegionInsideClient(parent_, rgn.get());
        ncHidden_ = SetRegion(parent_, std::move(rgn)) && hides;
    }

    const ControlShape shape = ControlRegionShape(ScaleWidth(), ScaleHeight(), pvParentMaximized(), scale_);
    const Rect& o = shape.outer;
    const int32_t corner = scale_(kRegionCorner);
    rt::UniqueRgn rgn(shape.rounded ? ::CreateRoundRectRgn(o.left, o.top, o.right, o.bottom, corner, corner)
                                    : ::CreateRectRgn(o.left, o.top, o.right, o.bottom));
    if (!rgn) return;
    if (!IsEmpty(shape.opening)) {
        const Rect& h = shape.opening;
        rt::UniqueRgn hole(::CreateRectRgn(h.left, h.top, h.right, h.bottom));
        if (hole) ::CombineRgn(rgn.get(), rgn.get(), hole.get(), RGN_XOR);
    }
    SetRegion(hWnd(), std::move(rgn));
}

void ucSkin::pvLayoutButtons() {
    const auto layout = LayoutCaptionButtons(ScaleWidth(), scale_);
    for (int i = 0; i < kButtonCount; ++i) {
        const Rect& r = layout[static_cast<size_t>(i)];
        // Beneath every other control on the frame, as controls without a window of their own would
        // lie: on a narrow window the hit areas reach over the quote-source buttons, which were placed
        // after them, and a click there belongs to the quote-source button.
        ::SetWindowPos(imgBt_[static_cast<size_t>(i)].hWnd(), HWND_BOTTOM, r.left, r.top, r.right - r.left,
                       r.bottom - r.top, SWP_NOACTIVATE);
    }
}

void ucSkin::pvUpdateHitAreaVisibility() {
    imgBt_[kMinButton].SetVisible(flags_.minBox);
    imgBt_[kMaxButton].SetVisible(flags_.maxBox);
    imgBt_[kCloseButton].SetVisible(true);
    imgBt_[kMenuButton].SetVisible(menuButton_);
    imgBt_[kTopMostButton].SetVisible(topMostButton_);
}

void ucSkin::UserControl_MouseDown(int Button, int, float X, float Y) {
    lastButton_ = Button;
    lastX_ = Round(X);
    lastY_ = Round(Y);
    if (!pvStarted()) return;
    if (OpensSystemMenuOnDown(Button, lastX_, lastY_, drawIcon_, pvParentIcon() != nullptr, scale_))
        ShowSystemMenu();
}

void ucSkin::UserControl_MouseMove(int Button, int, float X, float Y) {
    if (!pvStarted()) return;
    pvTrackMouseLeave(hWnd());
    pvResetButtonsOnControl({});
    const HitChoice choice =
        ChooseHitTest(zones_, flags_.thickFrame, pvParentMaximized(), Round(X), Round(Y), scale_);
    pvSetPointer(choice.pointer);
    if ((Button & kLeftButton) && choice.code != kHitNone) {
        ::ReleaseCapture();
        ::SendMessageW(parent_, WM_NCLBUTTONDOWN, static_cast<WPARAM>(choice.code), 0);
    }
}

void ucSkin::UserControl_DblClick() {
    if (!pvStarted()) return;
    switch (ChooseDblClickAction(lastButton_, lastX_, lastY_, drawIcon_, pvParentIcon() != nullptr,
                                 flags_.maxBox, scale_)) {
    case DblClickAction::UnloadParent:
        pvUnloadParent();
        break;
    case DblClickAction::ToggleMaximized:
        pvSetParentState(pvParentMaximized() ? kStateNormal : kStateMaximized);
        break;
    case DblClickAction::None:
        break;
    }
}

void ucSkin::ShowSystemMenu() {
    POINT at{};
    ::GetCursorPos(&at);
    pvShowSystemMenu(at);
}

void ucSkin::pvShowSystemMenu(POINT at) {
    if (!pvStarted()) return;
    HMENU menu = ::GetSystemMenu(parent_, FALSE);
    const int command = ::TrackPopupMenu(menu, TPM_RETURNCMD, at.x, at.y, 0, parent_, nullptr);
    ::SendMessageW(parent_, WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
}

void ucSkin::pvTrackMouseLeave(HWND wnd) {
    if (!trackMouseEvent_ || !wnd) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = wnd;
    tme.dwHoverTime = 0;
    trackMouseEvent_(&tme);
}

void ucSkin::pvSetPointer(Pointer pointer) {
    pointer_ = pointer;
    const wchar_t* id = IDC_ARROW;
    switch (pointer) {
    case Pointer::SizeNWSE:
        id = IDC_SIZENWSE;
        break;
    case Pointer::SizeNS:
        id = IDC_SIZENS;
        break;
    case Pointer::SizeNESW:
        id = IDC_SIZENESW;
        break;
    case Pointer::SizeWE:
        id = IDC_SIZEWE;
        break;
    case Pointer::Default:
        break;
    }
    // Shared system cursors: loaded, never destroyed.
    ::SetCursor(::LoadCursorW(nullptr, id));
}

void ucSkin::pvHitAreaDown(int index, int button) {
    if (!pvStarted()) return;
    if (button == kLeftButton)
        pvDrawButtonOnControl(index, kPressed, {.show = Show::Now});
    else if (button == kRightButton)
        ShowSystemMenu();
}

void ucSkin::pvHitAreaMove(int index, int button) {
    if (!pvStarted()) return;
    // The hit area is a window of its own: leaving it is what ends the hover.
    pvTrackMouseLeave(imgBt_[static_cast<size_t>(index)].hWnd());
    pvSetPointer(Pointer::Default);
    pvDrawButtonOnControl(index, (button & kLeftButton) ? kPressed : kHover, {.show = Show::Now});
}

void ucSkin::pvHitAreaUp(int index, int button, float x, float y) {
    if (!pvStarted()) return;
    if (!ReleaseInsideButton(Round(x), Round(y), scale_)) {
        pvDrawButtonOnControl(index, kNormal, {.show = Show::Now});
        return;
    }
    pvDrawButtonOnControl(index, kHover, {.show = Show::Now});
    if (button == kLeftButton) pvCaptionButtonAction(index);
}

void ucSkin::pvCaptionButtonAction(int index) {
    switch (index) {
    case kMinButton:
        if (rt::Control::RaiseVetoable(MinButtonClick)) pvSetParentState(kStateMinimized);
        break;
    case kMaxButton:
        if (rt::Control::RaiseVetoable(MaxButtonClick)) {
            const bool restore = pvParentMaximized();
            pvSetParentState(restore ? kStateNormal : kStateMaximized);
            imgBt_[kMaxButton].SetToolTipText(restore ? kTipMax : kTipRestore);
        }
        break;
    case kCloseButton:
        if (rt::Control::RaiseVetoable(CloseButtonClick)) pvUnloadParent();
        break;
    case kMenuButton:
        RaiseEvent(MenuButtonClick);
        break;
    case kTopMostButton:
        topMost_ = !topMost_;
        ::SetWindowPos(parent_, topMost_ ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE);
        pvDrawButtonOnControl(kTopMostButton, kNormal, {.redraw = Redraw::Always});
        break;
    default:
        break;
    }
}

void ucSkin::pvUnloadParent() {
    HWND parent = parent_;
    if (rt::Form* form = rt::Form::FromHwnd(parent))
        form->Unload();
    else if (parent)
        ::SendMessageW(parent, WM_CLOSE, 0, 0);
}

void ucSkin::pvSetParentState(int state) {
    if (rt::Form* form = rt::Form::FromHwnd(parent_)) {
        form->SetWindowState(static_cast<rt::WindowStateKind>(state));
        return;
    }
    ::ShowWindow(parent_, state == kStateMinimized   ? SW_MINIMIZE
                          : state == kStateMaximized ? SW_MAXIMIZE
                                                     : SW_RESTORE);
}

bool ucSkin::pvParentMinimized() const {
    return parent_ && ::IsIconic(parent_);
}

bool ucSkin::pvParentMaximized() const {
    return parent_ && ::IsZoomed(parent_);
}

bool ucSkin::pvParentActive() const {
    return parent_ && ::GetForegroundWindow() == parent_;
}

HICON ucSkin::pvParentIcon() const {
    // The form captured at start, not looked up by its window: this runs on every paint.
    if (parentForm_) return parentForm_->Icon();
    return parent_ ? reinterpret_cast<HICON>(::GetClassLongPtrW(parent_, GCLP_HICON)) : nullptr;
}

} // namespace viewer
