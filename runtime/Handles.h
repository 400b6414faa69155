#pragma once
// Move-only owners for GDI and USER handles. Each type counts the handles it owns so that leak tests
// work where GetGuiResources does not (Wine returns 0).
#include <windows.h>

#include <atomic>
#include <utility>

namespace rt {

enum class HandleKind { Gdi, User };

// Live handles owned by the RAII types below, per kind. Read by tests before and after many cycles.
struct LiveHandles {
    static long Gdi() { return gdi().load(); }
    static long User() { return user().load(); }
    static std::atomic<long>& gdi() {
        static std::atomic<long> n{0};
        return n;
    }
    static std::atomic<long>& user() {
        static std::atomic<long> n{0};
        return n;
    }
    static std::atomic<long>& of(HandleKind k) { return k == HandleKind::Gdi ? gdi() : user(); }

    // Handles ever taken into ownership, per kind: a count that does not move over some work shows
    // that the work made no objects, not only that it deleted what it made.
    static long Made(HandleKind k) { return made(k).load(); }
    static std::atomic<long>& made(HandleKind k) {
        static std::atomic<long> n[2]{0, 0};
        return n[k == HandleKind::Gdi ? 0 : 1];
    }
    static void Took(HandleKind k) {
        ++of(k);
        ++made(k);
    }
};

template <class H, HandleKind K, class Deleter> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {
        if (h_) LiveHandles::Took(K);
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }
    // Gives up ownership without destroying; the caller now owns the handle.
    H release() {
        if (h_) --LiveHandles::of(K);
        return std::exchange(h_, H{});
    }
    void reset(H h = H{}) {
        if (h == h_) return;
        if (h_) {
            Deleter{}(h_);
            --LiveHandles::of(K);
        }
        h_ = h;
        if (h_) LiveHandles::Took(K);
    }

  private:
    H h_{};
};

struct GdiObjectDeleter {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct DcDeleter {
    void operator()(HDC h) const { ::DeleteDC(h); }
};
struct IconDeleter {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct CursorDeleter {
    void operator()(HCURSOR h) const { ::DestroyCursor(h); }
};
struct MenuDeleter {
    void operator()(HMENU h) const { ::DestroyMenu(h); }
};
struct WindowDeleter {
    void operator()(HWND h) const {
        if (::IsWindow(h)) ::DestroyWindow(h);
    }
};
struct ModuleDeleter {
    void operator()(HMODULE h) const { ::FreeLibrary(h); }
};
struct RegKeyDeleter {
    void operator()(HKEY h) const { ::RegCloseKey(h); }
};
struct HookDeleter {
    void operator()(HHOOK h) const { ::UnhookWindowsHookEx(h); }
};
struct KernelHandleDeleter {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};

using UniqueDC = UniqueHandle<HDC, HandleKind::Gdi, DcDeleter>;
using UniqueBitmap = UniqueHandle<HBITMAP, HandleKind::Gdi, GdiObjectDeleter>;
using UniqueFont = UniqueHandle<HFONT, HandleKind::Gdi, GdiObjectDeleter>;
using UniqueBrush = UniqueHandle<HBRUSH, HandleKind::Gdi, GdiObjectDeleter>;
using UniquePen = UniqueHandle<HPEN, HandleKind::Gdi, GdiObjectDeleter>;
using UniqueRgn = UniqueHandle<HRGN, HandleKind::Gdi, GdiObjectDeleter>;
using UniquePalette = UniqueHandle<HPALETTE, HandleKind::Gdi, GdiObjectDeleter>;
using UniqueIcon = UniqueHandle<HICON, HandleKind::User, IconDeleter>;
using UniqueCursor = UniqueHandle<HCURSOR, HandleKind::User, CursorDeleter>;
using UniqueMenu = UniqueHandle<HMENU, HandleKind::User, MenuDeleter>;
using UniqueWindow = UniqueHandle<HWND, HandleKind::User, WindowDeleter>;
// A hook is a USER object: counted with the others.
using UniqueHook = UniqueHandle<HHOOK, HandleKind::User, HookDeleter>;
// Modules and kernel handles are neither GDI nor USER objects; they are owned but not counted as such.
template <class H, class D> class UniqueUncounted {
  public:
    UniqueUncounted() = default;
    explicit UniqueUncounted(H h) : h_(h) {}
    UniqueUncounted(const UniqueUncounted&) = delete;
    UniqueUncounted& operator=(const UniqueUncounted&) = delete;
    UniqueUncounted(UniqueUncounted&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
    UniqueUncounted& operator=(UniqueUncounted&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, H{}));
        return *this;
    }
    ~UniqueUncounted() { reset(); }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != H{} && h_ != INVALID_HANDLE_VALUE; }
    H release() { return std::exchange(h_, H{}); }
    void reset(H h = H{}) {
        if (h_ && h_ != INVALID_HANDLE_VALUE && h_ != h) D{}(h_);
        h_ = h;
    }

  private:
    H h_{};
};
using UniqueModule = UniqueUncounted<HMODULE, ModuleDeleter>;
using UniqueKernelHandle = UniqueUncounted<HANDLE, KernelHandleDeleter>;
using UniqueRegKey = UniqueUncounted<HKEY, RegKeyDeleter>;

// Selects an object into a DC and puts the previous one back when it leaves scope, so objects are
// released in reverse order of selection.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (dc_ && old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    bool ok() const { return old_ && old_ != HGDI_ERROR; }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

class PaintGuard {
  public:
    explicit PaintGuard(HWND wnd) : wnd_(wnd), dc_(::BeginPaint(wnd, &ps_)) {}
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    ~PaintGuard() { ::EndPaint(wnd_, &ps_); }
    HDC dc() const { return dc_; }
    const PAINTSTRUCT& ps() const { return ps_; }

  private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

class WindowDC {
  public:
    explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(::GetDC(wnd)) {}
    // A DC with the clipping of GetDCEx's `flags` instead of the window's style.
    WindowDC(HWND wnd, DWORD flags) : wnd_(wnd), dc_(::GetDCEx(wnd, nullptr, flags)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND wnd_;
    HDC dc_;
};

} // namespace rt
