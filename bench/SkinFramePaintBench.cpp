// Cost of one skin frame paint, and of one step of a live resize, at the main window's size, as ratios
// to one BitBlt of the same area. Run under Wine (or on Windows): bench_skin_frame_paint.exe [paints]
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "resources/resource_names.h"
#include "runtime/Control.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "runtime/PropertyBag.h"
#include "shell/ucSkin.h"

namespace {

class BenchForm : public rt::Form {
  public:
    BenchForm() {
        SetCaption(L"Pelmor免费行情分析系统V1.5");
        SetClientSize(831, 532);
        SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
    }
    viewer::ucSkin skin;

  protected:
    void CreateControls() override {
        const auto bag = rt::PropertyBag::FromText("DrawIcon = bool True\nMenuButton = bool True\n"
                                                   "TopMostButton = bool True\n");
        AddUserControl(skin, L"ucSkin1", 0, 0, 831, 24, bag ? &*bag : nullptr);
    }
};

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    // Batches of a few calls, keeping the fastest batch: on a shared machine most batches lose the core
    // for a while, and the fastest shows what the work itself costs.
    constexpr int kBatch = 20;
    const int rounds = std::max(5, (argc > 1 ? std::atoi(argv[1]) : 1000) / kBatch);
    ::OleInitialize(nullptr);
    rt::EnsureCommonControls();
    BenchForm form;
    form.Show(SW_SHOWNORMAL);
    ::SetWindowPos(form.hWnd(), nullptr, 0, 0, 839, 556, SWP_NOMOVE | SWP_NOZORDER);
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&m);
    HWND skin = form.skin.hWnd();
    RECT rc{};
    ::GetClientRect(skin, &rc);
    const int w = rc.right, h = rc.bottom;

    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    double paint = 1e9, blit = 1e9, step = 1e9, system = 1e9;
    {
        rt::WindowDC screen(skin);
        rt::UniqueDC mem(::CreateCompatibleDC(screen.get()));
        rt::UniqueBitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
        rt::SelectGuard sel(mem.get(), bmp.get());

        for (int round = 0; round < rounds; ++round) {
            LARGE_INTEGER t0, t1, t2, t3;
            // A frame paint: the skin repaints on every activation change of its form.
            ::QueryPerformanceCounter(&t0);
            for (int i = 0; i < kBatch; ++i)
                ::SendMessageW(form.hWnd(), WM_NCACTIVATE, i & 1, 0);
            ::GdiFlush();
            ::QueryPerformanceCounter(&t1);
            // The reference: one full-area copy from a memory surface to the same window.
            for (int i = 0; i < kBatch; ++i)
                ::BitBlt(screen.get(), 0, 0, w, h, mem.get(), 0, 0, SRCCOPY);
            ::GdiFlush();
            ::QueryPerformanceCounter(&t2);
            // The same message without the skin: what the system's own activation handling costs.
            for (int i = 0; i < kBatch; ++i)
                ::DefWindowProcW(form.hWnd(), WM_NCACTIVATE, i & 1, 0);
            ::GdiFlush();
            ::QueryPerformanceCounter(&t3);
            paint = std::min(paint, Seconds(t0, t1, f) / kBatch);
            blit = std::min(blit, Seconds(t1, t2, f) / kBatch);
            system = std::min(system, Seconds(t2, t3, f) / kBatch);
        }
    }
    // A live resize: the window grows and shrinks a pixel at a time, as the size loop moves it.
    const int steps = 2 * kBatch;
    for (int round = 0; round < std::max(3, rounds / 4); ++round) {
        LARGE_INTEGER t0, t1;
        ::QueryPerformanceCounter(&t0);
        for (int i = 0; i < steps; ++i) {
            const int grow = i < steps / 2 ? i : steps - i;
            ::SetWindowPos(form.hWnd(), nullptr, 0, 0, 839 + grow, 556 + grow, SWP_NOMOVE | SWP_NOZORDER);
        }
        ::GdiFlush();
        ::QueryPerformanceCounter(&t1);
        step = std::min(step, Seconds(t0, t1, f) / steps);
    }
    const auto ratio = [blit](double t) { return blit > 0 ? t / blit : 0.0; };
    std::printf(
        "skin frame paint %dx%d (WM_NCACTIVATE): %.1f us; BitBlt of the same area: %.1f us; ratio %.2f\n", w,
        h, paint * 1e6, blit * 1e6, ratio(paint));
    // Where its region hides the frame the skin passes the message on without the system's repaint, so
    // the whole message is the skin's own cost; the repaint it spares is timed on its own.
    std::printf("  the system's default handling alone: %.1f us, ratio %.2f\n", system * 1e6, ratio(system));
    std::printf("live resize step: %.1f us; ratio %.2f\n", step * 1e6, ratio(step));
    form.Unload();
    ::OleUninitialize();
    return 0;
}
