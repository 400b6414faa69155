#include "runtime/StockControls.h"

#include <commctrl.h>

#include <algorithm>

namespace rt {
namespace {

constexpr wchar_t kPictureBoxClass[] = L"PelmorPictureBox";

std::wstring WindowText(HWND wnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

DWORD BorderExStyle(BorderStyle border) {
    return border == BorderStyle::FixedSingle ? WS_EX_CLIENTEDGE : 0;
}

} // namespace

// PictureBox

HWND PictureBox::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return CreateOwnWindow(kPictureBoxClass, BaseStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           BorderExStyle(border_), parent, left, top, width, height);
}

void PictureBox::SetPicture(rt::Picture picture) {
    picture_ = std::move(picture);
    if (!hWnd()) return;
    FitToPicture();
    ::InvalidateRect(hWnd(), nullptr, TRUE);
}

void PictureBox::PaintPicture(HDC dc) const {
    if (picture_) picture_->Render(dc, 0, 0, picture_->Width(), picture_->Height());
    RaiseEvent(Paint, dc);
}

void PictureBox::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    FitToPicture();
}

void PictureBox::FitToPicture() {
    if (!hWnd() || !autoSize_ || !picture_) return;
    RECT r{0, 0, picture_->Width(), picture_->Height()};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongW(hWnd(), GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(hWnd(), GWL_EXSTYLE)));
    ::SetWindowPos(hWnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PictureBox::SetBorderStyle(rt::BorderStyle border) {
    border_ = border;
    if (!hWnd()) return;
    LONG ex = ::GetWindowLongW(hWnd(), GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE;
    ::SetWindowLongW(hWnd(), GWL_EXSTYLE, ex | static_cast<LONG>(BorderExStyle(border)));
    ::SetWindowPos(hWnd(), nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitToPicture();
}

void PictureBox::SetBackColor(uint32_t oleColor) {
    backColor_ = oleColor;
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, TRUE);
}

LRESULT PictureBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return EraseClient(hWnd(), reinterpret_cast<HDC>(wParam), backColor_);
    case WM_PAINT: {
        PaintGuard paint(hWnd());
        if (paint.dc()) PaintPicture(paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (lParam & PRF_ERASEBKGND) WindowProc(WM_ERASEBKGND, wParam, 0);
        PaintPicture(dc);
        return 0;
    }
    case WM_SETCURSOR:
        if (mouseIcon_ && reinterpret_cast<HWND>(wParam) == hWnd() && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(mouseIcon_);
            return TRUE;
        }
        break;
    default:
        if (HandleMouse(msg, wParam, lParam)) return 0;
        break;
    }
    return Control::WindowProc(msg, wParam, lParam);
}

void PictureBox::OnMouse(MouseKind kind, int button, int shift, float x, float y) {
    switch (kind) {
    case MouseKind::Down:
        RaiseEvent(MouseDown, button, shift, x, y);
        break;
    case MouseKind::Move:
        RaiseEvent(MouseMove, button, shift, x, y);
        break;
    case MouseKind::Up:
        RaiseEvent(MouseUp, button, shift, x, y);
        break;
    case MouseKind::Click:
        RaiseEvent(Click);
        break;
    case MouseKind::DblClick:
        RaiseEvent(DblClick);
        break;
    }
}

// Label

HWND Label::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"STATIC", caption_.c_str(),
                             BaseStyle() | SS_LEFT | SS_NOPREFIX, left, top, width, height, parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

std::wstring Label::Caption() const {
    return hWnd() ? WindowText(hWnd()) : caption_;
}

void Label::SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    if (hWnd()) ::SetWindowTextW(hWnd(), caption_.c_str());
}

void Label::SetForeColor(uint32_t oleColor) {
    foreColor_ = oleColor;
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, TRUE);
}

uint32_t Label::BackColor() const {
    if (backColor_) return *backColor_;
    if (Container()) return Container()->ContainerBackColor();
    return Host() ? Host()->HostBackColor() : SysColor::ButtonFace;
}

void Label::SetBackColor(uint32_t oleColor) {
    backColor_ = oleColor;
    if (hWnd()) ::InvalidateRect(hWnd(), nullptr, TRUE);
}

bool Label::OnReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_CTLCOLORSTATIC) return false;
    const COLORREF back = ToColorRef(BackColor());
    // One brush per label, made again only when the colour it paints changes.
    if (!brush_ || brushColor_ != back) {
        brush_.reset(::CreateSolidBrush(back));
        brushColor_ = back;
    }
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ToColorRef(foreColor_));
    ::SetBkColor(dc, back);
    result = reinterpret_cast<LRESULT>(brush_.get());
    return true;
}

// CommandButton

HWND CommandButton::CreateHandle(HWND parent, int left, int top, int width, int height) {
    return ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BUTTON", caption_.c_str(),
                             BaseStyle() | (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), left, top, width,
                             height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

std::wstring CommandButton::Caption() const {
    return hWnd() ? WindowText(hWnd()) : caption_;
}

void CommandButton::SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    if (hWnd()) ::SetWindowTextW(hWnd(), caption_.c_str());
}

void CommandButton::SetDefault(bool on) {
    default_ = on;
    ShowAsDefault(on);
}

void CommandButton::ShowAsDefault(bool on) {
    if (hWnd()) ::SendMessageW(hWnd(), BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool CommandButton::OnReflected(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    RaiseEvent(Click);
    result = 0;
    return true;
}

// ProgressBar

HWND ProgressBar::CreateHandle(HWND parent, int left, int top, int width, int height) {
    EnsureCommonControls();
    HWND wnd = ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, PROGRESS_CLASSW, L"", BaseStyle(), left, top, width,
                                 height, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (wnd) {
        ::SendMessageW(wnd, PBM_SETRANGE32, kMin, kMax);
        ::SendMessageW(wnd, PBM_SETPOS, static_cast<WPARAM>(value_), 0);
    }
    return wnd;
}

void ProgressBar::SetValue(int value) {
    value_ = std::clamp(value, kMin, kMax);
    if (hWnd()) ::SendMessageW(hWnd(), PBM_SETPOS, static_cast<WPARAM>(value_), 0);
}

} // namespace rt
