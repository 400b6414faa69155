#pragma once
// What an owner of a window-procedure trampoline implements to see the intercepted messages.
#include <windows.h>

namespace msghook {

struct IWndProcSink {
    // For messages in the before-list, ahead of the previous procedure. `handled` is false and `result` 0 on
    // entry; setting `handled` ends the message with `result` and the previous procedure is not called.
    virtual void Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) = 0;
    // For messages in the after-list that were not handled: `result` holds the previous procedure's result
    // and may be replaced.
    virtual void After(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;

  protected:
    ~IWndProcSink() = default;
};

} // namespace msghook
