#include "msghook/WndProcTrampoline.h"

#include <algorithm>
#include <utility>

#include "msghook/Thunk.h"

namespace msghook {

struct cWndProcTrampoline::Record {
    HWND wnd = nullptr;
    WNDPROC prev = nullptr;
    MessageList before;
    MessageList after;
    // Null once the record is no longer intercepting: no sink is called for it from then on.
    cWndProcTrampoline* owner = nullptr;
    WndProcThunk thunk;
    // Dispatches of this record in progress; an orphan (owned by no trampoline) is deleted when the
    // outermost of them returns.
    int depth = 0;
    bool orphan = false;
};

// Keeps a record alive for the length of one dispatch, so a handler may stop the interception (or
// destroy the trampoline) and nested messages may run while the record is still in use.
class cWndProcTrampoline::DispatchScope {
  public:
    explicit DispatchScope(Record* rec) noexcept : rec_(rec) { ++rec_->depth; }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
    ~DispatchScope() {
        if (--rec_->depth == 0 && rec_->orphan) delete rec_;
    }

  private:
    Record* rec_;
};

cWndProcTrampoline::cWndProcTrampoline(IWndProcSink& sink) noexcept : sink_(sink) {}

cWndProcTrampoline::~cWndProcTrampoline() {
    Stop();
}

bool cWndProcTrampoline::Install(HWND wnd, MessageList before, MessageList after) noexcept {
    if (!::IsWindow(wnd) || ::GetWindowThreadProcessId(wnd, nullptr) != ::GetCurrentThreadId()) return false;
    if (Find(wnd)) return false;
    std::unique_ptr<Record> rec;
    try {
        rec = std::make_unique<Record>();
        rec->thunk = WndProcThunk(&Dispatch, rec.get());
        records_.reserve(records_.size() + 1);
    } catch (...) {
        return false;
    }
    rec->wnd = wnd;
    rec->before = std::move(before);
    rec->after = std::move(after);
    rec->owner = this;
    // The previous procedure is known only once ours is in; until then the record forwards to the
    // default procedure.
    ::SetLastError(0);
    const LONG_PTR prev =
        ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(rec->thunk.Proc()));
    if (prev == 0 && ::GetLastError() != 0) return false;
    rec->prev = reinterpret_cast<WNDPROC>(prev);
    records_.push_back(std::move(rec));
    return true;
}

bool cWndProcTrampoline::Remove(HWND wnd) noexcept {
    Record* rec = Find(wnd);
    if (!rec) return false;
    Release(Take(rec), false);
    return true;
}

void cWndProcTrampoline::Stop() noexcept {
    while (!records_.empty()) {
        std::unique_ptr<Record> rec = std::move(records_.back());
        records_.pop_back();
        Release(std::move(rec), false);
    }
}

bool cWndProcTrampoline::IsInstalled(HWND wnd) const noexcept {
    return Find(wnd) != nullptr;
}

WNDPROC cWndProcTrampoline::Proc(HWND wnd) const noexcept {
    const Record* rec = Find(wnd);
    return rec ? rec->thunk.Proc() : nullptr;
}

LRESULT cWndProcTrampoline::CallPrevious(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) const noexcept {
    const Record* rec = Find(wnd);
    return rec && rec->prev ? ::CallWindowProcW(rec->prev, wnd, msg, wp, lp) : 0;
}

cWndProcTrampoline::Record* cWndProcTrampoline::Find(HWND wnd) const noexcept {
    const auto it =
        std::find_if(records_.begin(), records_.end(), [wnd](const auto& r) { return r->wnd == wnd; });
    return it == records_.end() ? nullptr : it->get();
}

std::unique_ptr<cWndProcTrampoline::Record> cWndProcTrampoline::Take(Record* rec) noexcept {
    const auto it =
        std::find_if(records_.begin(), records_.end(), [rec](const auto& r) { return r.get() == rec; });
    if (it == records_.end()) return nullptr;
    std::unique_ptr<Record> owned = std::move(*it);
    records_.erase(it);
    return owned;
}

// Puts the previous procedure back only while ours is on top: restoring under another interceptor
// would cut it out of the chain. There the thunk stays in place as a pass-through instead.
void cWndProcTrampoline::Release(std::unique_ptr<Record> rec, bool windowEnding) noexcept {
    if (!rec) return;
    const WNDPROC ours = rec->thunk.Proc();
    const bool alive = ::IsWindow(rec->wnd) != FALSE;
    if (alive && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(rec->wnd, GWLP_WNDPROC)) == ours) {
        ::SetWindowLongPtrW(rec->wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(rec->prev));
        rec->thunk.Retire(rec->prev);
    } else if (alive && !windowEnding) {
        rec->thunk.Park(rec->wnd, rec->prev);
    } else {
        rec->thunk.Retire(rec->prev);
    }
    rec->owner = nullptr;
    rec->before.Clear();
    rec->after.Clear();
    if (rec->depth > 0) {
        rec->orphan = true;
        rec.release(); // the outermost dispatch of this record deletes it
    }
}

LRESULT CALLBACK cWndProcTrampoline::Dispatch(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* rec = static_cast<Record*>(self);
    DispatchScope scope(rec);
    LRESULT result = 0;
    bool handled = false;
    if (rec->owner && rec->before.Contains(msg)) {
        try {
            rec->owner->sink_.Before(wnd, msg, wp, lp, handled, result);
        } catch (...) {
            // A failed handler leaves the message to the previous procedure.
            handled = false;
        }
    }
    if (!handled) {
        result =
            rec->prev ? ::CallWindowProcW(rec->prev, wnd, msg, wp, lp) : ::DefWindowProcW(wnd, msg, wp, lp);
        if (rec->owner && rec->after.Contains(msg)) {
            LRESULT changed = result;
            try {
                rec->owner->sink_.After(wnd, msg, wp, lp, changed);
                result = changed;
            } catch (...) {
                // The previous procedure's result stands.
            }
        }
    }
    if (msg == WM_NCDESTROY && rec->owner) Release(rec->owner->Take(rec), true);
    return result;
}

} // namespace msghook
