#include "updater/UpdaterForm.h"

#include <optional>
#include <string_view>

#include "resources/resource_names.h"
#include "runtime/App.h"
#include "runtime/Dpi.h"
#include "runtime/MsgBox.h"
#include "runtime/TextCodec.h"
#include "updater/CFileDownload.h"
#include "updater/ListFile.h"
#include "updater/OwnVersion.h"
#include "updater/ProductUrl.h"
#include "updater/SetupHandover.h"
#include "updater/UpdateChecks.h"
#include "updater/UpdateList.h"
#include "updater/UpdateRules.h"
#include "updater/ViewerProcess.h"

namespace updater {
namespace {

constexpr wchar_t kStartedByViewer[] = L"主程序启动";
constexpr wchar_t kBoxTitle[] = L"提示";
constexpr wchar_t kNoConnection[] = L"无法连接到网站进行检测，请检查您的网络是否通畅，然后再试！";
constexpr wchar_t kNoUpdateData[] = L"检测不到更新数据，请稍后再试！";
constexpr wchar_t kUpToDate[] = L"您使用的版本已经是最新版！";
constexpr wchar_t kUpdateFailed[] = L"更新失败，请稍后再试！";
constexpr wchar_t kCannotSave[] = L"无法在程序所在的文件夹中保存更新文件，请检查该文件夹是否可以写入！";
constexpr wchar_t kListUndated[] = L"更新数据没有注明有效期，请稍后再试！";
constexpr wchar_t kListExpired[] = L"更新数据已过期，请稍后再试！";
constexpr wchar_t kStartCaption[] = L"开始更新";
constexpr wchar_t kStopCaption[] = L"停止";
// The user has said yes already: the setup program installs without asking again, and starts the
// viewer when it is done.
constexpr wchar_t kSetupArguments[] = L"/S";

void Inform(const wchar_t* text) {
    rt::MsgBox(text, MB_OK | MB_ICONINFORMATION, kBoxTitle);
}

} // namespace

UpdaterSetup UpdaterSetup::ForThisProgram(std::wstring homeUrl, std::wstring domain, std::string publicKey) {
    UpdaterSetup setup;
    setup.homeUrl = std::move(homeUrl);
    setup.domain = std::move(domain);
    setup.publicKey = std::move(publicKey);
    setup.folder = rt::AppPath();
    setup.commandLine = rt::AppCommand();
    setup.viewerImageName = kViewerImageName;
    setup.endViewer = [](HANDLE process) { EndProcess(process); };
    return setup;
}

frmMain::frmMain(UpdaterSetup setup) : setup_(std::move(setup)) {
    SetCaption(L"Pelmor更新");
    // The window starts at the system's resolution; CreateControls lays out at its own.
    const UpdaterFormLayout layout = LayOutUpdaterForm(rt::SystemDpi());
    SetClientSize(layout.clientWidth, layout.clientHeight);
    SetSizable(false);
    SetMaxButton(false);
    SetMinButton(true);
    SetIconResource(MAKEINTRESOURCEW(PELMOR_IDI_APP));
    cmdUpSoft.Click = [this] { cmdUpSoft_Click(); };
    cmdQuxiao.Click = [this] { cmdQuxiao_Click(); };
    // Enter starts (or stops) the update, Esc leaves.
    cmdUpSoft.SetDefault(true);
    cmdQuxiao.SetCancel(true);
}

frmMain::~frmMain() = default;

std::array<frmMain::Placed, 5> frmMain::pvPlaces(const UpdaterFormLayout& layout) {
    return {{{&lbTiShi, L"lbTiShi", layout.lbTiShi},
             {&lblProgress, L"lblProgress", layout.lblProgress},
             {&pb, L"pb", layout.pb},
             {&cmdUpSoft, L"cmdUpSoft", layout.cmdUpSoft},
             {&cmdQuxiao, L"cmdQuxiao", layout.cmdQuxiao}}};
}

void frmMain::CreateControls() {
    const UpdaterFormLayout layout = LayOutUpdaterForm(rt::DpiOfWindow(hWnd()));
    if (layout.clientWidth != ScaleWidth() || layout.clientHeight != ScaleHeight())
        SetClientSize(layout.clientWidth, layout.clientHeight);
    lbTiShi.SetCaption(L"检测到有新版本 V1.666。。。");
    lblProgress.SetCaption(L"进度0%");
    cmdUpSoft.SetCaption(kStartCaption);
    cmdQuxiao.SetCaption(L"取消");
    for (const Placed& p : pvPlaces(layout))
        Add(*p.control, p.name, p.at.left, p.at.top, p.at.right - p.at.left, p.at.bottom - p.at.top);
}

void frmMain::pvLayOut(int32_t dpi) {
    const UpdaterFormLayout layout = LayOutUpdaterForm(dpi);
    SetClientSize(layout.clientWidth, layout.clientHeight);
    for (const Placed& p : pvPlaces(layout))
        p.control->Move(p.at.left, p.at.top, p.at.right - p.at.left, p.at.bottom - p.at.top);
}

LRESULT frmMain::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_DPICHANGED) return Form::WindowProc(msg, wParam, lParam);
    const RECT& at = *reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(hWnd(), nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    pvLayOut(HIWORD(wParam));
    SetFontDpi(HIWORD(wParam));
    return 0;
}

void frmMain::Form_Load() {
    if (!pvClaimOnlyInstance()) {
        Unload();
        return;
    }
    pvTellFailedUpdate();
    m_bStartedByViewer = setup_.commandLine == kStartedByViewer;
    m_oFileDownload = std::make_unique<CFileDownload>();
    m_oFileDownload->OnProgress = [this](int32_t lProgress, int32_t lMaxProgress, int32_t,
                                         const std::wstring&) {
        m_oFileDownload_OnProgress(lProgress, lMaxProgress);
    };
    pvFollowProductRedirects();
    m_oFileDownload->Limits = setup_.listLimits;

    const ListReading reading = pvFetchList();
    // Closed while the list was on its way.
    if (!IsLoaded()) return;

    switch (DecideLoad(reading, ReadOwnVersion(), m_bStartedByViewer, pvCanRunSetup())) {
    case LoadOutcome::ConnectFailed:
        Inform(kNoConnection);
        Unload();
        return;
    case LoadOutcome::CannotSave:
        Inform(kCannotSave);
        Unload();
        return;
    case LoadOutcome::NoUpdateData:
        Inform(kNoUpdateData);
        Unload();
        return;
    case LoadOutcome::UndatedBox:
        Inform(kListUndated);
        Unload();
        return;
    case LoadOutcome::ExpiredBox:
        Inform(kListExpired);
        Unload();
        return;
    case LoadOutcome::UpToDateBox:
        Inform(kUpToDate);
        Unload();
        return;
    case LoadOutcome::EndQuietly:
        Unload();
        return;
    case LoadOutcome::AskToVisitSite:
        pvOfferHomePage(ListText(reading.list->versionText, reading.list->encoding));
        Unload();
        return;
    case LoadOutcome::AskViewerUser:
    case LoadOutcome::ShowWindow:
        break;
    }

    const UpdateList& list = *reading.list;
    const std::wstring versionText = ListText(list.versionText, list.encoding);
    lbTiShi.SetCaption(L"检测到有新版本 V" + versionText);
    m_sDownloadUrl = rt::Utf8ToWide(list.url);
    m_setupSha256 = list.sha256;
    pvResetProgress();
    if (!m_bStartedByViewer) return;

    const std::wstring question =
        L"系统检测到 Pelmor免费行情分析系统 有新版本 V" + versionText + L" 是否需要升级？";
    if (rt::MsgBox(question, MB_YESNO | MB_ICONINFORMATION, kBoxTitle) != IDYES) {
        Unload();
        return;
    }
    if (!IsLoaded()) return;
    // The user said yes: the download shows its progress and can be stopped like one started by hand.
    Show(SW_SHOWNORMAL);
    cmdUpSoft_Click();
    if (IsLoaded()) pvResetProgress();
}

void frmMain::Form_Unload(bool&) {
    // Closing the window stops a running download the way cmdQuxiao does, so no failure box follows.
    m_bUpdateRunning = false;
    // The transfer may be running below this call: the downloader aborts it and detaches.
    m_oFileDownload.reset();
    m_hInstanceMutex.reset();
}

void frmMain::cmdUpSoft_Click() {
    if (cmdUpSoft.Caption() != kStartCaption) {
        m_bUpdateRunning = false;
        if (m_oFileDownload) m_oFileDownload->AbortDownloading();
        cmdUpSoft.SetCaption(kStartCaption);
        // Until the stopped transfer has wound down, a new start would find the downloader still busy.
        if (m_oFileDownload && m_oFileDownload->Running()) cmdUpSoft.SetEnabled(false);
        return;
    }
    // Only a list signed with a key of the build names a setup program that may run, by its digest.
    if (!m_oFileDownload || m_oFileDownload->Running() || !pvCanRunSetup() || !m_setupSha256) return;
    const std::wstring updateFolder = JoinFolder(setup_.folder, L"UpDate");
    const std::wstring setupPath = JoinFolder(updateFolder, L"Pelmor.exe");
    // Fails harmlessly when the folder is there already.
    ::CreateDirectoryW(updateFolder.c_str(), nullptr);
    ::DeleteFileW(setupPath.c_str());
    if (!CanSaveFile(setupPath)) {
        Inform(kCannotSave);
        return;
    }
    cmdUpSoft.SetCaption(kStopCaption);
    m_bUpdateRunning = true;

    m_oFileDownload->Limits = setup_.setupLimits;
    const bool downloaded = m_oFileDownload->StartDownloading(m_sDownloadUrl, setupPath);
    cmdUpSoft.SetEnabled(true);
    // m_oFileDownload may be gone now: the window can be unloaded during the transfer.
    if (downloaded && m_bUpdateRunning && pvReplaceViewer(setupPath)) {
        Unload();
        return;
    }
    ::DeleteFileW(setupPath.c_str());
    if (!m_bUpdateRunning) return;
    m_bUpdateRunning = false;
    cmdUpSoft.SetCaption(kStartCaption);
    rt::MsgBox(kUpdateFailed, MB_OK, kBoxTitle);
}

void frmMain::cmdQuxiao_Click() {
    m_bUpdateRunning = false;
    if (m_oFileDownload) m_oFileDownload->AbortDownloading();
    Unload();
}

void frmMain::m_oFileDownload_OnProgress(int32_t lProgress, int32_t lMaxProgress) {
    const int percent = ProgressPercent(lProgress, lMaxProgress);
    pb.SetValue(percent);
    lblProgress.SetCaption(L"已下载" + std::to_wstring(percent) + L"%");
}

bool frmMain::pvClaimOnlyInstance() {
    m_hInstanceMutex.reset(::CreateMutexW(nullptr, FALSE, setup_.instanceName.c_str()));
    const DWORD error = ::GetLastError();
    // Access denied: the name is taken, by an instance running with other rights.
    if (error == ERROR_ALREADY_EXISTS || (!m_hInstanceMutex && error == ERROR_ACCESS_DENIED)) {
        m_hInstanceMutex.reset();
        return false;
    }
    return true;
}

ListReading frmMain::pvFetchList() {
    const std::wstring listPath = JoinFolder(setup_.folder, L"UpSoft.txt");
    if (!CanSaveFile(listPath)) return {ListState::NotSaved};
    if (!m_oFileDownload->StartDownloading(ListUrl(setup_.homeUrl), listPath)) {
        ::DeleteFileW(listPath.c_str());
        return {ListState::NotDownloaded};
    }
    return ReadCheckedList(TakeListFile(listPath), rt::WideToUtf8(setup_.domain), setup_.publicKey,
                           TodayUtc());
}

// A build without a key runs nothing it downloads: the user is sent to the home page for the new version.
void frmMain::pvOfferHomePage(const std::wstring& versionText) {
    const std::wstring question =
        L"系统检测到 Pelmor免费行情分析系统 有新版本 V" + versionText + L" 是否打开官方网站下载？";
    if (rt::MsgBox(question, MB_YESNO | MB_ICONINFORMATION, kBoxTitle) == IDYES)
        rt::ShellExecuteOpen(setup_.homeUrl, L"", SW_SHOWNORMAL);
}

void frmMain::pvTellFailedUpdate() {
    if (const auto version = TakeFailedUpdateNote(setup_.folder)) Inform(FailedUpdateText(*version).c_str());
}

void frmMain::pvResetProgress() {
    lblProgress.SetCaption(L"进度0%");
    pb.SetValue(0);
}

void frmMain::pvFollowProductRedirects() {
    const std::string domain = rt::WideToUtf8(setup_.domain);
    m_oFileDownload->AllowRedirect = [domain](const std::wstring& from, const std::wstring& to) {
        return IsAllowedRedirect(rt::WideToUtf8(from), rt::WideToUtf8(to), domain);
    };
}

bool frmMain::pvReplaceViewer(const std::wstring& setupPath) {
    // Held open until the setup program has started, so that what runs is what was checked.
    rt::UniqueKernelHandle setupFile = OpenVerifiedSetup(setupPath, *m_setupSha256);
    if (!setupFile) return false;
    const auto viewer = FindViewer(setup_.folder, setup_.viewerImageName);
    if (viewer && setup_.endViewer) setup_.endViewer(viewer->process.get());
    rt::UniqueKernelHandle setupProcess;
    if (rt::ShellExecuteOpen(setupPath, kSetupArguments, SW_SHOWMINIMIZED, &setupProcess)) {
        // Its work is done: out of sight while the setup program starts.
        Hide();
        AwaitSetupTakingOver(setupProcess.get(), m_hInstanceMutex.get());
        return true;
    }
    // The setup program would not start: the user gets back the viewer that was ended for it.
    setupFile.reset();
    if (viewer) rt::ShellExecuteOpen(viewer->imagePath, L"", SW_SHOWNORMAL);
    return false;
}

} // namespace updater
