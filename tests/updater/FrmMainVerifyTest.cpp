// frmMain when the server or the list cannot be trusted: a setup program is run only after it passed its
// checks, the viewer is ended only then (and started again when the setup program will not start), and a
// stopped download can be started again at once.
#include "tests/updater/FrmMainFixture.h"

#include <ostream>

#include "updater/ViewerProcess.h"

using namespace updatertest;

namespace {

struct SetupCase {
    const char* name;
    HttpRoute route;
    std::string digestOf; // the list names its SHA-256
    bool replaced;        // the viewer is ended and the setup program started
};

void PrintTo(const SetupCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kSetup = SetupBytes(40000, 31);

HttpRoute CutShort() {
    HttpRoute r = HttpRoute::Ok(kSetup);
    r.cutAfter = 30000;
    return r;
}

class FrmMainSetupCheck : public FrmMainTest, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(FrmMainSetupCheck, EndsTheViewerOnlyForAVerifiedSetupProgram) {
    const SetupCase& c = GetParam();
    ServeList(Offer(c.digestOf));
    server_.SetRoute("/setup/Pelmor.exe", c.route);
    StandInProcess viewer;
    ASSERT_TRUE(StartViewer(viewer));

    frmMain form(Setup(L""));
    RunUpdate(form);

    if (c.replaced) {
        EXPECT_FALSE(form.IsLoaded());
        EXPECT_TRUE(boxes_.empty());
        EXPECT_EQ(ended_, std::vector<DWORD>{viewer.Id()});
        ASSERT_EQ(shellCalls_.size(), 1u);
        EXPECT_EQ(shellCalls_[0].file, SetupPath());
        return;
    }
    ASSERT_TRUE(form.IsLoaded());
    ExpectOneBox(kUpdateFailed, MB_OK);
    EXPECT_FALSE(FileExists(SetupPath()));
    EXPECT_TRUE(ended_.empty()) << "the viewer was ended for a setup program that failed its check";
    EXPECT_TRUE(shellCalls_.empty());
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
    form.Unload();
}

INSTANTIATE_TEST_SUITE_P(
    Setups, FrmMainSetupCheck,
    ::testing::Values(SetupCase{"empty_200", HttpRoute::Ok(""), kSetup, false},
                      SetupCase{"html_page_with_200", HttpRoute::Ok("<html><body>维护中</body></html>"),
                                kSetup, false},
                      SetupCase{"cut_short", CutShort(), kSetup, false},
                      SetupCase{"other_digest", HttpRoute::Ok(kSetup), kSetup + "x", false},
                      SetupCase{"its_digest", HttpRoute::Ok(kSetup), kSetup, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, ASetupProgramThatWillNotStartGivesTheViewerBack) {
    // "MZ" and noise: it passes the check, and the system refuses to start it.
    ServeList(Offer(kSetup));
    server_.SetRoute("/setup/Pelmor.exe", HttpRoute::Ok(kSetup));
    StandInProcess viewer;
    ASSERT_TRUE(StartViewer(viewer));
    startSetupForReal_ = true;

    frmMain form(Setup(L""));
    RunUpdate(form);

    ASSERT_TRUE(form.IsLoaded());
    ExpectOneBox(kUpdateFailed, MB_OK);
    EXPECT_EQ(ended_, std::vector<DWORD>{viewer.Id()});
    ASSERT_EQ(shellCalls_.size(), 2u);
    EXPECT_EQ(shellCalls_[0].file, SetupPath());
    EXPECT_TRUE(updater::SameImageName(shellCalls_[1].file, folder_.File(StandInViewerName())))
        << "the viewer that was ended is started again";
    EXPECT_EQ(shellCalls_[1].showCmd, SW_SHOWNORMAL);
    EXPECT_FALSE(FileExists(SetupPath()));
    form.Unload();
}

// Nothing is asked of an address the setup program must not come from.
TEST_F(FrmMainTest, ARedirectOffTheHostFailsWithoutARequestThere) {
    ServeList(Offer(kSetup));
    // localhost reaches this same server under another host name.
    server_.SetRoute("/setup/Pelmor.exe",
                     HttpRoute::Redirect("http://localhost:" + std::to_string(server_.Port()) + "/evil.exe"));
    const std::string forbidden = "/evil.exe";
    server_.SetRoute(forbidden, HttpRoute::Ok(kSetup));
    frmMain form(Setup(L""));
    RunUpdate(form);

    ExpectOneBox(kUpdateFailed, MB_OK);
    EXPECT_EQ(server_.RequestCount(forbidden), 0u);
    EXPECT_TRUE(shellCalls_.empty());
    form.Unload();
}

TEST_F(FrmMainTest, AStalledListEndsTheLoadAndFreesTheInstance) {
    HttpRoute stalled = HttpRoute::Ok("1.666|" + SetupUrl() + "\r\n");
    stalled.stallAfter = 3;
    server_.SetRoute("/upsoft.txt", stalled);
    UpdaterSetup setup = Setup(kByViewer);
    setup.listLimits = {800, 3000, 4096};
    {
        frmMain form(setup);
        EXPECT_FALSE(form.Load());
    }
    ExpectOneBox(kNoConnection, kInformation);
    EXPECT_FALSE(FileExists(folder_.File(L"UpSoft.txt")));
    // A start by hand afterwards is not mistaken for a second instance.
    ServeList(Offer(kSetup));
    frmMain byHand(Setup(L""));
    EXPECT_TRUE(byHand.Load());
    byHand.Unload();
}

TEST_F(FrmMainTest, StartAgainWhileAStoppedDownloadWindsDownIsNoFailure) {
    const std::string setup = SetupBytes(64 * 8192, 11);
    ServeList(Offer(setup));
    server_.SetRoute("/setup/Pelmor.exe", Slow(setup, 8192, 40));
    frmMain form(Setup(L""));
    ASSERT_TRUE(form.Load());
    form.Show(SW_SHOWNORMAL);

    bool clicked = false;
    bool disabledWhileWindingDown = false;
    {
        Ticker ticker(10, [&] {
            if (clicked || !FileExists(SetupPath())) return;
            clicked = true;
            Click(form.cmdUpSoft); // stop
            disabledWhileWindingDown = !::IsWindowEnabled(form.cmdUpSoft.hWnd());
            Click(form.cmdUpSoft); // and start again before the stopped transfer has returned
        });
        Click(form.cmdUpSoft);
    }
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(boxes_.empty()) << "a failure was reported for a stop";
    EXPECT_TRUE(disabledWhileWindingDown);
    EXPECT_TRUE(::IsWindowEnabled(form.cmdUpSoft.hWnd()));
    EXPECT_EQ(form.cmdUpSoft.Caption(), L"开始更新");
    EXPECT_FALSE(FileExists(SetupPath()));

    // Once wound down, a start runs the whole update.
    Click(form.cmdUpSoft);
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_TRUE(boxes_.empty());
    ASSERT_EQ(shellCalls_.size(), 1u);
    std::string saved;
    EXPECT_TRUE(ReadBytes(SetupPath(), saved) && saved == setup);
}

} // namespace
