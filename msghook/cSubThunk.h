#pragma once
// Puts a sink between one window and its procedure: the sink sees the messages of its before-list ahead
// of the previous procedure, and may end them there, and those of its after-list behind it. An object
// watching several windows uses one cSubThunk per window and tells them apart by the window handle.
#include <windows.h>

#include <any>
#include <initializer_list>
#include <memory>

#include "msghook/ISubclassingSink.h"
#include "msghook/MessageList.h"
#include "msghook/Thunk.h"

namespace msghook {

// How cSubThunk::Subclass holds the sink, and what Unsubclass does with the entry.
struct SubclassOptions {
    // The sink is not kept alive: once it is gone it is no longer called. Else a counted reference
    // keeps it until Unsubclass.
    bool WeakReference = false;
    // The entry outlives Unsubclass as a pass-through until its window ends, for code still holding
    // its address.
    bool DontFree = false;
};

class cSubThunk {
  public:
    cSubThunk() noexcept;
    cSubThunk(const cSubThunk&) = delete;
    cSubThunk& operator=(const cSubThunk&) = delete;
    // Unsubclasses; safe inside a callback of this object's own window.
    ~cSubThunk();

    // Adds each message in order; true only if every one was new (the others are still added).
    bool AddAfterMsgs(std::initializer_list<UINT> uMsgs) noexcept;
    bool AddBeforeMsgs(std::initializer_list<UINT> uMsgs) noexcept;
    // False when absent; the others keep their order.
    bool RemoveAfterMsg(UINT uMsg) noexcept;
    bool RemoveBeforeMsg(UINT uMsg) noexcept;
    // List membership only, whatever AllAfterMsgs and AllBeforeMsgs say.
    bool HasAfterMsgs(UINT uMsg) const noexcept;
    bool HasBeforeMsgs(UINT uMsg) const noexcept;
    // When set, every message goes to that callback whatever the list holds.
    bool AllAfterMsgs() const noexcept { return allAfter_; }
    void SetAllAfterMsgs(bool all) noexcept;
    bool AllBeforeMsgs() const noexcept { return allBefore_; }
    void SetAllBeforeMsgs(bool all) noexcept;

    // False, changing nothing, while a window is subclassed (also one that has ended) or when the
    // procedure cannot be replaced.
    bool Subclass(HWND hWnd, std::shared_ptr<ISubclassingSink> Sink, SubclassOptions options = {}) noexcept;
    // Puts the previous procedure back when the entry is still on top, else leaves the entry in the chain
    // as a pass-through. False when nothing is subclassed.
    bool Unsubclass() noexcept;

    // The previous procedure's answer for the subclassed window; 0, without a call, when there is none.
    LRESULT CallOrigWndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) const noexcept;
    // The subclassed window; it stays reported after the window has ended, until Unsubclass.
    HWND hWnd() const noexcept { return wnd_; }
    // The procedure installed in the window; allocated on first need. Null when no memory could be had.
    WNDPROC ThunkAddress() noexcept;

    std::any& Tag() noexcept { return tag_; }
    const std::any& Tag() const noexcept { return tag_; }

  private:
    struct Entry;

    bool pvAddMsg(MessageList& aMsgs, UINT uMsg) noexcept;
    bool pvRemoveMsg(MessageList& aMsgs, UINT uMsg) noexcept;
    void pvPublish() noexcept;
    Entry& pvEntry();

    HWND wnd_ = nullptr;
    std::weak_ptr<ISubclassingSink> sink_;
    std::shared_ptr<ISubclassingSink> counted_;
    MessageList before_;
    MessageList after_;
    bool allBefore_ = false;
    bool allAfter_ = false;
    bool dontFree_ = false;
    // Null before first need, after the entry was let go, and once the window has ended.
    TargetPtr<Entry> entry_;
    std::any tag_;
};

} // namespace msghook
