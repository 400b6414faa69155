#include <windows.h>
#include <ole2.h>

#include "runtime/App.h"
#include "runtime/Control.h"
#include "shell/frmMain.h"
#ifdef PELMOR_HANDLE_PROBE
#include "tools/soak/HandleProbe.h"
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    rt::LimitLibrarySearch();
    // The browser controls are OLE objects hosted on this single apartment thread.
    const HRESULT ole = ::OleInitialize(nullptr);
    rt::EnsureCommonControls();
    int rc = 0;
    {
#ifdef PELMOR_HANDLE_PROBE
        // Soak builds only: the shipped program answers no other process about its handles.
        const soak::HandleProbe probe;
#endif
        viewer::frmMain form;
        rc = rt::Form::Run(form, nCmdShow);
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
