#pragma once
// Intercepts the window procedure of any number of windows for one sink: per window a record with its
// own thunk, the previous procedure and a before-list and after-list of messages.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "msghook/MessageList.h"
#include "msghook/Thunk.h"
#include "msghook/WndProcSink.h"

namespace msghook {

class cWndProcTrampoline {
  public:
    // The sink must outlive the trampoline (typically it owns it).
    explicit cWndProcTrampoline(IWndProcSink& sink) noexcept;
    cWndProcTrampoline(const cWndProcTrampoline&) = delete;
    cWndProcTrampoline& operator=(const cWndProcTrampoline&) = delete;
    ~cWndProcTrampoline();

    // Installs a thunk over the window's current procedure. False, changing nothing, when `wnd` is not a
    // window of the calling thread, is intercepted by this trampoline already, or cannot be subclassed.
    bool Install(HWND wnd, MessageList before, MessageList after) noexcept;
    // Stops intercepting one window; false when it is not intercepted.
    bool Remove(HWND wnd) noexcept;
    // Stops intercepting every window, the last installed first.
    void Stop() noexcept;

    bool IsInstalled(HWND wnd) const noexcept;
    std::size_t Count() const noexcept { return records_.size(); }
    // The window procedure installed for `wnd`, null when it is not intercepted.
    WNDPROC Proc(HWND wnd) const noexcept;
    // Runs the procedure that was in place before this trampoline; 0 when `wnd` is not intercepted.
    LRESULT CallPrevious(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) const noexcept;

  private:
    struct Record;

    Record* Find(HWND wnd) const noexcept;
    TargetPtr<Record> Take(Record* rec) noexcept;
    static void Release(TargetPtr<Record> rec) noexcept;

    IWndProcSink& sink_;
    std::vector<TargetPtr<Record>> records_;
};

} // namespace msghook
