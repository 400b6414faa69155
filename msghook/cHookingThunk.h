#pragma once
// Routes a Windows hook on the calling thread to a sink: the sink sees each hook call before the rest of
// the chain, may answer it alone, and sees the chain's result afterwards.
#include <windows.h>

#include <any>
#include <memory>
#include <string>

#include "msghook/IHookingSink.h"
#include "msghook/Thunk.h"

namespace msghook {

class cHookingThunk {
  public:
    cHookingThunk() noexcept;
    cHookingThunk(const cHookingThunk&) = delete;
    cHookingThunk& operator=(const cHookingThunk&) = delete;
    // Unhooks; safe inside a callback of this object's own hook.
    ~cHookingThunk();

    int HookType() const noexcept { return hookType_; }
    // The hook procedure; it stays the same for the life of the object. Null when no memory could be had.
    HOOKPROC ThunkAddress() noexcept;
    std::any& Tag() noexcept { return tag_; }
    const std::any& Tag() const noexcept { return tag_; }

    // Copies of the structures a hook call's lParam points to; a zeroed record for a null pointer.
    static ::CWPSTRUCT CWPSTRUCT(LPARAM lParam) noexcept;
    static ::CWPRETSTRUCT CWPRETSTRUCT(LPARAM lParam) noexcept;
    static ::CBT_CREATEWNDW CBT_CREATEWND(LPARAM lParam) noexcept;
    static ::CREATESTRUCTW CREATESTRUCT(LPARAM lParam) noexcept;
    static ::MSG MSG(LPARAM lParam) noexcept;
    static ::EVENTMSG EVENTMSG(LPARAM lParam) noexcept;
    static ::KBDLLHOOKSTRUCT KBDLLHOOKSTRUCT(LPARAM lParam) noexcept;
    static ::MOUSEHOOKSTRUCT MOUSEHOOKSTRUCT(LPARAM lParam) noexcept;
    static ::MSLLHOOKSTRUCT MSLLHOOKSTRUCT(LPARAM lParam) noexcept;
    static ::RECT RECT(LPARAM lParam) noexcept;
    // The text at `lpsz`, wide as the hook structures of this program carry it, or in the ANSI code page.
    // Empty for a null pointer; "#" and the number for an atom in a pointer's place (a class name).
    static std::wstring STR(const wchar_t* lpsz);
    static std::wstring STR(const char* lpsz);

    // Installs the hook for the calling thread with a counted reference to `Sink`. False, changing
    // nothing, when hooked already; false when the system refuses the hook.
    bool Hook(int HookType, std::shared_ptr<IHookingSink> Sink) noexcept;
    // False when not hooked.
    bool Unhook() noexcept;

  private:
    struct Entry;

    int hookType_ = 0;
    TargetPtr<Entry> entry_;
    std::any tag_;
};

} // namespace msghook
