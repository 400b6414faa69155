// Start-up paths and the quote-source table of the viewer.
#include <gtest/gtest.h>

#include <set>

#include "QuoteSources.h"
#include "StartupPaths.h"

using namespace viewer;

struct FolderCase {
    const wchar_t* appPath;
    bool development;
    const wchar_t* folder;
    const wchar_t* updater;
};

class ProgramFolderRule : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ProgramFolderRule, AddsOneBackslashAndJoinsTheUpdaterPlainly) {
    const auto& c = GetParam();
    EXPECT_EQ(ProgramFolder(c.appPath, c.development), c.folder);
    EXPECT_EQ(UpdaterPath(c.appPath), c.updater);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ProgramFolderRule,
    ::testing::Values(FolderCase{L"C:\\Program Files\\Pelmor", false, L"C:\\Program Files\\Pelmor\\",
                                 L"C:\\Program Files\\Pelmor\\update.exe"},
                      // A drive root already ends in a backslash: no second one for the folder, but the
                      // updater path is joined plainly and doubles it.
                      FolderCase{L"D:\\", false, L"D:\\", L"D:\\\\update.exe"},
                      FolderCase{L"C:\\src\\Pelmor", true, L"C:\\src\\Pelmor\\Bin\\", L"C:\\src\\Pelmor\\update.exe"},
                      FolderCase{L"E:\\行情\\软件", false, L"E:\\行情\\软件\\", L"E:\\行情\\软件\\update.exe"}));

TEST(StartupPaths, ExecutablePathAndUpdaterCommandLine) {
    EXPECT_EQ(ExecutablePath(L"C:\\P\\", L"Pelmor免费行情分析系统"), L"C:\\P\\Pelmor免费行情分析系统.exe");
    EXPECT_EQ(UpdaterCommandLine(L"C:\\Program Files\\P\\update.exe"),
              L"\"C:\\Program Files\\P\\update.exe\" 主程序启动");
}

TEST(QuoteSources, SixButtonsAtFixedLeftsInOneRowEndingAt715) {
    const auto& s = QuoteSources();
    const int lefts[] = {200, 280, 360, 448, 544, 640};
    std::set<std::wstring> names;
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].left, lefts[i]);
        names.insert(s[i].control);
        if (i > 0) {
            EXPECT_GE(s[i].left, s[i - 1].left + kQuoteButtonWidth) << "buttons overlap at " << i;
        }
    }
    EXPECT_EQ(names.size(), 6u);
    EXPECT_EQ(s.back().left + kQuoteButtonWidth, 715);
    EXPECT_EQ(kQuoteButtonTop, 2);
    EXPECT_EQ(kQuoteButtonHeight, 20);
}

TEST(QuoteSources, EveryButtonOpensItsHostAndBindingPath) {
    const auto& s = QuoteSources();
    const std::wstring home = L"http://site.test/";
    EXPECT_EQ(QuotePageUrl(s[0], home), L"http://site.test/");
    EXPECT_EQ(QuotePageUrl(s[4], home), L"http://site.test/quote/dde_bk.php");
    const wchar_t* paths[] = {L"", L"/dzh.swf", L"/test/flashHQ.swf", L"/hq/flashMinuteHQ.jsp", L"/quote/dde_bk.php",
                              L"/hq/global_ind/stock.swf"};
    for (size_t i = 0; i < s.size(); ++i) {
        const std::wstring url = QuotePageUrl(s[i], home);
        EXPECT_EQ(url.substr(0, 7), L"http://") << i;
        const std::wstring path = paths[i];
        if (!path.empty()) {  // the site root has no path to compare
            ASSERT_GE(url.size(), path.size());
            EXPECT_EQ(url.substr(url.size() - path.size()), path) << i;
        }
    }
}

TEST(QuoteSources, SitePagesJoinWithExactlyOneSlash) {
    EXPECT_EQ(SitePageUrl(L"http://a.test/", L"/ruanjiantongji.htm"), L"http://a.test/ruanjiantongji.htm");
    EXPECT_EQ(SitePageUrl(L"http://a.test", L"/ruanjiantongji.htm"), L"http://a.test/ruanjiantongji.htm");
    EXPECT_EQ(SitePageUrl(L"http://a.test/", L""), L"http://a.test/");
}
