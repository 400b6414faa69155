#pragma once
// What an object implements to see the calls of a Windows hook through a cHookingThunk.
#include <windows.h>

namespace msghook {

struct IHookingSink {
    // After the rest of the hook chain, unless the before call handled the hook call: `lReturn` holds the
    // chain's result and may be replaced.
    virtual void IHookingSink_After(LRESULT& lReturn, int nCode, WPARAM wParam, LPARAM lParam) = 0;
    // For every hook call, negative codes included, ahead of the rest of the chain. `bHandled` is false
    // and `lReturn` 0 on entry; setting `bHandled` answers the call with `lReturn` and the chain is not
    // called. The chain sees the three values as they are left here.
    virtual void IHookingSink_Before(bool& bHandled, LRESULT& lReturn, int& nCode, WPARAM& wParam,
                                     LPARAM& lParam) = 0;

  protected:
    ~IHookingSink() = default;
};

} // namespace msghook
