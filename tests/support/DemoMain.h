#pragma once
// The start of every demonstration program: "--log FILE" receives what the form shows, for its
// end-to-end test, and "--seconds N" ends it by itself should the test never close it.
#include <windows.h>
#include <shellapi.h>

#include "runtime/Control.h"
#include "runtime/Form.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace demo {

// A demonstration's form: writes lines to the log, says "ready ..." (LogReady) once it shows, and
// unloads itself after the given seconds (none when 0). Forms that load or handle messages of their own
// call DemoForm::Form_Load and DemoForm::WindowProc.
class DemoForm : public rt::Form {
  public:
    DemoForm(FILE* log, UINT seconds) : log_(log), seconds_(seconds) {}

  protected:
    void Form_Load() override {
        if (seconds_) ::SetTimer(hWnd(), kQuitTimer, seconds_ * 1000, nullptr);
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER && wParam == kQuitTimer) {
            // An open menu's modal loop would outlive the form.
            ::EndMenu();
            Unload();
            return 0;
        }
        // Posted: WM_SHOWWINDOW comes before the window is visible and placed.
        if (msg == WM_SHOWWINDOW && wParam) ::PostMessageW(hWnd(), WM_APP, 0, 0);
        if (msg == WM_APP) LogReady();
        return Form::WindowProc(msg, wParam, lParam);
    }

    // The "ready ..." line: where the form and its parts are on the screen.
    virtual void LogReady() = 0;

    template <class... A> void Log(const char* format, A... args) {
        if (!log_) return;
        std::fprintf(log_, format, args...);
        std::fflush(log_);
    }

  private:
    static constexpr UINT_PTR kQuitTimer = 1;
    FILE* log_;
    UINT seconds_;
};

// Builds TForm(log, seconds) and runs it; the log is closed after the form is gone.
template <class TForm> int RunDemo(int nCmdShow) {
    rt::EnsureCommonControls();
    int argc = 0;
    std::unique_ptr<LPWSTR, decltype(&::LocalFree)> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc),
                                                         &::LocalFree);
    FILE* log = nullptr;
    UINT seconds = 120;
    for (int i = 1; argv && i + 1 < argc; i += 2) {
        const std::wstring option = argv.get()[i];
        if (option == L"--log") log = ::_wfopen(argv.get()[i + 1], L"w");
        if (option == L"--seconds") seconds = static_cast<UINT>(std::wcstoul(argv.get()[i + 1], nullptr, 10));
    }
    int rc = 0;
    {
        TForm form(log, seconds);
        rc = rt::Form::Run(form, nCmdShow == SW_SHOWDEFAULT ? SW_SHOWNORMAL : nCmdShow);
    }
    if (log) std::fclose(log);
    return rc;
}

} // namespace demo
