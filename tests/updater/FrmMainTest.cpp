// frmMain in this process against a local server: every load outcome, a whole update, and stopping,
// failing and cancelling the setup download.
#include "tests/updater/FrmMainFixture.h"

#include <optional>
#include <ostream>

#include "updater/OwnVersion.h"

using namespace updatertest;

namespace {

struct LoadCase {
    const char* name;
    int listStatus; // 0: the program folder is missing, so the list cannot be saved
    // Signed; "$" stands for the setup program's address, "#" for a digest field, "%" for a digest and
    // an expiry to come.
    std::string list;
    const wchar_t* commandLine;
    int answer;
    std::optional<std::wstring> box;
    UINT boxFlags;
    const wchar_t* label;                                // nullptr: the load ends the program
    enum { kSigned, kNoKey, kUnsigned } build = kSigned; // the list signed with the build's key, or not
};

const std::wstring kExpired = L"更新数据已过期，请稍后再试！";
const std::wstring kUndated = L"更新数据没有注明有效期，请稍后再试！";
constexpr UINT kQuestion = MB_YESNO | MB_ICONINFORMATION;

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class FrmMainLoad : public FrmMainTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(FrmMainLoad, EndsOrShowsAsTheListAndTheStartSay) {
    const LoadCase& c = GetParam();
    std::string list = c.list;
    const std::string digest = "|sha256=" + std::string(64, 'a');
    for (const auto& [mark, text] :
         {std::pair{'$', SetupUrl()}, {'%', digest + "|expires=2099-12-31"}, {'#', digest}})
        if (const size_t at = list.find(mark); at != std::string::npos) list.replace(at, 1, text);
    list = c.build == LoadCase::kUnsigned ? list + "\r\n" : signer_.SignedList(list);
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok(list, c.listStatus));
    answer_ = c.answer;
    UpdaterSetup setup = Setup(c.commandLine);
    if (c.build == LoadCase::kNoKey) setup.publicKey.clear();
    if (!c.listStatus) setup.folder = folder_.File(L"不存在");

    frmMain form(setup);
    const bool stays = form.Load();

    if (c.box)
        ExpectOneBox(*c.box, c.boxFlags);
    else
        EXPECT_TRUE(boxes_.empty()) << "unexpected box: " << ::testing::PrintToString(boxes_[0].prompt);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), c.listStatus ? 1u : 0u);
    EXPECT_FALSE(FileExists(folder_.File(L"UpSoft.txt")));
    EXPECT_EQ(server_.RequestCount("/setup/Pelmor.exe"), 0u);
    EXPECT_TRUE(ended_.empty());
    // Only the build without a key sends the user to the home page, and only when told to.
    const bool visits = c.box == kVisitSite1666 && c.answer == IDYES;
    ASSERT_EQ(shellCalls_.size(), visits ? 1u : 0u);
    EXPECT_TRUE(!visits || (shellCalls_[0].kind == rt::ShellCall::Execute &&
                            shellCalls_[0].file == server_.Url("/") && shellCalls_[0].parameters.empty()));
    ASSERT_EQ(stays, c.label != nullptr);
    if (!stays) return;
    EXPECT_EQ(form.lbTiShi.Caption(), c.label);
    EXPECT_EQ(form.lblProgress.Caption(), L"进度0%");
    EXPECT_EQ(form.pb.Value(), 0);
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
    const std::string url = SetupUrl();
    EXPECT_EQ(form.DownloadUrl(), std::wstring(url.begin(), url.end()));
    // Moved to a monitor at 150 %: laid out and lettered at 144 DPI.
    RECT at{0, 0, 700, 220};
    ::SendMessageW(form.hWnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(form.ScaleWidth(), 669);
    EXPECT_EQ(form.pb.Width(), 630);
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(form.cmdUpSoft.hWnd(), WM_GETFONT, 0, 0)), sizeof lf,
                 &lf);
    EXPECT_EQ(lf.lfHeight, -18);
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FrmMainLoad,
    ::testing::Values(
        LoadCase{"list_missing_by_hand", 404, "", L"", IDOK, kNoConnection, kInformation, nullptr},
        LoadCase{"list_missing_by_viewer", 404, "", kByViewer, IDOK, kNoConnection, kInformation, nullptr},
        LoadCase{"folder_missing", 0, "1.666|$%", kByViewer, IDOK, kCannotSave, kInformation, nullptr},
        LoadCase{"server_error", 500, "1.666|$%", kByViewer, IDOK, kNoConnection, kInformation, nullptr},
        LoadCase{"url_off_the_product_host", 200, "1.666|http://evil.net/Pelmor.exe%", kByViewer, IDOK,
                 kNoUpdateData, kInformation, nullptr},
        LoadCase{"url_only_mentioning_the_host", 200, "1.666|http://127.0.0.1.evil.net/Pelmor.exe%", L"",
                 IDOK, kNoUpdateData, kInformation, nullptr},
        LoadCase{"comma_before_the_bar", 200, "1.666,|$%", L"", IDOK, kNoUpdateData, kInformation, nullptr},
        LoadCase{"equal_by_hand", 200, "1.5|$%", L"", IDOK, kUpToDate, kInformation, nullptr},
        LoadCase{"equal_by_viewer", 200, "1.5|$%", kByViewer, IDOK, std::nullopt, 0, nullptr},
        LoadCase{"minor_10_is_older", 200, "1.10|$%", kByViewer, IDOK, std::nullopt, 0, nullptr},
        LoadCase{"not_exactly_the_viewer_argument", 200, "1.5|$%", L"主程序启动 1", IDOK, kUpToDate,
                 kInformation, nullptr},
        LoadCase{"newer_by_viewer_answered_no", 200, "1.666|$%", kByViewer, IDNO, kQuestion1666, kQuestion,
                 nullptr},
        LoadCase{"newer_by_hand", 200, "1.666|$%", L"", IDOK, std::nullopt, 0, L"检测到有新版本 V1.666"},
        LoadCase{"version_text_not_a_version", 200, "1.7\xB0\xE6|$%", L"", IDOK, kNoUpdateData, kInformation,
                 nullptr},
        LoadCase{"quoted_field", 200, "\"1.8 |  $  %\",2010", L"", IDOK, std::nullopt, 0,
                 L"检测到有新版本 V1.8"},
        LoadCase{"expired_by_hand", 200, "1.666|$#|expires=2000-01-01", L"", IDOK, kExpired, kInformation,
                 nullptr},
        LoadCase{"undated_by_hand", 200, "1.666|$#", L"", IDOK, kUndated, kInformation, nullptr},
        LoadCase{"unsigned_with_a_key", 200, "1.666|$%", L"", IDOK, kNoUpdateData, kInformation, nullptr,
                 LoadCase::kUnsigned},
        LoadCase{"no_key_by_viewer_yes", 200, "1.666|$%", kByViewer, IDYES, kVisitSite1666, kQuestion,
                 nullptr, LoadCase::kNoKey},
        LoadCase{"no_key_by_hand_no", 200, "1.666|$%", L"", IDNO, kVisitSite1666, kQuestion, nullptr,
                 LoadCase::kNoKey}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, OwnVersionComesFromTheVersionResource) {
    EXPECT_EQ(updater::ReadOwnVersion().ToString(), "1.5");
}

TEST_F(FrmMainTest, UpdateByHandSavesTheSetupEndsTheViewerAndStartsTheSetupMinimized) {
    const std::string setup = SetupBytes(192 * 1024, 3);
    ServeList(Offer(setup));
    server_.SetRoute("/setup/Pelmor.exe", Slow(setup, 16 * 1024, 60));
    // The same image name run from another folder, started first: another installation's viewer.
    ScratchFolder elsewhere(L"Pelmor 查看器");
    StandInProcess other, viewer;
    const std::wstring name = StandInViewerName();
    ASSERT_TRUE(other.Start(elsewhere.File(name)));
    // Image names that differ in case only: the match is made in lower case.
    std::wstring upper = name;
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    ASSERT_TRUE(StartViewer(viewer, upper));
    ASSERT_TRUE(::CreateDirectoryW(folder_.File(L"UpDate").c_str(), nullptr))
        << "an existing folder is no error";

    frmMain form(Setup(L""));
    ASSERT_TRUE(form.Load());
    form.Show(SW_SHOWNORMAL);
    std::vector<int> bars;
    std::vector<std::wstring> labels;
    bool stopCaption = false;
    {
        Ticker ticker(10, [&] {
            if (!form.IsLoaded()) return;
            bars.push_back(form.pb.Value());
            labels.push_back(form.lblProgress.Caption());
            stopCaption = stopCaption || form.cmdUpSoft.Caption() == L"停止";
        });
        Click(form.cmdUpSoft);
    }

    EXPECT_FALSE(form.IsLoaded());
    EXPECT_TRUE(boxes_.empty());
    std::string saved;
    ASSERT_TRUE(ReadBytes(SetupPath(), saved));
    EXPECT_TRUE(saved == setup) << "saved " << saved.size() << " of " << setup.size() << " bytes";
    EXPECT_EQ(ended_, std::vector<DWORD>{viewer.Id()});
    ASSERT_EQ(shellCalls_.size(), 1u);
    EXPECT_EQ(shellCalls_[0].kind, rt::ShellCall::Execute);
    EXPECT_EQ(shellCalls_[0].file, SetupPath());
    EXPECT_EQ(shellCalls_[0].parameters, L"/S");
    EXPECT_EQ(shellCalls_[0].showCmd, SW_SHOWMINIMIZED);

    EXPECT_TRUE(stopCaption);
    bool between = false;
    for (size_t i = 0; i < bars.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(bars[i], bars[i - 1]);
        }
        if (bars[i] > 0 && bars[i] < 100) {
            between = true;
            EXPECT_EQ(labels[i], L"已下载" + std::to_wstring(bars[i]) + L"%");
        }
    }
    EXPECT_TRUE(between) << "the progress never showed a part of the download";
}

TEST_F(FrmMainTest, YesAtAViewerStartRunsTheUpdateInTheShownWindow) {
    const std::string setup = SetupBytes(96 * 1024, 5);
    ServeList(Offer(setup));
    server_.SetRoute("/setup/Pelmor.exe", Slow(setup, 16 * 1024, 50));
    answer_ = IDYES;

    frmMain form(Setup(kByViewer));
    bool shownWhileRunning = false;
    {
        Ticker ticker(10, [&] {
            shownWhileRunning = shownWhileRunning ||
                                (form.IsLoaded() && form.Visible() && form.cmdUpSoft.Caption() == L"停止");
        });
        EXPECT_FALSE(form.Load());
    }
    ExpectOneBox(kQuestion1666, MB_YESNO | MB_ICONINFORMATION);
    EXPECT_TRUE(shownWhileRunning);
    std::string saved;
    ASSERT_TRUE(ReadBytes(SetupPath(), saved));
    EXPECT_TRUE(saved == setup);
    ASSERT_EQ(shellCalls_.size(), 1u);
    EXPECT_EQ(shellCalls_[0].showCmd, SW_SHOWMINIMIZED);
}

TEST_F(FrmMainTest, AFailedUpdateAfterYesLeavesTheWindowReadyToRetry) {
    ServeList(Offer("gone"));
    server_.SetRoute("/setup/Pelmor.exe", HttpRoute::Ok("gone", 500));
    answer_ = IDYES;

    frmMain form(Setup(kByViewer));
    ASSERT_TRUE(form.Load());
    ASSERT_EQ(boxes_.size(), 2u);
    EXPECT_EQ(boxes_[1].prompt, kUpdateFailed);
    EXPECT_EQ(boxes_[1].flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(form.lblProgress.Caption(), L"进度0%");
    EXPECT_EQ(form.pb.Value(), 0);
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
    EXPECT_FALSE(FileExists(SetupPath()));
    EXPECT_TRUE(shellCalls_.empty());
    form.Unload();
}

struct FailureCase {
    const char* name;
    int status;   // of the setup program's address; 0: a folder stands where the program would be saved
    bool refused; // the address points at a port nobody listens on
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class FrmMainFailure : public FrmMainTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FrmMainFailure, ReportsTheFailureAndKeepsTheWindow) {
    const FailureCase& c = GetParam();
    const std::string setup = PatternBytes(4096, 9);
    ServeList(Offer(setup, c.refused ? "http://127.0.0.1:1/setup/Pelmor.exe" : ""));
    server_.SetRoute("/setup/Pelmor.exe", HttpRoute::Ok(setup, c.status));
    ASSERT_TRUE(c.status || (::CreateDirectoryW(folder_.File(L"UpDate").c_str(), nullptr) &&
                             ::CreateDirectoryW(SetupPath().c_str(), nullptr)));
    frmMain form(Setup(L""));
    RunUpdate(form);

    ASSERT_TRUE(form.IsLoaded());
    ExpectOneBox(c.status ? kUpdateFailed : kCannotSave, c.status ? MB_OK : kInformation);
    EXPECT_EQ(server_.RequestCount("/setup/Pelmor.exe"), c.status && !c.refused ? 1u : 0u);
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
    EXPECT_FALSE(form.UpdateRunning());
    EXPECT_FALSE(FileExists(SetupPath()));
    EXPECT_TRUE(DirectoryExists(folder_.File(L"UpDate")));
    EXPECT_TRUE(shellCalls_.empty());
    EXPECT_TRUE(ended_.empty());
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(Failures, FrmMainFailure,
                         ::testing::Values(FailureCase{"server_error", 500, false},
                                           FailureCase{"not_found", 404, false},
                                           FailureCase{"connection_refused", 200, true},
                                           FailureCase{"folder_in_the_way", 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// How the user interrupts a running setup download.
enum class Interrupt { StopButton, CancelButton, CloseBox };

class FrmMainInterrupt : public FrmMainTest, public ::testing::WithParamInterface<Interrupt> {};

TEST_P(FrmMainInterrupt, DeletesThePartWithoutAWord) {
    const std::string setup = PatternBytes(64 * 8192, 11);
    ServeList(Offer(setup));
    server_.SetRoute("/setup/Pelmor.exe", Slow(setup, 8192, 80));
    frmMain form(Setup(L""));
    ASSERT_TRUE(form.Load());
    form.Show(SW_SHOWNORMAL);

    bool partSeen = false;
    bool interrupted = false;
    const DWORD start = ::GetTickCount();
    {
        Ticker ticker(10, [&] {
            if (interrupted) return;
            partSeen = FileExists(SetupPath());
            // Once a part is on disk; later without one, so that the test never waits for the whole body.
            if (!partSeen && ::GetTickCount() - start < 3000) return;
            interrupted = true;
            switch (GetParam()) {
            case Interrupt::StopButton:
                Click(form.cmdUpSoft);
                break;
            case Interrupt::CancelButton:
                Click(form.cmdQuxiao);
                break;
            case Interrupt::CloseBox:
                ::SendMessageW(form.hWnd(), WM_CLOSE, 0, 0);
                break;
            }
        });
        Click(form.cmdUpSoft);
    }

    ASSERT_TRUE(interrupted);
    EXPECT_TRUE(partSeen) << "no part of the download reached the disk before the interruption";
    EXPECT_LT(::GetTickCount() - start, 4500u) << "the transfer ran on after the interruption";
    EXPECT_TRUE(boxes_.empty());
    EXPECT_FALSE(FileExists(SetupPath()));
    EXPECT_TRUE(shellCalls_.empty());
    EXPECT_TRUE(ended_.empty());
    EXPECT_FALSE(form.UpdateRunning());
    if (GetParam() == Interrupt::StopButton) {
        ASSERT_TRUE(form.IsLoaded());
        EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
        form.Unload();
    } else {
        EXPECT_FALSE(form.IsLoaded());
    }
}

INSTANTIATE_TEST_SUITE_P(Interrupts, FrmMainInterrupt,
                         ::testing::Values(Interrupt::StopButton, Interrupt::CancelButton,
                                           Interrupt::CloseBox),
                         [](const auto& info) {
                             switch (info.param) {
                             case Interrupt::StopButton:
                                 return std::string("stop_button");
                             case Interrupt::CancelButton:
                                 return std::string("cancel_button");
                             default:
                                 return std::string("close_box");
                             }
                         });

TEST_F(FrmMainTest, ASecondInstanceEndsAtOnceWithoutAWord) {
    ServeList(Offer("MZ"));
    const UpdaterSetup setup = Setup(L"");
    {
        rt::UniqueKernelHandle first(::CreateMutexW(nullptr, FALSE, setup.instanceName.c_str()));
        ASSERT_TRUE(first);
        frmMain second(setup);
        EXPECT_FALSE(second.Load());
        EXPECT_TRUE(boxes_.empty());
        EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 0u);
    }
    // With the first one gone, a start goes ahead.
    frmMain next(setup);
    EXPECT_TRUE(next.Load());
    next.Unload();
}

} // namespace
