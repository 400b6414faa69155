#pragma once
// Magnetic top-level windows: while a registered window is moved or sized its edges snap to the work
// area and to the other registered windows, and children glued to it move along.
#include <windows.h>

#include <cstdint>

#include "magnetic/EntryTable.h"
#include "msghook/WndProcSink.h"
#include "msghook/WndProcTrampoline.h"

class cMagneticWnd final : private msghook::IWndProcSink {
  public:
    cMagneticWnd() = default;
    cMagneticWnd(const cMagneticWnd&) = delete;
    cMagneticWnd& operator=(const cMagneticWnd&) = delete;
    // Stops intercepting every registered window, the last registered first.
    ~cMagneticWnd();

    // False, changing nothing, when hWnd is registered already, is not a window, or hWndParent is neither
    // null nor a window other than hWnd.
    bool AddWindow(HWND hWnd, HWND hWndParent = nullptr) noexcept;
    // False when hWnd is not registered. Windows that named it as their parent lose their parent. A
    // registered window that is destroyed is removed the same way.
    bool RemoveWindow(HWND hWnd) noexcept;
    // Takes every window's rectangle afresh and recomputes which children stick to their parent.
    void CheckGlueing() noexcept;

    // In design pixels: scaled to the resolution of the moved window's monitor.
    int32_t SnapWidth() const noexcept { return snapWidth_; }
    void SnapWidth(int32_t pixels) noexcept { snapWidth_ = pixels; }

  private:
    void Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) override;
    void After(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // Drops the window's entry and makes it nobody's parent; false when it is not registered.
    bool Forget(HWND hWnd) noexcept;
    void OnEnterSizeMove(HWND wnd);
    bool OnMoving(HWND wnd, RECT& rc);
    bool OnSizing(HWND wnd, WPARAM edge, RECT& rc);

    magnetic::EntryTable entries_{magnetic::Entry{}};
    int32_t snapWidth_ = 10;
    magnetic::Point startCursor_;
    magnetic::Point lastCursor_;
    magnetic::Point grabOffset_;
    // Last member: destroyed first, while the table its callbacks read still exists.
    msghook::cWndProcTrampoline trampoline_{*this};
};
