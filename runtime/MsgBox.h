#pragma once
// Message boxes, with a process-wide interception point so that tests answer them without a window.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>

namespace rt {

// What a box would have shown: flags as the caller gave them (MB_SETFOREGROUND is added only to the
// real box), the title after defaulting, and the owner it would have had.
struct MsgBoxCall {
    std::wstring prompt, title;
    UINT flags;
    HWND owner;
};
// Answers in place of the user: returns IDOK, IDYES, ...
using MsgBoxHandler = std::function<int(const MsgBoxCall&)>;

// Installs a handler and returns the previous one; while one is installed no real box is shown.
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);

// Shows a box owned by the thread's active window (if any); the title defaults to AppExeName().
// Returns the button chosen (IDOK, IDYES, ...), or 0 when no box could be shown.
int MsgBox(const std::wstring& prompt, UINT flags = MB_OK, const std::wstring& title = {});

// Installs a handler for a scope and puts the previous one back.
class ScopedMsgBoxHandler {
  public:
    explicit ScopedMsgBoxHandler(MsgBoxHandler handler) : previous_(SetMsgBoxHandler(std::move(handler))) {}
    ScopedMsgBoxHandler(const ScopedMsgBoxHandler&) = delete;
    ScopedMsgBoxHandler& operator=(const ScopedMsgBoxHandler&) = delete;
    ~ScopedMsgBoxHandler() { SetMsgBoxHandler(std::move(previous_)); }

  private:
    MsgBoxHandler previous_;
};

} // namespace rt
