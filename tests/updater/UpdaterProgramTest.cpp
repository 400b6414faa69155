// The test builds of the updater as separate programs, copied into a program folder with a Chinese
// name and fetching their list from a local server on the fixed port.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "runtime/App.h"
#include "runtime/TextCodec.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ProgramRunner.h"
#include "tests/support/TestHttpServer.h"
#include "tests/updater/UpdaterTestSupport.h"

using namespace updatertest;
using testsupport::HttpRoute;
using testsupport::ProgramRunner;
using testsupport::TestHttpServer;

namespace {

// Answers the updater's box titled "提示" with button and tells whether its text was text.
bool Answer(const ProgramRunner& updater, int button, const std::wstring& text) {
    const auto said = rt::test::AnswerBox(updater.ProcessId(), L"提示", button);
    EXPECT_EQ(said, text);
    return said == text;
}

std::string SiteUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(kSitePort) + path;
}

class UpdaterProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "port " << kSitePort << " is taken";
        ASSERT_TRUE(::CopyFileW(TestBinFile(L"update_testsite.exe").c_str(), Exe().c_str(), FALSE));
    }
    std::wstring Exe() const { return folder_.File(L"update.exe"); }

    // The test child, served slowly as the setup program; the viewer stand-in started in the program folder.
    void ServeSetup(const std::string& setup) {
        HttpRoute slow = HttpRoute::Ok(setup);
        slow.chunkSize = setup.size() / 16 + 1;
        slow.chunkDelayMs = 60;
        server_.SetRoute("/setup/Pelmor.exe", slow);
        ASSERT_TRUE(viewer_.Start(folder_.File(kSiteViewerImage)));
    }
    // Lets a viewer start replace the viewer: Yes, progress shown, the updater gone, the viewer ended and
    // the saved setup program started minimized without arguments.
    void ExpectReplacement(ProgramRunner& updater, const std::string& setup) {
        Answer(updater, IDYES, L"系统检测到 Pelmor免费行情分析系统 有新版本 V1.666 是否需要升级？");
        bool progressShown = false;
        if (HWND window = updater.WaitForWindow(L"Pelmor更新", 10000)) {
            while (updater.Running() && ::IsWindow(window)) {
                for (const auto& text : ChildTexts(window))
                    progressShown = progressShown || (text.starts_with(L"已下载") && text != L"已下载0%");
                ::Sleep(5);
            }
        }
        EXPECT_EQ(updater.WaitForExit(30000), 0);
        EXPECT_TRUE(progressShown);
        EXPECT_TRUE(viewer_.WaitForExit(5000)) << "the viewer was not ended";

        const std::wstring saved = folder_.File(L"UpDate\\Pelmor.exe");
        const auto report = WaitForStartReport(saved, 10000);
        ASSERT_TRUE(report) << "the setup program did not start";
        std::string bytes;
        EXPECT_TRUE(ReadBytes(saved, bytes) && bytes == setup);
        EXPECT_EQ(report->showCommand, SW_SHOWMINIMIZED);
        EXPECT_EQ(rt::CommandTail(report->commandLine), L"/S") << "not started silently";
        EXPECT_FALSE(FileExists(folder_.File(L"UpSoft.txt")));
        EndAndWait(report->processId);
    }

    TestHttpServer server_{kSitePort};
    ScratchFolder folder_{L"Pelmor免费行情 更新"};
    StandInProcess viewer_;
};

// The build without a key, as the default settings make it, offered a newer version and a program by an
// unsigned list: it fetches nothing and runs nothing, the viewer keeps running, and Yes has the user's
// browser fetch the home page.
TEST_F(UpdaterProgram, WithoutAKeyYesOpensTheHomePageAndNothingRuns) {
    std::string setup;
    ASSERT_TRUE(ReadBytes(TestBinFile(L"updater_test_child.exe"), setup));
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    ServeSetup(setup);

    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    Answer(updater, IDYES, kVisitSite1666);
    EXPECT_EQ(updater.WaitForExit(10000), 0);
    EXPECT_TRUE(server_.WaitForRequest("/", 20000)) << "the home page was not opened";
    EXPECT_EQ(server_.RequestCount("/setup/Pelmor.exe"), 0u);
    EXPECT_FALSE(viewer_.WaitForExit(0)) << "the viewer was ended";
    EXPECT_FALSE(DirectoryExists(folder_.File(L"UpDate")));
}

// The list signed by tools/update_list.py with both development keys, naming the test child's SHA-256, for
// the build of the updater that holds the first key.
TEST_F(UpdaterProgram, ASignedListAndAVerifiedSetupReplaceTheViewer) {
    std::string list, setup;
    if (!ReadBytes(TestBinFile(L"signed-site\\upsoft-two-keys.txt"), list))
        GTEST_SKIP() << "no development key in this build tree (python3-cryptography missing at configure)";
    ASSERT_TRUE(ReadBytes(TestBinFile(L"updater_test_child.exe"), setup));
    ASSERT_TRUE(::CopyFileW(TestBinFile(L"update_testsite_signed.exe").c_str(), Exe().c_str(), FALSE));
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok(list));
    ServeSetup(setup);

    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    ExpectReplacement(updater, setup);
}

TEST_F(UpdaterProgram, ASignedListNamingAnotherSetupLeavesTheViewerRunning) {
    std::string list;
    if (!ReadBytes(TestBinFile(L"signed-site\\upsoft.txt"), list))
        GTEST_SKIP() << "no development key in this build tree (python3-cryptography missing at configure)";
    ASSERT_TRUE(::CopyFileW(TestBinFile(L"update_testsite_signed.exe").c_str(), Exe().c_str(), FALSE));
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok(list));
    // A program all the same, and the length the server states; only the digest tells it apart.
    ServeSetup("MZ" + PatternBytes(64 * 1024, 17));

    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    Answer(updater, IDYES, L"系统检测到 Pelmor免费行情分析系统 有新版本 V1.666 是否需要升级？");
    // The window shows once the question has gone: the next box with that title is the verdict.
    HWND window = updater.WaitForWindow(L"Pelmor更新", 10000);
    ASSERT_NE(window, nullptr);
    Answer(updater, IDOK, L"更新失败，请稍后再试！");
    EXPECT_FALSE(viewer_.WaitForExit(500))
        << "the viewer was ended for a setup program that failed its check";
    EXPECT_FALSE(FileExists(folder_.File(L"UpDate\\Pelmor.exe")));
    EXPECT_EQ(updater.Close(window), 0);
}

TEST_F(UpdaterProgram, AStalledListAtAViewerStartEndsSoAStartByHandRuns) {
    HttpRoute stalled = HttpRoute::Ok("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n");
    stalled.stallAfter = 2;
    server_.SetRoute("/upsoft.txt", stalled);
    ProgramRunner atViewerStart;
    ASSERT_TRUE(atViewerStart.Start(Exe(), L"主程序启动"));
    Answer(atViewerStart, IDOK, L"无法连接到网站进行检测，请检查您的网络是否通畅，然后再试！");
    EXPECT_EQ(atViewerStart.WaitForExit(10000), 0);

    server_.SetRoute("/upsoft.txt", HttpRoute::Ok("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    ProgramRunner byHand;
    ASSERT_TRUE(byHand.Start(Exe()));
    EXPECT_TRUE(Answer(byHand, IDNO, kVisitSite1666))
        << "the start by hand ended as if another instance were running";
    EXPECT_EQ(byHand.WaitForExit(10000), 0);
}

TEST_F(UpdaterProgram, ASecondInstanceEndsAtOnce) {
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    ProgramRunner first;
    ASSERT_TRUE(first.Start(Exe()));
    ASSERT_NE(first.WaitForWindow(L"提示"), nullptr);

    ProgramRunner second;
    ASSERT_TRUE(second.Start(Exe()));
    EXPECT_EQ(second.WaitForExit(10000), 0);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 1u);
    Answer(first, IDNO, kVisitSite1666);
    EXPECT_EQ(first.WaitForExit(10000), 0);
}

TEST_F(UpdaterProgram, AViewerStartWithoutTheListTellsAndEnds) {
    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    Answer(updater, IDOK, L"无法连接到网站进行检测，请检查您的网络是否通畅，然后再试！");
    EXPECT_EQ(updater.WaitForExit(10000), 0);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 1u);
}

TEST_F(UpdaterProgram, AViewerStartWithNothingNewEndsSilently) {
    server_.SetRoute("/upsoft.txt", HttpRoute::Ok("1.5|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    EXPECT_EQ(updater.WaitForExit(10000), 0);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 1u);
    EXPECT_FALSE(FileExists(folder_.File(L"UpSoft.txt")));
}

TEST(ShippedUpdater, EndsAtOnceWhileAnotherInstanceRuns) {
    // Held here, the instance name keeps the shipped program away from the product web site.
    HANDLE running = ::CreateMutexW(nullptr, FALSE, L"Pelmor.update.SingleInstance");
    ASSERT_NE(running, nullptr);
    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(testsupport::ShippedProgramPath(L"update.exe"), L"主程序启动"));
    EXPECT_EQ(updater.WaitForExit(10000), 0);
    ::CloseHandle(running);
}

} // namespace
