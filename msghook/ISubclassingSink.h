#pragma once
// What an object implements to see a window's messages through a cSubThunk.
#include <windows.h>

namespace msghook {

struct ISubclassingSink {
    // For messages of the after-list that were not handled: `lReturn` holds the previous procedure's
    // result and may be replaced.
    virtual void ISubclassingSink_After(LRESULT& lReturn, HWND lng_hWnd, UINT uMsg, WPARAM wParam,
                                        LPARAM lParam) = 0;
    // For messages of the before-list, ahead of the previous procedure. `bHandled` is false and `lReturn`
    // 0 on entry; setting `bHandled` ends the message with `lReturn`. The four message values may be
    // changed: the previous procedure and the after phase see the changed ones.
    virtual void ISubclassingSink_Before(bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                                         WPARAM& wParam, LPARAM& lParam) = 0;

  protected:
    ~ISubclassingSink() = default;
};

} // namespace msghook
