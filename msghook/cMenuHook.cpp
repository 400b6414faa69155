#include "msghook/cMenuHook.h"

#include <atomic>
#include <memory>
#include <string_view>

namespace msghook {

namespace {

std::atomic<IMenuControl*> g_current{nullptr};

} // namespace

cMenuHook& cMenuHook::Instance() {
    // The hook's counted reference keeps it past the end of statics: calls may still come then.
    static const std::shared_ptr<cMenuHook> instance = [] {
        std::shared_ptr<cMenuHook> self(new cMenuHook);
        self->hook_.Hook(WH_CALLWNDPROC, self);
        return self;
    }();
    return *instance;
}

void cMenuHook::SetCurrentMenuControl(IMenuControl* control) noexcept {
    g_current = control;
}

IMenuControl* cMenuHook::CurrentMenuControl() noexcept {
    return g_current;
}

void cMenuHook::ClearCurrentMenuControl(IMenuControl* control) noexcept {
    g_current.compare_exchange_strong(control, nullptr);
}

void cMenuHook::IHookingSink_Before(bool&, LRESULT&, int&, WPARAM&, LPARAM&) {}

void cMenuHook::IHookingSink_After(LRESULT&, int nCode, WPARAM, LPARAM lParam) {
    if (nCode != HC_ACTION) return;
    IMenuControl* const control = g_current;
    if (!control) return;
    const ::CWPSTRUCT cwp = cHookingThunk::CWPSTRUCT(lParam);
    if (cwp.message != WM_CREATE && cwp.message != kMenuSizeMsg) return;
    wchar_t name[128] = {};
    const int len = ::GetClassNameW(cwp.hwnd, name, 128);
    if (std::wstring_view(name, len > 0 ? static_cast<std::size_t>(len) : 0) == L"#32768")
        control->pvSubclassPopup(cwp.hwnd);
}

} // namespace msghook
