// The test build of the updater as a separate program, copied into a program folder with a Chinese
// name and fetching its list from a local server on the fixed port.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "App.h"
#include "ProgramRunner.h"
#include "TestHttpServer.h"
#include "UpdaterTestSupport.h"

using namespace updatertest;
using testsupport::HttpRoute;
using testsupport::ProgramRunner;
using testsupport::TestHttpServer;

namespace {

HttpRoute Body(std::string body, int status = 200) {
    HttpRoute r;
    r.status = status;
    r.body = std::move(body);
    return r;
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

    TestHttpServer server_{kSitePort};
    ScratchFolder folder_{L"Pelmor免费行情 更新"};
};

TEST_F(UpdaterProgram, YesAtAViewerStartReplacesTheViewerWithTheSetupProgram) {
    std::string setup;
    ASSERT_TRUE(ReadBytes(TestBinFile(L"updater_test_child.exe"), setup));
    server_.SetRoute("/upsoft.txt", Body("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    HttpRoute slow = Body(setup);
    slow.chunkSize = setup.size() / 16 + 1;
    slow.chunkDelayMs = 60;
    server_.SetRoute("/setup/Pelmor.exe", slow);
    ScratchFolder viewers(L"Pelmor 查看器");
    StandInProcess viewer;
    ASSERT_TRUE(viewer.Start(viewers.File(kSiteViewerImage)));

    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    EXPECT_EQ(AnswerBoxOf(updater.ProcessId(), L"提示", IDYES),
              L"系统检测到 Pelmor免费行情分析系统 有新版本 V1.666 是否需要升级？");
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
    EXPECT_TRUE(viewer.WaitForExit(5000)) << "the viewer was not ended";

    const std::wstring saved = folder_.File(L"UpDate\\Pelmor.exe");
    const auto report = WaitForStartReport(saved, 10000);
    ASSERT_TRUE(report) << "the setup program did not start";
    std::string bytes;
    EXPECT_TRUE(ReadBytes(saved, bytes) && bytes == setup);
    EXPECT_EQ(report->showCommand, SW_SHOWMINIMIZED);
    EXPECT_EQ(rt::CommandTail(report->commandLine), L"") << "started with arguments";
    EXPECT_FALSE(FileExists(folder_.File(L"UpSoft.txt")));
    EndAndWait(report->processId);
}

TEST_F(UpdaterProgram, ASecondInstanceEndsAtOnce) {
    server_.SetRoute("/upsoft.txt", Body("1.666|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
    ProgramRunner first;
    ASSERT_TRUE(first.Start(Exe()));
    HWND window = first.WaitForWindow(L"Pelmor更新");
    ASSERT_NE(window, nullptr);

    ProgramRunner second;
    ASSERT_TRUE(second.Start(Exe()));
    EXPECT_EQ(second.WaitForExit(10000), 0);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 1u);
    EXPECT_EQ(first.Close(window), 0);
}

TEST_F(UpdaterProgram, AViewerStartWithoutTheListTellsAndEnds) {
    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(Exe(), L"主程序启动"));
    EXPECT_EQ(AnswerBoxOf(updater.ProcessId(), L"提示", IDOK),
              L"无法连接到网站进行检测，请检查您的网络是否通畅，然后再试！");
    EXPECT_EQ(updater.WaitForExit(10000), 0);
    EXPECT_EQ(server_.RequestCount("/upsoft.txt"), 1u);
}

TEST_F(UpdaterProgram, AViewerStartWithNothingNewEndsSilently) {
    server_.SetRoute("/upsoft.txt", Body("1.5|" + SiteUrl("/setup/Pelmor.exe") + "\r\n"));
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
