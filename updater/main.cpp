#include <windows.h>
#include <ole2.h>

#include <utility>

#include "pelmor_config.h"
#include "runtime/App.h"
#include "runtime/Control.h"
#include "updater/UpdaterForm.h"

// A test build of the program is pointed at a local server instead of the product web site, and may take
// an instance name and a viewer image name of its own, so that it never meets an updater or ends a viewer
// that something else started, and time limits short enough for a test.
#ifndef PELMOR_UPDATER_HOME_URL
#define PELMOR_UPDATER_HOME_URL PELMOR_HOME_URL
#define PELMOR_UPDATER_DOMAIN PELMOR_DOMAIN
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int nCmdShow) {
    rt::LimitLibrarySearch();
    const HRESULT ole = ::OleInitialize(nullptr);
    rt::EnsureCommonControls();
    int rc = 0;
    {
        auto setup = updater::UpdaterSetup::ForThisProgram(PELMOR_UPDATER_HOME_URL, PELMOR_UPDATER_DOMAIN,
                                                           PELMOR_UPDATE_PUBLIC_KEY);
#ifdef PELMOR_UPDATER_INSTANCE_NAME
        setup.instanceName = PELMOR_UPDATER_INSTANCE_NAME;
#endif
#ifdef PELMOR_UPDATER_VIEWER_IMAGE
        setup.viewerImageName = PELMOR_UPDATER_VIEWER_IMAGE;
#endif
#ifdef PELMOR_UPDATER_IDLE_MS
        setup.listLimits.idleMs = setup.setupLimits.idleMs = PELMOR_UPDATER_IDLE_MS;
        setup.listLimits.totalMs = setup.setupLimits.totalMs = PELMOR_UPDATER_TOTAL_MS;
#endif
        updater::frmMain form(std::move(setup));
        rc = rt::Form::Run(form, nCmdShow);
    }
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
