// Cost of one message through each interceptor, as a ratio to one SendMessageW to a bare window in the
// same run: a trampoline, a cSubThunk (each with the message in its before- and after-list, the sink
// doing nothing), both on one window (as the skin and the menu engine sit on the viewer's), and a thread
// hook of cHookingThunk, also against a plain hook procedure. Run under Wine (or on Windows):
// bench_msghook_dispatch.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "msghook/WndProcTrampoline.h"
#include "msghook/cHookingThunk.h"
#include "msghook/cSubThunk.h"
#include "runtime/Handles.h"

namespace {

constexpr UINT kPing = WM_APP + 1;

LRESULT CALLBACK BaseProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return msg == kPing ? static_cast<LRESULT>(wp + 1) : ::DefWindowProcW(wnd, msg, wp, lp);
}

HHOOK g_plain = nullptr;
LRESULT CALLBACK PlainHook(int code, WPARAM wp, LPARAM lp) {
    return ::CallNextHookEx(g_plain, code, wp, lp);
}

struct Quiet final : msghook::IWndProcSink, msghook::ISubclassingSink, msghook::IHookingSink {
    void Before(HWND, UINT, WPARAM, LPARAM, bool&, LRESULT&) override {}
    void After(HWND, UINT, WPARAM, LPARAM, LRESULT&) override {}
    void ISubclassingSink_Before(bool&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) override {}
    void ISubclassingSink_After(LRESULT&, HWND, UINT, WPARAM, LPARAM) override {}
    void IHookingSink_Before(bool&, LRESULT&, int&, WPARAM&, LPARAM&) override {}
    void IHookingSink_After(LRESULT&, int, WPARAM, LPARAM) override {}
};

// Time per message of one batch.
double Batch(HWND wnd) {
    constexpr int kBatch = 1000;
    LARGE_INTEGER f, t0, t1;
    ::QueryPerformanceFrequency(&f);
    volatile LRESULT sink = 0;
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < kBatch; ++i)
        sink = sink + ::SendMessageW(wnd, kPing, static_cast<WPARAM>(i), 0);
    ::QueryPerformanceCounter(&t1);
    return static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart) / kBatch;
}

rt::UniqueWindow MakeWindow() {
    return rt::UniqueWindow(::CreateWindowExW(0, L"PelmorDispatchBench", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                              100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = std::max(5, argc > 1 ? std::atoi(argv[1]) : 200);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &BaseProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelmorDispatchBench";
    ::RegisterClassExW(&wc);
    // One window per setting, measured in turn batch by batch, keeping each one's fastest batch: on a
    // shared machine most batches lose the core for a while, and turn by turn every setting meets the
    // same machine.
    enum { kBare, kTrampoline, kSub, kStacked, kPlainHook, kHook, kSettings };
    std::array<rt::UniqueWindow, kStacked + 1> wnd;
    for (auto& w : wnd)
        w = MakeWindow();
    if (!wnd[kBare]) {
        std::fprintf(stderr, "no window could be made (no display?)\n");
        return 1;
    }
    auto quiet = std::make_shared<Quiet>();
    msghook::cWndProcTrampoline trampoline(*quiet), stackedTrampoline(*quiet);
    msghook::cSubThunk sub, stackedSub;
    for (auto* s : {&sub, &stackedSub}) {
        s->AddBeforeMsgs({kPing});
        s->AddAfterMsgs({kPing});
    }
    trampoline.Install(wnd[kTrampoline].get(), {kPing}, {kPing});
    sub.Subclass(wnd[kSub].get(), quiet);
    stackedTrampoline.Install(wnd[kStacked].get(), {kPing}, {kPing});
    stackedSub.Subclass(wnd[kStacked].get(), quiet);

    std::array<double, kSettings> best;
    best.fill(1e9);
    for (int round = 0; round < rounds; ++round) {
        for (int k = kBare; k <= kStacked; ++k)
            best[k] = std::min(best[k], Batch(wnd[k].get()));
        g_plain = ::SetWindowsHookExW(WH_CALLWNDPROC, &PlainHook, nullptr, ::GetCurrentThreadId());
        best[kPlainHook] = std::min(best[kPlainHook], Batch(wnd[kBare].get()));
        ::UnhookWindowsHookEx(g_plain);
        msghook::cHookingThunk hook;
        hook.Hook(WH_CALLWNDPROC, quiet);
        best[kHook] = std::min(best[kHook], Batch(wnd[kBare].get()));
    }
    std::printf("bare SendMessageW: %.3f us\n", best[kBare] * 1e6);
    const char* names[] = {nullptr,
                           "cWndProcTrampoline",
                           "cSubThunk",
                           "a trampoline and a cSubThunk stacked",
                           "a plain WH_CALLWNDPROC hook procedure",
                           "cHookingThunk (WH_CALLWNDPROC)"};
    for (int k = kTrampoline; k < kSettings; ++k)
        std::printf("%s: %.3f us, ratio %.2f\n", names[k], best[k] * 1e6, best[k] / best[kBare]);
    std::printf("cHookingThunk to the plain hook procedure: ratio %.2f\n", best[kHook] / best[kPlainHook]);
    return 0;
}
