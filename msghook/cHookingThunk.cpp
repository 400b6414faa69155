#include "msghook/cHookingThunk.h"

#include <cstring>
#include <utility>

#include "msghook/Thunk.h"
#include "runtime/Handles.h"

namespace msghook {

namespace {

template <class T> T Copy(LPARAM lParam) noexcept {
    T out{};
    if (lParam) std::memcpy(&out, reinterpret_cast<const void*>(lParam), sizeof(T));
    return out;
}

} // namespace

// The hook procedure and what it reads. A call in progress holds it alive, so a sink may unhook or
// destroy the object from inside its callback.
struct cHookingThunk::Entry : std::enable_shared_from_this<Entry> {
    rt::UniqueHook hook;
    std::shared_ptr<IHookingSink> sink;
    HookProcThunk thunk;

    static LRESULT CALLBACK Dispatch(void* self, int code, WPARAM wp, LPARAM lp) noexcept;
};

LRESULT CALLBACK cHookingThunk::Entry::Dispatch(void* self, int code, WPARAM wp, LPARAM lp) noexcept {
    Entry& e = *static_cast<Entry*>(self);
    const std::shared_ptr<Entry> keep = e.weak_from_this().lock();
    const HHOOK hook = e.hook.get();
    const std::shared_ptr<IHookingSink> sink = e.sink;
    if (!sink) return ::CallNextHookEx(hook, code, wp, lp);
    bool handled = false;
    LRESULT ret = 0;
    int c = code;
    WPARAM w = wp;
    LPARAM l = lp;
    try {
        sink->IHookingSink_Before(handled, ret, c, w, l);
        code = c;
        wp = w;
        lp = l;
    } catch (...) {
        // A failed callback leaves the call, as it came, to the rest of the chain.
        handled = false;
    }
    if (handled) return ret;
    ret = ::CallNextHookEx(hook, code, wp, lp);
    if (const std::shared_ptr<IHookingSink> still = e.sink) {
        LRESULT changed = ret;
        try {
            still->IHookingSink_After(changed, code, wp, lp);
            ret = changed;
        } catch (...) {
            // The chain's result stands.
        }
    }
    return ret;
}

cHookingThunk::~cHookingThunk() {
    Unhook();
    if (entry_) entry_->thunk.Retire();
}

HOOKPROC cHookingThunk::ThunkAddress() noexcept {
    try {
        if (!entry_) {
            auto entry = std::make_shared<Entry>();
            entry->thunk = HookProcThunk(&Entry::Dispatch, entry.get());
            entry_ = std::move(entry);
        }
    } catch (...) {
        return nullptr;
    }
    return entry_->thunk.Proc();
}

bool cHookingThunk::Hook(int HookType, std::shared_ptr<IHookingSink> Sink) noexcept {
    if (entry_ && entry_->hook) return false;
    const HOOKPROC proc = ThunkAddress();
    if (!proc) return false;
    hookType_ = HookType;
    entry_->sink = std::move(Sink);
    // The procedure lives in no module, and the hook serves this thread only: no module handle.
    entry_->hook = rt::UniqueHook(::SetWindowsHookExW(HookType, proc, nullptr, ::GetCurrentThreadId()));
    if (entry_->hook) return true;
    entry_->sink.reset();
    return false;
}

bool cHookingThunk::Unhook() noexcept {
    if (!entry_ || !entry_->hook) return false;
    entry_->hook.reset();
    // Dropped last, should the sink own this object.
    const std::shared_ptr<IHookingSink> sink = std::move(entry_->sink);
    return true;
}

::CWPSTRUCT cHookingThunk::CWPSTRUCT(LPARAM lParam) noexcept {
    return Copy<::CWPSTRUCT>(lParam);
}
::CWPRETSTRUCT cHookingThunk::CWPRETSTRUCT(LPARAM lParam) noexcept {
    return Copy<::CWPRETSTRUCT>(lParam);
}
::CBT_CREATEWNDW cHookingThunk::CBT_CREATEWND(LPARAM lParam) noexcept {
    return Copy<::CBT_CREATEWNDW>(lParam);
}
::CREATESTRUCTW cHookingThunk::CREATESTRUCT(LPARAM lParam) noexcept {
    return Copy<::CREATESTRUCTW>(lParam);
}
::MSG cHookingThunk::MSG(LPARAM lParam) noexcept {
    return Copy<::MSG>(lParam);
}
::EVENTMSG cHookingThunk::EVENTMSG(LPARAM lParam) noexcept {
    return Copy<::EVENTMSG>(lParam);
}
::KBDLLHOOKSTRUCT cHookingThunk::KBDLLHOOKSTRUCT(LPARAM lParam) noexcept {
    return Copy<::KBDLLHOOKSTRUCT>(lParam);
}
::MOUSEHOOKSTRUCT cHookingThunk::MOUSEHOOKSTRUCT(LPARAM lParam) noexcept {
    return Copy<::MOUSEHOOKSTRUCT>(lParam);
}
::MSLLHOOKSTRUCT cHookingThunk::MSLLHOOKSTRUCT(LPARAM lParam) noexcept {
    return Copy<::MSLLHOOKSTRUCT>(lParam);
}
::RECT cHookingThunk::RECT(LPARAM lParam) noexcept {
    return Copy<::RECT>(lParam);
}

std::wstring cHookingThunk::STR(const wchar_t* lpsz) {
    if (!lpsz) return {};
    if (IS_INTRESOURCE(lpsz)) return L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(lpsz));
    return lpsz;
}

std::wstring cHookingThunk::STR(const char* lpsz) {
    if (!lpsz) return {};
    if (IS_INTRESOURCE(lpsz)) return L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(lpsz));
    const int bytes = static_cast<int>(std::strlen(lpsz));
    if (bytes == 0) return {};
    std::wstring out(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, lpsz, bytes, nullptr, 0)),
                     L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, lpsz, bytes, out.data(), static_cast<int>(out.size()));
    return out;
}

} // namespace msghook
