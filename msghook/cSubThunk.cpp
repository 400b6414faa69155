#include "msghook/cSubThunk.h"

#include <utility>

#include "msghook/Thunk.h"

namespace msghook {

// The procedure installed in the window, with its own published copy of everything dispatching needs,
// so it never reads the object and may outlive it. A dispatch in progress holds it alive.
struct cSubThunk::Entry : std::enable_shared_from_this<Entry> {
    WNDPROC prev = nullptr;
    std::weak_ptr<ISubclassingSink> sink;
    MessageList before;
    MessageList after;
    // The object publishing into this entry; null once it has let go.
    cSubThunk* owner = nullptr;
    WndProcThunk thunk;

    static LRESULT CALLBACK Dispatch(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void ClearPublished() noexcept {
        sink.reset();
        before.Clear();
        after.Clear();
    }
};

LRESULT CALLBACK cSubThunk::Entry::Dispatch(void* self, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Entry& e = *static_cast<Entry*>(self);
    const std::shared_ptr<Entry> keep = e.weak_from_this().lock();
    const UINT received = msg;
    bool handled = false;
    LRESULT ret = 0;
    if (e.before.Contains(msg)) {
        if (const std::shared_ptr<ISubclassingSink> sink = e.sink.lock()) {
            HWND w = wnd;
            UINT m = msg;
            WPARAM w1 = wp;
            LPARAM l1 = lp;
            try {
                sink->ISubclassingSink_Before(handled, ret, w, m, w1, l1);
                wnd = w;
                msg = m;
                wp = w1;
                lp = l1;
            } catch (...) {
                // A failed callback leaves the message, as it came, to the previous procedure.
                handled = false;
            }
        }
    }
    if (!handled) {
        ret = e.prev ? ::CallWindowProcW(e.prev, wnd, msg, wp, lp) : ::DefWindowProcW(wnd, msg, wp, lp);
        if (e.after.Contains(msg)) {
            if (const std::shared_ptr<ISubclassingSink> sink = e.sink.lock()) {
                LRESULT changed = ret;
                try {
                    sink->ISubclassingSink_After(changed, wnd, msg, wp, lp);
                    ret = changed;
                } catch (...) {
                    // The previous procedure's result stands.
                }
            }
        }
    }
    // The window's last message, whatever a sink renamed it to: the entry lets go of the window and of
    // its code, which is freed once this call has returned. The object keeps reporting the window.
    if (received == WM_NCDESTROY) {
        if (e.owner) e.owner->entry_.reset();
        e.owner = nullptr;
        e.ClearPublished();
        e.thunk.Retire(e.prev);
    }
    return ret;
}

cSubThunk::~cSubThunk() {
    Unsubclass();
}

bool cSubThunk::AddAfterMsgs(std::initializer_list<UINT> uMsgs) noexcept {
    bool allNew = true;
    for (UINT m : uMsgs)
        allNew = pvAddMsg(after_, m) && allNew;
    return allNew;
}

bool cSubThunk::AddBeforeMsgs(std::initializer_list<UINT> uMsgs) noexcept {
    bool allNew = true;
    for (UINT m : uMsgs)
        allNew = pvAddMsg(before_, m) && allNew;
    return allNew;
}

bool cSubThunk::RemoveAfterMsg(UINT uMsg) noexcept {
    return pvRemoveMsg(after_, uMsg);
}

bool cSubThunk::RemoveBeforeMsg(UINT uMsg) noexcept {
    return pvRemoveMsg(before_, uMsg);
}

bool cSubThunk::HasAfterMsgs(UINT uMsg) const noexcept {
    return after_.Contains(uMsg);
}

bool cSubThunk::HasBeforeMsgs(UINT uMsg) const noexcept {
    return before_.Contains(uMsg);
}

void cSubThunk::SetAllAfterMsgs(bool all) noexcept {
    allAfter_ = all;
    pvPublish();
}

void cSubThunk::SetAllBeforeMsgs(bool all) noexcept {
    allBefore_ = all;
    pvPublish();
}

bool cSubThunk::Subclass(HWND hWnd, std::shared_ptr<ISubclassingSink> Sink, bool WeakReference,
                         bool DontFree) noexcept {
    if (wnd_) return false;
    Entry* entry = nullptr;
    try {
        entry = &pvEntry();
    } catch (...) {
        return false;
    }
    ::SetLastError(0);
    const LONG_PTR prev =
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->thunk.Proc()));
    if (prev == 0 && ::GetLastError() != 0) return false;
    wnd_ = hWnd;
    prev_ = reinterpret_cast<WNDPROC>(prev);
    dontFree_ = DontFree;
    sink_ = Sink;
    if (!WeakReference) counted_ = std::move(Sink);
    pvPublish();
    return true;
}

bool cSubThunk::Unsubclass() noexcept {
    if (!wnd_) return false;
    const HWND wnd = std::exchange(wnd_, nullptr);
    // Dropped last, should the counted sink own this object.
    std::shared_ptr<ISubclassingSink> counted = std::move(counted_);
    sink_.reset();
    // Without an entry the window has ended: nothing is put back, nothing released twice.
    if (const std::shared_ptr<Entry> entry = std::move(entry_)) {
        entry->owner = nullptr;
        entry->ClearPublished();
        const bool alive = ::IsWindow(wnd) != FALSE;
        const bool onTop =
            alive && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC)) == entry->thunk.Proc();
        if (onTop) ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev_));
        // Under another procedure the chain cannot be unwound: the entry stays in it as a pass-through.
        if (alive && (dontFree_ || !onTop))
            entry->thunk.Park(wnd, prev_);
        else
            entry->thunk.Retire(prev_);
    }
    prev_ = nullptr;
    return true;
}

LRESULT cSubThunk::CallOrigWndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) const noexcept {
    if (!wnd_ || !entry_ || !prev_) return 0;
    return ::CallWindowProcW(prev_, wnd_, uMsg, wParam, lParam);
}

WNDPROC cSubThunk::ThunkAddress() noexcept {
    try {
        return pvEntry().thunk.Proc();
    } catch (...) {
        return nullptr;
    }
}

bool cSubThunk::pvAddMsg(MessageList& aMsgs, UINT uMsg) noexcept {
    try {
        if (!aMsgs.Add(uMsg)) return false;
    } catch (...) {
        return false;
    }
    pvPublish();
    return true;
}

bool cSubThunk::pvRemoveMsg(MessageList& aMsgs, UINT uMsg) noexcept {
    if (!aMsgs.Remove(uMsg)) return false;
    pvPublish();
    return true;
}

// Only a subclassing entry carries a window's state; one that is merely allocated stays cleared.
void cSubThunk::pvPublish() noexcept {
    if (!entry_ || !wnd_) return;
    try {
        MessageList before = before_;
        MessageList after = after_;
        if (allBefore_) before.SetAll();
        if (allAfter_) after.SetAll();
        entry_->before = std::move(before);
        entry_->after = std::move(after);
    } catch (...) {
        // Out of memory: the previous publication stands.
    }
    entry_->prev = prev_;
    entry_->sink = sink_;
}

cSubThunk::Entry& cSubThunk::pvEntry() {
    if (!entry_) {
        auto entry = std::make_shared<Entry>();
        entry->thunk = WndProcThunk(&Entry::Dispatch, entry.get());
        entry->owner = this;
        entry_ = std::move(entry);
    }
    return *entry_;
}

} // namespace msghook
