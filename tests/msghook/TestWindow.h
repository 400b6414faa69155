#pragma once
// A plain test window whose procedure answers the test messages, and a sink that records what it sees.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "msghook/ISubclassingSink.h"
#include "msghook/Thunk.h"
#include "msghook/WndProcSink.h"
#include "runtime/Handles.h"

namespace msghook::testing {

// The base procedure answers kPing with 100 + wParam; kOther is in no interceptor's list.
constexpr UINT kPing = WM_APP + 1;
constexpr UINT kOther = WM_APP + 2;

inline bool IsTestMsg(UINT m) {
    return m >= WM_APP && m < WM_APP + 0x100;
}

// Order of calls for test messages, across every interceptor and the base procedure.
inline std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

inline LRESULT CALLBACK BaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (IsTestMsg(msg)) {
        Log().push_back("base");
        return static_cast<LRESULT>(100 + wp);
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

inline rt::UniqueWindow MakeWindow() {
    static const ATOM cls = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &BaseProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PelmorMsghookTestWindow";
        return ::RegisterClassExW(&wc);
    }();
    return rt::UniqueWindow(::CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150,
                                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

inline WNDPROC CurrentProc(HWND wnd) {
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
}

class RecordingSink : public IWndProcSink {
  public:
    explicit RecordingSink(std::string name) : name_(std::move(name)) {}

    void Before(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled, LRESULT& result) override {
        befores.push_back(msg);
        if (IsTestMsg(msg)) Log().push_back(name_ + ".before");
        if (onBefore) onBefore(wnd, msg, wp, lp, handled, result);
    }
    void After(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        afters.push_back(msg);
        if (IsTestMsg(msg)) Log().push_back(name_ + ".after");
        if (onAfter) onAfter(wnd, msg, wp, lp, result);
    }

    std::function<void(HWND, UINT, WPARAM, LPARAM, bool&, LRESULT&)> onBefore;
    std::function<void(HWND, UINT, WPARAM, LPARAM, LRESULT&)> onAfter;
    std::vector<UINT> befores;
    std::vector<UINT> afters;

  private:
    std::string name_;
};

// The same for a cSubThunk, logging "S.before" and "S.after".
class SubSink : public ISubclassingSink {
  public:
    void ISubclassingSink_Before(bool& bHandled, LRESULT& lReturn, HWND& wnd, UINT& msg, WPARAM& wp,
                                 LPARAM& lp) override {
        befores.push_back(msg);
        if (IsTestMsg(msg)) Log().push_back("S.before");
        if (onBefore) onBefore(bHandled, lReturn, wnd, msg, wp, lp);
    }
    void ISubclassingSink_After(LRESULT& lReturn, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) override {
        afters.push_back(msg);
        if (IsTestMsg(msg)) Log().push_back("S.after");
        if (onAfter) onAfter(lReturn, wnd, msg, wp, lp);
    }

    std::function<void(bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&)> onBefore;
    std::function<void(LRESULT&, HWND, UINT, WPARAM, LPARAM)> onAfter;
    std::vector<UINT> befores;
    std::vector<UINT> afters;
};

// Parked entries whose window has ended are let go when the next thunk is made.
inline void MakeAThunk() {
    WndProcThunk([](void*, HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, nullptr);
}

} // namespace msghook::testing
