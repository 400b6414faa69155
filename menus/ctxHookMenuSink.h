#pragma once
// The object the menu control's subclassers call. It outlives nothing: the control orphans it when it
// detaches, and a dispatch entry still holding it then reaches nobody.
#include "menus/ctxHookMenu.h"
#include "runtime/RtError.h"

namespace menus {

class ctxHookMenu::Sink final : public msghook::ISubclassingSink {
  public:
    explicit Sink(ctxHookMenu& owner) : owner_(&owner) {}
    void Orphan() { owner_ = nullptr; }

    void ISubclassingSink_After(LRESULT&, HWND, UINT, WPARAM, LPARAM) override {}
    void ISubclassingSink_Before(bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg, WPARAM& wParam,
                                 LPARAM& lParam) override {
        if (ctxHookMenu* owner = owner_)
            rt::Trap([&] { owner->pvBefore(bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam); });
    }

  private:
    ctxHookMenu* owner_;
};

} // namespace menus
