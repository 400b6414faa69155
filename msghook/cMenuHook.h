#pragma once
// Watches the thread for popup menu windows and hands each new one to the menu control that prepared
// the menu, so the control can subclass it before it first paints.
#include <windows.h>

#include "msghook/IHookingSink.h"
#include "msghook/cHookingThunk.h"

namespace msghook {

// What a menu control implements to be told of popup menu windows.
struct IMenuControl {
    // A window of class "#32768" is receiving WM_CREATE (its own procedure has not run yet) or the
    // system's sizing message. Runs inside the window's message sending.
    virtual void pvSubclassPopup(HWND hWnd) = 0;

  protected:
    ~IMenuControl() = default;
};

class cMenuHook final : public IHookingSink {
  public:
    // The message the system sends a popup menu window when it sizes it.
    static constexpr UINT kMenuSizeMsg = 0x1E2;

    // The one watcher of the process. The first call creates it and hooks the calling thread; it stays
    // for the life of the process.
    static cMenuHook& Instance();

    // The menu control that is told of popup menu windows (not owned); null for none.
    static void SetCurrentMenuControl(IMenuControl* control) noexcept;
    static IMenuControl* CurrentMenuControl() noexcept;
    // Clears the registration only while `control` holds it: for a control that goes away.
    static void ClearCurrentMenuControl(IMenuControl* control) noexcept;

    // Nothing: the call goes on down the chain.
    void IHookingSink_Before(bool& bHandled, LRESULT& lReturn, int& nCode, WPARAM& wParam,
                             LPARAM& lParam) override;
    // Hands a popup menu window to the current menu control; the result is left as the chain gave it.
    void IHookingSink_After(LRESULT& lReturn, int nCode, WPARAM wParam, LPARAM lParam) override;

    cMenuHook(const cMenuHook&) = delete;
    cMenuHook& operator=(const cMenuHook&) = delete;

  private:
    cMenuHook() = default;

    cHookingThunk hook_;
};

} // namespace msghook
