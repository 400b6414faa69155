#include <windows.h>
#include <ole2.h>

#include "Control.h"
#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    const HRESULT ole = ::OleInitialize(nullptr);
    rt::EnsureCommonControls();
    int rc = 0;
    {
        updater::frmMain form;
        rc = rt::Form::Run(form, nCmdShow);
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
