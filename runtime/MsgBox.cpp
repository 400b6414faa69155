#include "runtime/MsgBox.h"

#include "runtime/App.h"

#include <mutex>
#include <utility>

namespace rt {
namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}
MsgBoxHandler& HandlerSlot() {
    static MsgBoxHandler h;
    return h;
}

} // namespace

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
    std::lock_guard lock(HandlerMutex());
    return std::exchange(HandlerSlot(), std::move(handler));
}

int MsgBox(const std::wstring& prompt, UINT flags, const std::wstring& title) {
    MsgBoxCall call{prompt, title.empty() ? AppExeName() : title, flags, ::GetActiveWindow()};
    // Copied out so the handler runs unlocked and may show (or intercept) another box itself.
    MsgBoxHandler handler;
    {
        std::lock_guard lock(HandlerMutex());
        handler = HandlerSlot();
    }
    if (handler) return handler(call);
    return ::MessageBoxW(call.owner, call.prompt.c_str(), call.title.c_str(), flags | MB_SETFOREGROUND);
}

} // namespace rt
