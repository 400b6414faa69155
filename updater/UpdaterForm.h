#pragma once
// The updater's one window. Its load checks the update list and ends, tells the user, asks, or shows the
// window; cmdUpSoft downloads the new setup program with progress, ends the running viewer and starts
// the setup program.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "runtime/StockControls.h"
#include "updater/CFileDownload.h"
#include "updater/UpdateList.h"
#include "updater/UpdateRules.h"

namespace updater {

// Bounds for a slow real network. The list is small: half a minute to answer and to send each further
// piece, a minute in all, and 1 MiB at most (only its first 64 KiB are read). The setup program may be
// large and slow: a minute without a byte ends it, and so does an hour in all, or more than 256 MiB.
inline constexpr TransferLimits kListLimits{30'000, 60'000, uint64_t{1} << 20};
inline constexpr TransferLimits kSetupLimits{60'000, 60 * 60'000, uint64_t{256} << 20};

// Where the updater looks and what it acts on. The program takes it from its build settings and its
// own process; tests point it at a local server and a scratch folder.
struct UpdaterSetup {
    std::wstring homeUrl;     // the product web site's home page, ending in "/"
    std::wstring domain;      // download addresses must lead to this host or a sub-domain of it
    std::wstring folder;      // the program folder
    std::wstring commandLine; // the program's arguments
    std::wstring instanceName = L"Pelmor.update.SingleInstance";
    // The running viewer's image name; tests give their stand-in a name no real viewer has.
    std::wstring viewerImageName;
    // Ends the viewer process found running (the handle it was checked on); nothing waits for it or looks
    // at the result.
    std::function<void(HANDLE process)> endViewer;
    // The keys that sign update lists (base64 of the P-256 point 04 || X || Y, ';' between keys). Empty:
    // lists are not signed, and no setup program is ever downloaded or run; a newer version only leads
    // the user to the home page. With keys, every setup program must match the SHA-256 its list names.
    std::string publicKey;
    TransferLimits listLimits = kListLimits;
    TransferLimits setupLimits = kSetupLimits;

    // This program's folder and arguments, ending the viewer with EndProcess.
    static UpdaterSetup ForThisProgram(std::wstring homeUrl, std::wstring domain, std::string publicKey);
};

class frmMain : public rt::Form {
  public:
    explicit frmMain(UpdaterSetup setup);
    ~frmMain() override;

    rt::Label lbTiShi;
    rt::Label lblProgress;
    rt::ProgressBar pb;
    rt::CommandButton cmdUpSoft;
    rt::CommandButton cmdQuxiao;

    bool StartedByViewer() const { return m_bStartedByViewer; }
    const std::wstring& DownloadUrl() const { return m_sDownloadUrl; }
    bool UpdateRunning() const { return m_bUpdateRunning; }

  protected:
    void CreateControls() override;
    // WM_DPICHANGED: the form takes the place the system suggests and lays itself out again there.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Form_Load() override;
    void Form_Unload(bool& Cancel) override;

  private:
    void cmdUpSoft_Click();
    void cmdQuxiao_Click();
    void m_oFileDownload_OnProgress(int32_t lProgress, int32_t lMaxProgress);

    struct Placed {
        rt::Control* control;
        const wchar_t* name;
        rt::Rect at;
    };
    std::array<Placed, 5> pvPlaces(const UpdaterFormLayout& layout);
    void pvLayOut(int32_t dpi);
    bool pvClaimOnlyInstance();
    bool pvCanRunSetup() const { return !setup_.publicKey.empty(); }
    ListReading pvFetchList();
    void pvOfferHomePage(const std::wstring& versionText);
    // Tells the user once that the last update did not complete (the setup program's note).
    void pvTellFailedUpdate();
    void pvResetProgress();
    void pvFollowProductRedirects();
    bool pvReplaceViewer(const std::wstring& setupPath);

    UpdaterSetup setup_;
    rt::UniqueKernelHandle m_hInstanceMutex;
    bool m_bStartedByViewer = false;
    std::wstring m_sDownloadUrl;
    std::optional<Sha256Digest> m_setupSha256;
    bool m_bUpdateRunning = false;
    std::unique_ptr<CFileDownload> m_oFileDownload;
};

} // namespace updater
