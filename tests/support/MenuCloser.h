#pragma once
// Ends whatever menu loop the thread is in from a thread timer, so a test that opens a menu cannot hang.
#include <windows.h>

namespace testsupport {

class MenuCloser {
  public:
    explicit MenuCloser(UINT afterMs = 100) : id_(::SetTimer(nullptr, 0, afterMs, &Tick)) {}
    ~MenuCloser() { ::KillTimer(nullptr, id_); }
    MenuCloser(const MenuCloser&) = delete;
    MenuCloser& operator=(const MenuCloser&) = delete;

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }
    UINT_PTR id_;
};

} // namespace testsupport
