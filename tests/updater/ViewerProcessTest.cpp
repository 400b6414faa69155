// Finding the running viewer by its image name and program folder, and ending it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/updater/UpdaterTestSupport.h"
#include "updater/ViewerProcess.h"

using namespace updatertest;

namespace {

struct NameCase {
    const wchar_t* name;
    bool same;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << ::testing::PrintToString(std::wstring(c.name));
}

class ViewerImageName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ViewerImageName, MatchesInLowerCase) {
    EXPECT_EQ(updater::SameImageName(GetParam().name, updater::kViewerImageName), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Names, ViewerImageName,
                         ::testing::Values(NameCase{L"Pelmor免费行情分析系统.exe", true},
                                           NameCase{L"pelmor免费行情分析系统.exe", true},
                                           NameCase{L"PELMOR免费行情分析系统.EXE", true},
                                           NameCase{L"Pelmor.exe", false},
                                           NameCase{L"Pelmor免费行情分析系统.exe.bak", false},
                                           NameCase{L"xPelmor免费行情分析系统.exe", false},
                                           NameCase{L"Pelmor免费行情分析系.exe", false},
                                           NameCase{L"", false}));

TEST(ViewerImageName, LowersMoreThanAsciiLetters) {
    EXPECT_TRUE(updater::SameImageName(L"ÄÖÜ.EXE", L"äöü.exe"));
    EXPECT_TRUE(updater::SameImageName(L"ＰＥＬＭＯＲ.exe", L"ｐｅｌｍｏｒ.exe"));
    EXPECT_FALSE(updater::SameImageName(L"AOU.exe", L"äöü.exe"));
}

TEST(ViewerProcess, OnlyTheViewerOfThisProgramFolderIsFoundAndEnded) {
    ScratchFolder folder(L"Pelmor 查看器"), elsewhere(L"Pelmor 别处");
    const std::wstring name = StandInViewerName();
    StandInProcess other, viewer;
    // Started first, so it comes first in the process list: another installation's viewer.
    ASSERT_TRUE(other.Start(elsewhere.File(name)));
    EXPECT_EQ(updater::FindViewer(folder.Path(), name), std::nullopt);
    ASSERT_TRUE(viewer.Start(folder.File(name)));

    const auto found = updater::FindViewer(folder.Path(), name);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->processId, viewer.Id());
    EXPECT_TRUE(updater::SameImageName(found->imagePath, folder.File(name))) << found->imagePath;
    std::wstring upperFolder = folder.Path();
    ::CharUpperBuffW(upperFolder.data(), static_cast<DWORD>(upperFolder.size()));
    EXPECT_TRUE(updater::FindViewer(upperFolder + L"\\", name)) << "folders compare in lower case";

    EXPECT_TRUE(updater::EndProcess(found->process.get()));
    EXPECT_TRUE(viewer.WaitForExit(5000));
    EXPECT_EQ(updater::FindViewer(folder.Path(), name), std::nullopt);
    EXPECT_FALSE(other.WaitForExit(0)) << "the other viewer was touched";
}

} // namespace
