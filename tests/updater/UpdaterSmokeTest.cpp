// The updater started by hand with a newer version on its site shows its window with the five controls
// where they were designed. The test build with the development key is used, with a list signed by it:
// the shipped one would ask the product web site.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/ProgramRunner.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WindowProbe.h"
#include "tests/updater/UpdaterTestSupport.h"

using namespace testsupport;
using namespace updatertest;

namespace {

struct DesignedControl {
    const wchar_t* className;
    const wchar_t* text; // nullptr: text not checked
    RECT rect;
};

bool SameClass(const std::wstring& a, const wchar_t* b) {
    return ::lstrcmpiW(a.c_str(), b) == 0;
}

} // namespace

TEST(UpdaterSmoke, WindowShowsItsFiveControlsAtTheirDesignPositions) {
    TestHttpServer site(kSitePort);
    ASSERT_TRUE(site.Running()) << "port " << kSitePort << " is taken";
    std::string list;
    if (!ReadBytes(TestBinFile(L"signed-site\\upsoft.txt"), list))
        GTEST_SKIP() << "no development key in this build tree (python3-cryptography missing at configure)";
    site.SetRoute("/upsoft.txt", HttpRoute::Ok(list));
    ScratchFolder folder(L"Pelmor smoke");
    const std::wstring exe = folder.File(L"update.exe");
    ASSERT_TRUE(::CopyFileW(TestBinFile(L"update_testsite_signed.exe").c_str(), exe.c_str(), FALSE));

    ProgramRunner updater;
    ASSERT_TRUE(updater.Start(exe));
    HWND main = updater.WaitForWindow(L"Pelmor更新");
    ASSERT_NE(main, nullptr) << "no visible window captioned Pelmor更新";

    const SIZE client = ClientSize(main);
    EXPECT_EQ(client.cx, 446);
    EXPECT_EQ(client.cy, 114);

    const DesignedControl designed[] = {
        {L"Static", L"检测到有新版本 V1.666", {16, 16, 16 + 162, 16 + 12}},
        {L"Static", L"进度0%", {376, 16, 376 + 36, 16 + 12}},
        {L"msctls_progress32", nullptr, {16, 40, 16 + 420, 40 + 23}},
        {L"Button", L"开始更新", {280, 80, 280 + 81, 80 + 23}},
        {L"Button", L"取消", {376, 80, 376 + 57, 80 + 24}},
    };
    const auto children = DirectChildren(main);
    for (const auto& d : designed) {
        const auto it = std::find_if(children.begin(), children.end(), [&](const ChildInfo& c) {
            return SameClass(c.className, d.className) && ::EqualRect(&c.rect, &d.rect);
        });
        ASSERT_NE(it, children.end()) << "missing control at " << d.rect.left << "," << d.rect.top;
        EXPECT_TRUE(it->visible);
        if (d.text) {
            EXPECT_EQ(it->text, d.text);
        }
    }

    EXPECT_EQ(updater.Close(main), 0);
}
