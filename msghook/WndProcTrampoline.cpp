#include "msghook/WndProcTrampoline.h"

#include <algorithm>
#include <utility>

#include "msghook/DispatchCore.h"
#include "runtime/RtError.h"

namespace msghook {

struct cWndProcTrampoline::Record final : WindowEntry {
    Record(cWndProcTrampoline& o, HWND w, MessageList b, MessageList a)
        : wnd(w), before(std::move(b)), after(std::move(a)), owner(&o) {}

    void Before(bool& handled, LRESULT& result, WindowCall& c) override {
        if (owner && before.Contains(c.msg)) owner->sink_.Before(c.wnd, c.msg, c.wp, c.lp, handled, result);
    }
    void After(LRESULT& result, const WindowCall& c) override {
        if (owner && after.Contains(c.msg)) owner->sink_.After(c.wnd, c.msg, c.wp, c.lp, result);
    }
    void WindowEnded() noexcept override {
        if (cWndProcTrampoline* o = std::exchange(owner, nullptr)) o->Take(this);
    }

    HWND wnd;
    MessageList before;
    MessageList after;
    // Null once the record is no longer intercepting: no sink is called for it from then on.
    cWndProcTrampoline* owner;
};

cWndProcTrampoline::cWndProcTrampoline(IWndProcSink& sink) noexcept : sink_(sink) {}

cWndProcTrampoline::~cWndProcTrampoline() {
    Stop();
}

bool cWndProcTrampoline::Install(HWND wnd, MessageList before, MessageList after) noexcept {
    if (!::IsWindow(wnd) || ::GetWindowThreadProcessId(wnd, nullptr) != ::GetCurrentThreadId()) return false;
    if (Find(wnd)) return false;
    TargetPtr<Record> rec;
    if (!rt::Trap([&] {
            rec.reset(new Record(*this, wnd, std::move(before), std::move(after)));
            records_.reserve(records_.size() + 1);
        }))
        return false;
    if (!rec->Install(wnd)) return false;
    records_.push_back(std::move(rec));
    return true;
}

bool cWndProcTrampoline::Remove(HWND wnd) noexcept {
    Record* rec = Find(wnd);
    if (!rec) return false;
    Release(Take(rec));
    return true;
}

void cWndProcTrampoline::Stop() noexcept {
    while (!records_.empty()) {
        TargetPtr<Record> rec = std::move(records_.back());
        records_.pop_back();
        Release(std::move(rec));
    }
}

bool cWndProcTrampoline::IsInstalled(HWND wnd) const noexcept {
    return Find(wnd) != nullptr;
}

WNDPROC cWndProcTrampoline::Proc(HWND wnd) const noexcept {
    const Record* rec = Find(wnd);
    return rec ? rec->Proc() : nullptr;
}

LRESULT cWndProcTrampoline::CallPrevious(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) const noexcept {
    const Record* rec = Find(wnd);
    return rec ? rec->CallPrevious({wnd, msg, wp, lp}) : 0;
}

cWndProcTrampoline::Record* cWndProcTrampoline::Find(HWND wnd) const noexcept {
    const auto it =
        std::find_if(records_.begin(), records_.end(), [wnd](const auto& r) { return r->wnd == wnd; });
    return it == records_.end() ? nullptr : it->get();
}

TargetPtr<cWndProcTrampoline::Record> cWndProcTrampoline::Take(Record* rec) noexcept {
    const auto it =
        std::find_if(records_.begin(), records_.end(), [rec](const auto& r) { return r.get() == rec; });
    if (it == records_.end()) return nullptr;
    TargetPtr<Record> owned = std::move(*it);
    records_.erase(it);
    return owned;
}

void cWndProcTrampoline::Release(TargetPtr<Record> rec) noexcept {
    if (!rec) return;
    rec->Release(rec->wnd, Leave::Unwind);
    rec->owner = nullptr;
}

} // namespace msghook
