#include <windows.h>
#include <ole2.h>

#include "App.h"
#include "Control.h"
#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    rt::LimitLibrarySearch();
    // The browser controls are OLE objects hosted on this single apartment thread.
    const HRESULT ole = ::OleInitialize(nullptr);
    rt::EnsureCommonControls();
    int rc = 0;
    {
        viewer::frmMain form;
        rc = rt::Form::Run(form, nCmdShow);
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
