#pragma once
// The start of every demonstration program: "--log FILE" receives what the form shows, for its
// end-to-end test, and "--seconds N" ends it by itself should the test never close it.
#include <windows.h>
#include <shellapi.h>

#include "Control.h"
#include "Form.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace demo {

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
