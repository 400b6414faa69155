#include "runtime/Form.h"

#include "runtime/Dpi.h"
#include "runtime/WindowObject.h"

namespace rt {
namespace {

constexpr wchar_t kFormClass[] = L"PelmorForm";
constexpr wchar_t kFormProp[] = L"Pelmor.rt.Form";

void RegisterFormClass(WNDPROC proc) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(inst, kFormClass, &wc)) return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    // No class brush: WM_ERASEBKGND paints the current BackColor, so nothing is created per class.
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = kObjectSlotBytes;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    ::RegisterClassExW(&wc);
}

// "宋体" 9 pt at a resolution.
UniqueFont FormFontAt(int32_t dpi) {
    return UniqueFont(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                    GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
}

// The window size that gives `wnd` a client area of exactly width × height.
SIZE WindowSizeFor(HWND wnd, int width, int height) {
    RECT wr{}, cr{};
    ::GetWindowRect(wnd, &wr);
    ::GetClientRect(wnd, &cr);
    return SIZE{(wr.right - wr.left) + (width - cr.right), (wr.bottom - wr.top) + (height - cr.bottom)};
}

} // namespace

Form::~Form() {
    if (state_ != State::Unloaded) Teardown();
}

Form* Form::FromHwnd(HWND wnd) {
    return wnd ? static_cast<Form*>(::GetPropW(wnd, kFormProp)) : nullptr;
}

bool Form::Load() {
    if (state_ != State::Unloaded) return true;
    state_ = State::Loading;
    shown_ = false;
    resizeCount_ = 0;
    if (!CreateFormWindow()) {
        Teardown();
        return false;
    }
    Trap([this] { CreateControls(); });
    if (state_ != State::Loading) return false;
    Trap([this] { Form_Load(); });
    if (state_ == State::Unloaded) return false;
    state_ = State::Loaded;
    return true;
}

bool Form::CreateFormWindow() {
    RegisterFormClass(&Form::StaticProc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN |
                        (sizable_ ? WS_THICKFRAME : 0) | (minButton_ ? WS_MINIMIZEBOX : 0) |
                        (maxButton_ ? WS_MAXIMIZEBOX : 0);
    const DWORD exStyle = WS_EX_WINDOWEDGE;
    RECT r{0, 0, clientWidth_, clientHeight_};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND wnd = ::CreateWindowExW(exStyle, kFormClass, caption_.c_str(), style, 0, 0, r.right - r.left,
                                 r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!wnd) return false;
    window_.reset(wnd);

    // The frame the system really draws decides the outer size; then centre on the primary work area.
    const SIZE size = WindowSizeFor(wnd, clientWidth_, clientHeight_);
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + ((work.right - work.left) - size.cx) / 2;
    const int y = work.top + ((work.bottom - work.top) - size.cy) / 2;
    ::SetWindowPos(wnd, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    // At the resolution of the monitor the form is on.
    font_ = FormFontAt(DpiOfWindow(wnd));
    ApplyIcons();
    return true;
}

void Form::SetFontDpi(int32_t dpi) {
    if (!hwnd_) return;
    const UniqueFont old = std::exchange(font_, FormFontAt(dpi));
    for (Control* control : Controls()) {
        const HWND wnd = control->hWnd();
        if (wnd && reinterpret_cast<HFONT>(::SendMessageW(wnd, WM_GETFONT, 0, 0)) == old.get())
            ::SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

void Form::ApplyIcons() {
    if (!hwnd_) return;
    if ((iconId_ || !iconName_.empty()) && !bigIcon_) {
        const wchar_t* name = iconId_ ? MAKEINTRESOURCEW(iconId_) : iconName_.c_str();
        HINSTANCE inst = iconInstance_ ? iconInstance_ : ::GetModuleHandleW(nullptr);
        bigIcon_.reset(static_cast<HICON>(::LoadImageW(inst, name, IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                       ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
        smallIcon_.reset(
            static_cast<HICON>(::LoadImageW(inst, name, IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                            ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    }
    HICON big = bigIcon_ ? bigIcon_.get() : sharedIcon_;
    HICON small = smallIcon_ ? smallIcon_.get() : big;
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void Form::SetIcon(HICON icon) {
    // The window lets go of the old icons before they are destroyed.
    UniqueIcon oldBig = std::move(bigIcon_), oldSmall = std::move(smallIcon_);
    sharedIcon_ = icon;
    iconName_.clear();
    iconId_ = 0;
    ApplyIcons();
}

void Form::SetIconResource(const wchar_t* name, HINSTANCE instance) {
    UniqueIcon oldBig = std::move(bigIcon_), oldSmall = std::move(smallIcon_);
    sharedIcon_ = nullptr;
    iconId_ = IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) : 0;
    iconName_ = iconId_ || !name ? std::wstring() : std::wstring(name);
    iconInstance_ = instance;
    ApplyIcons();
}

HICON Form::Icon() const {
    return bigIcon_ ? bigIcon_.get() : sharedIcon_;
}

void Form::Show(int nCmdShow) {
    if (state_ == State::Unloaded && !Load()) return;
    if (!hwnd_ || state_ == State::Unloading) return;
    const bool first = !shown_;
    shown_ = true;
    const int before = resizeCount_;
    // Focus cues are hidden until the keyboard is used, unless that is how the form was opened.
    if (first)
        ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL),
                       0);
    ::ShowWindow(hwnd_, nCmdShow);
    if (first && resizeCount_ == before && hwnd_) RaiseResize();
    if (!hwnd_) return;
    NotifyControlsShown();
    if (hwnd_) ::UpdateWindow(hwnd_);
}

void Form::Hide() {
    if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void Form::Unload() {
    if (state_ == State::Unloaded || state_ == State::Unloading) return;
    const State previous = state_;
    state_ = State::Unloading;
    bool cancel = false;
    Trap([&] { Form_QueryUnload(cancel); });
    if (!cancel) Trap([&] { Form_Unload(cancel); });
    if (cancel) {
        state_ = previous;
        return;
    }
    Teardown();
}

void Form::Teardown() {
    TerminateControls();
    DestroyControls();
    tips_.reset();
    if (window_) {
        destroying_ = true;
        window_.reset();
        destroying_ = false;
    }
    hwnd_ = nullptr;
    focused_ = nullptr;
    font_.reset();
    bigIcon_.reset();
    smallIcon_.reset();
    shown_ = false;
    state_ = State::Unloaded;
}

// The window was destroyed by someone else than Unload: no unload events, but nothing is left behind.
void Form::WindowGone() {
    if (hwnd_) DetachObject(hwnd_, kFormProp);
    if (destroying_) return;
    window_.release();
    hwnd_ = nullptr;
    Teardown();
}

int Form::Run(Form& startup, int nCmdShow) {
    startup.Show(nCmdShow);
    MSG msg{};
    while (startup.IsLoaded()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) break;
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT Form::OnActivate(WPARAM wParam, LPARAM lParam) {
    const bool active = LOWORD(wParam) != WA_INACTIVE;
    HWND target = nullptr;
    if (!active) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) focused_ = focus;
    } else if (!HIWORD(wParam)) {
        target = focused_ && ::IsChild(hwnd_, focused_) ? focused_ : nullptr;
        if (!target) Trap([&] { target = FirstFocus(); });
        if (target && (!::IsChild(hwnd_, target) || !::IsWindowVisible(target))) target = nullptr;
    }
    // The system gives the focus to the form itself, after which keys no longer reach the child that
    // had it (a page) until it is clicked.
    if (target)
        ::SetFocus(target);
    else
        ::DefWindowProcW(hwnd_, WM_ACTIVATE, wParam, lParam);
    Trap([&] { Form_Activation(active); });
    return 0;
}

void Form::RaiseResize() {
    ++resizeCount_;
    Trap([this] { Form_Resize(); });
}

LRESULT CALLBACK Form::StaticProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchToObject<Form>(kFormProp, wnd, msg, wParam, lParam);
}

LRESULT Form::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return EraseClient(hwnd_, reinterpret_cast<HDC>(wParam), backColor_);
    case WM_SIZE:
        if (state_ == State::Loaded || (state_ == State::Loading && shown_)) RaiseResize();
        break;
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_ACTIVATE:
        return OnActivate(wParam, lParam);
    case WM_DESTROY:
        // Destroyed from outside: the controls still hear Terminate while their windows exist.
        if (!destroying_ && state_ != State::Unloaded) {
            state_ = State::Unloading;
            TerminateControls();
        }
        break;
    default: {
        LRESULT result = 0;
        if (Control::ReflectToChild(msg, wParam, lParam, result)) return result;
        if (HandleAccessibility(hwnd_, *this, msg, wParam, lParam, result)) return result;
        break;
    }
    }
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

int Form::ScaleWidth() const {
    return ClientSizeOr(hwnd_, {clientWidth_, clientHeight_}).cx;
}

int Form::ScaleHeight() const {
    return ClientSizeOr(hwnd_, {clientWidth_, clientHeight_}).cy;
}

void Form::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (!hwnd_) return;
    const SIZE size = WindowSizeFor(hwnd_, width, height);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring Form::Caption() const {
    if (!hwnd_) return caption_;
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Form::SetCaption(std::wstring caption) {
    caption_ = std::move(caption);
    if (hwnd_) ::SetWindowTextW(hwnd_, caption_.c_str());
}

void Form::SetBackColor(uint32_t oleColor) {
    backColor_ = oleColor;
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

bool Form::Visible() const {
    return hwnd_ && ::IsWindowVisible(hwnd_);
}

WindowStateKind Form::WindowState() const {
    if (!hwnd_) return WindowStateKind::Normal;
    if (::IsIconic(hwnd_)) return WindowStateKind::Minimized;
    if (::IsZoomed(hwnd_)) return WindowStateKind::Maximized;
    return WindowStateKind::Normal;
}

void Form::SetWindowState(WindowStateKind state) {
    if (!hwnd_) return;
    if (state == WindowStateKind::Minimized) {
        ::ShowWindow(hwnd_, SW_MINIMIZE);
    } else if (state == WindowStateKind::Maximized) {
        ::ShowWindow(hwnd_, SW_MAXIMIZE);
    } else {
        // A window minimized from maximized restores to maximized first.
        if (::IsIconic(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
        if (::IsZoomed(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
    }
}

ToolTips* Form::Tips() {
    if (!hwnd_) return nullptr;
    if (!tips_) tips_ = std::make_unique<ToolTips>(hwnd_);
    return tips_.get();
}

} // namespace rt
