#pragma once
// The fixture of the tests that run frmMain in this process against a local server: message boxes and
// shell calls recorded instead of shown and made, a scratch program folder, and the viewer's end noted.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/App.h"
#include "runtime/MsgBox.h"
#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/UpdaterForm.h"

namespace updatertest {

using testsupport::HttpRoute;
using testsupport::TestHttpServer;
using updater::frmMain;
using updater::UpdaterSetup;

inline const std::wstring kNoConnection = L"无法连接到网站进行检测，请检查您的网络是否通畅，然后再试！";
inline const std::wstring kNoUpdateData = L"检测不到更新数据，请稍后再试！";
inline const std::wstring kUpToDate = L"您使用的版本已经是最新版！";
inline const std::wstring kUpdateFailed = L"更新失败，请稍后再试！";
inline const std::wstring kQuestion1666 = L"系统检测到 Pelmor免费行情分析系统 有新版本 V1.666 是否需要升级？";
inline const std::wstring kCannotSave = L"无法在程序所在的文件夹中保存更新文件，请检查该文件夹是否可以写入！";
constexpr UINT kInformation = MB_OK | MB_ICONINFORMATION;

// A setup program as the check wants it: "MZ" and then n - 2 bytes of a pattern.
inline std::string SetupBytes(size_t n, uint32_t seed) {
    return "MZ" + PatternBytes(n - 2, seed);
}

inline HttpRoute Slow(std::string body, size_t chunk, DWORD delayMs) {
    HttpRoute r = HttpRoute::Ok(std::move(body));
    r.chunkSize = chunk;
    r.chunkDelayMs = delayMs;
    return r;
}

// Calls f on this thread every few milliseconds while messages are dispatched; a download's own message
// loop dispatches them while the click that started it is still on the stack.
class Ticker {
  public:
    Ticker(UINT ms, std::function<void()> f) : f_(std::move(f)) {
        current_ = this;
        id_ = ::SetTimer(nullptr, 0, ms, &Ticker::Tick);
    }
    ~Ticker() {
        ::KillTimer(nullptr, id_);
        current_ = nullptr;
    }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ && !current_->busy_) {
            current_->busy_ = true;
            current_->f_();
            current_->busy_ = false;
        }
    }
    static inline Ticker* current_ = nullptr;
    std::function<void()> f_;
    UINT_PTR id_ = 0;
    bool busy_ = false;
};

// A click as the button reports it to its form.
inline void Click(rt::CommandButton& button) {
    HWND wnd = button.hWnd();
    ASSERT_NE(wnd, nullptr);
    ::SendMessageW(::GetParent(wnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(wnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(wnd));
}

class FrmMainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        previousShell_ = rt::SetShellHandler([this](const rt::ShellCall& call) {
            shellCalls_.push_back(call);
            // Passed on, the system gets to start the setup program (and may fail to).
            return !(startSetupForReal_ && call.file == SetupPath());
        });
    }
    void TearDown() override { rt::SetShellHandler(std::move(previousShell_)); }

    UpdaterSetup Setup(std::wstring commandLine) {
        UpdaterSetup setup;
        setup.homeUrl = server_.Url("/");
        setup.domain = L"127.0.0.1";
        setup.folder = folder_.Path();
        setup.commandLine = std::move(commandLine);
        // Apart from any updater that other programs in this session may start.
        setup.instanceName =
            L"Pelmor.update.SingleInstance.tests." + std::to_wstring(::GetCurrentProcessId());
        setup.viewerImageName = StandInViewerName();
        setup.endViewer = [this](HANDLE process) { ended_.push_back(::GetProcessId(process)); };
        // Signed lists are believed, as in a release; a test of the build without a key clears it.
        setup.publicKey = signer_.PublicKey();
        // Seconds, not the minutes a real network is given: a stalled test server ends the transfer soon.
        setup.listLimits = {3000, 10000, uint64_t{1} << 20};
        setup.setupLimits = {3000, 30000, uint64_t{16} << 20};
        return setup;
    }
    std::string SetupUrl() const {
        return "http://127.0.0.1:" + std::to_string(server_.Port()) + "/setup/Pelmor.exe";
    }
    // The list signed with the key Setup() gives the form.
    void ServeList(const std::string& firstLine) {
        server_.SetRoute("/upsoft.txt", HttpRoute::Ok(signer_.SignedList(firstLine)));
    }
    // A first line offering version 1.666 at url (the server's) with setup's digest and an expiry to come.
    std::string Offer(const std::string& setup, const std::string& url = {}) const {
        return "1.666|" + (url.empty() ? SetupUrl() : url) + "|sha256=" + Sha256Hex(setup) +
               "|expires=2099-12-31";
    }
    std::wstring SetupPath() const { return folder_.File(L"UpDate\\Pelmor.exe"); }
    // A stand-in viewer started from the program folder, under the image name the form looks for.
    bool StartViewer(StandInProcess& viewer, const std::wstring& name = StandInViewerName()) {
        return viewer.Start(folder_.File(name));
    }

    // Loads the form as a start by hand would, shows it and clicks "开始更新"; the click returns when
    // the update has ended one way or another.
    void RunUpdate(frmMain& form) {
        ASSERT_TRUE(form.Load());
        form.Show(SW_SHOWNORMAL);
        Click(form.cmdUpSoft);
    }

    void ExpectOneBox(const std::wstring& text, UINT flags) {
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].prompt, text);
        EXPECT_EQ(boxes_[0].title, L"提示");
        EXPECT_EQ(boxes_[0].flags, flags);
    }

    TestHttpServer server_;
    const ListSigner signer_;
    ScratchFolder folder_{L"Pelmor更新 测试"};
    std::vector<rt::MsgBoxCall> boxes_;
    int answer_ = IDOK;
    rt::ScopedMsgBoxHandler boxHandler_{[this](const rt::MsgBoxCall& call) {
        boxes_.push_back(call);
        return answer_;
    }};
    std::vector<rt::ShellCall> shellCalls_;
    std::vector<DWORD> ended_;
    bool startSetupForReal_ = false;
    rt::ShellHandler previousShell_;
};

constexpr wchar_t kByViewer[] = L"主程序启动";

} // namespace updatertest
