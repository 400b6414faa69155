#include "msghook/cHookingThunk.h"

#include <cstring>
#include <utility>

#include "msghook/DispatchCore.h"
#include "runtime/RtError.h"

namespace msghook {

namespace {

template <class T> T Copy(LPARAM lParam) noexcept {
    T out{};
    if (lParam) std::memcpy(&out, reinterpret_cast<const void*>(lParam), sizeof(T));
    return out;
}

} // namespace

struct cHookingThunk::Entry final : HookEntry {
    // Each call holds a counted copy: the sink may unhook, and so let go of the last other reference.
    void Before(bool& handled, LRESULT& result, HookCall& c) override {
        if (const std::shared_ptr<IHookingSink> s = sink)
            s->IHookingSink_Before(handled, result, c.code, c.wp, c.lp);
    }
    void After(LRESULT& result, const HookCall& c) override {
        if (const std::shared_ptr<IHookingSink> s = sink) s->IHookingSink_After(result, c.code, c.wp, c.lp);
    }

    std::shared_ptr<IHookingSink> sink;
};

// Out of line: the entry type is complete only here.
cHookingThunk::cHookingThunk() noexcept = default;

cHookingThunk::~cHookingThunk() {
    Unhook();
    if (entry_) entry_->Retire();
}

HOOKPROC cHookingThunk::ThunkAddress() noexcept {
    if (!entry_ && !rt::Trap([&] { entry_.reset(new Entry); })) return nullptr;
    return entry_->Proc();
}

bool cHookingThunk::Hook(int HookType, std::shared_ptr<IHookingSink> Sink) noexcept {
    if (entry_ && entry_->Hooked()) return false;
    if (!ThunkAddress()) return false;
    hookType_ = HookType;
    entry_->sink = std::move(Sink);
    if (entry_->Hook(HookType)) return true;
    entry_->sink.reset();
    return false;
}

bool cHookingThunk::Unhook() noexcept {
    if (!entry_ || !entry_->Hooked()) return false;
    entry_->Unhook();
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
