#include "msghook/cSubThunk.h"

#include <utility>

#include "msghook/DispatchCore.h"
#include "runtime/RtError.h"

namespace msghook {

// The procedure installed in the window, with its own published copy of what dispatching needs, so it
// never reads the object and may outlive it.
struct cSubThunk::Entry final : WindowEntry {
    explicit Entry(cSubThunk& o) : owner(&o) {}

    void Before(bool& handled, LRESULT& result, WindowCall& c) override {
        if (!before.Contains(c.msg)) return;
        if (const std::shared_ptr<ISubclassingSink> s = sink.lock())
            s->ISubclassingSink_Before(handled, result, c.wnd, c.msg, c.wp, c.lp);
    }
    void After(LRESULT& result, const WindowCall& c) override {
        if (!after.Contains(c.msg)) return;
        if (const std::shared_ptr<ISubclassingSink> s = sink.lock())
            s->ISubclassingSink_After(result, c.wnd, c.msg, c.wp, c.lp);
    }
    // The object keeps reporting the window; the entry goes once the message has returned.
    void WindowEnded() noexcept override {
        ClearPublished();
        if (cSubThunk* o = std::exchange(owner, nullptr)) o->entry_.reset();
    }
    void ClearPublished() noexcept {
        sink.reset();
        before.Clear();
        after.Clear();
    }

    std::weak_ptr<ISubclassingSink> sink;
    MessageList before;
    MessageList after;
    // The object publishing into this entry; null once it has let go.
    cSubThunk* owner;
};

// Out of line: the entry type is complete only here.
cSubThunk::cSubThunk() noexcept = default;

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

bool cSubThunk::Subclass(HWND hWnd, std::shared_ptr<ISubclassingSink> Sink,
                         SubclassOptions options) noexcept {
    if (wnd_) return false;
    Entry* entry = nullptr;
    if (!rt::Trap([&] { entry = &pvEntry(); }) || !entry->Install(hWnd)) return false;
    wnd_ = hWnd;
    dontFree_ = options.DontFree;
    sink_ = Sink;
    if (!options.WeakReference) counted_ = std::move(Sink);
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
    if (const TargetPtr<Entry> entry = std::move(entry_)) {
        entry->owner = nullptr;
        entry->ClearPublished();
        entry->Release(wnd, dontFree_ ? Leave::KeepAddress : Leave::Unwind);
    }
    return true;
}

LRESULT cSubThunk::CallOrigWndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) const noexcept {
    if (!wnd_ || !entry_) return 0;
    return entry_->CallPrevious({wnd_, uMsg, wParam, lParam});
}

WNDPROC cSubThunk::ThunkAddress() noexcept {
    Entry* entry = nullptr;
    return rt::Trap([&] { entry = &pvEntry(); }) ? entry->Proc() : nullptr;
}

bool cSubThunk::pvAddMsg(MessageList& aMsgs, UINT uMsg) noexcept {
    bool added = false;
    if (!rt::Trap([&] { added = aMsgs.Add(uMsg); }) || !added) return false;
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
    // Out of memory, the previous publication of the lists stands.
    rt::Trap([&] {
        MessageList before = before_;
        MessageList after = after_;
        if (allBefore_) before.SetAll();
        if (allAfter_) after.SetAll();
        entry_->before = std::move(before);
        entry_->after = std::move(after);
    });
    entry_->sink = sink_;
}

cSubThunk::Entry& cSubThunk::pvEntry() {
    if (!entry_) entry_.reset(new Entry(*this));
    return *entry_;
}

} // namespace msghook
