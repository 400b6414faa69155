// Start-up paths, the quote-source table and the own keys of the viewer.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "shell/QuoteSources.h"
#include "shell/StartupPaths.h"
#include "shell/ViewerKeys.h"

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

TEST(QuoteSources, SixButtonsAtFixedLeftsOpenTheirPages) {
    // This test's build puts every provider at 127.0.0.1:18080; the product site is the home passed in.
    const struct {
        const wchar_t* control;
        int left;
        const wchar_t* url;
    } expect[] = {{L"ubPelmor", 200, L"http://site.test/"},
                  {L"ubDaZhiHui", 280, L"http://127.0.0.1:18080/dzh.swf"},
                  {L"ubTongdaxin", 360, L"http://127.0.0.1:18080/test/flashHQ.swf"},
                  {L"ubHuaRongZhengQuan", 448, L"http://127.0.0.1:18080/hq/flashMinuteHQ.jsp"},
                  {L"ubChaoYin", 544, L"http://site.test/quote/dde_bk.php"},
                  {L"ubQuanQiuHangQin", 640, L"http://127.0.0.1:18080/hq/global_ind/stock.swf"}};
    const auto& s = QuoteSources();
    ASSERT_EQ(s.size(), std::size(expect));
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].control, std::wstring(expect[i].control));
        EXPECT_EQ(s[i].left, expect[i].left);
        EXPECT_EQ(QuotePageUrl(s[i], L"http://site.test/"), expect[i].url);
    }
    EXPECT_EQ(kQuoteButtonWidth, 75);
    EXPECT_EQ(kQuoteButtonTop, 2);
    EXPECT_EQ(kQuoteButtonHeight, 20);
}

TEST(QuoteSources, SitePagesJoinWithExactlyOneSlash) {
    EXPECT_EQ(SitePageUrl(L"http://a.test/", L"/ruanjiantongji.htm"), L"http://a.test/ruanjiantongji.htm");
    EXPECT_EQ(SitePageUrl(L"http://a.test", L"/ruanjiantongji.htm"), L"http://a.test/ruanjiantongji.htm");
    EXPECT_EQ(SitePageUrl(L"http://a.test/", L""), L"http://a.test/");
}

TEST(ViewerKeys, CtrlDigitsOpenTheSourcesInBarOrderAndF5LoadsAgainWithNoOtherModifier) {
    using A = ViewerKey::Action;
    constexpr uint32_t kF5 = 0x74, kNumpad1 = 0x61;
    const struct {
        uint32_t key;
        bool ctrl, shift, alt;
        std::optional<ViewerKey> want;
    } cases[] = {{'1', true, false, false, ViewerKey{A::OpenSource, 0}},
                 {'6', true, false, false, ViewerKey{A::OpenSource, 5}},
                 {kNumpad1, true, false, false, ViewerKey{A::OpenSource, 0}},
                 {kNumpad1 + 5, true, false, false, ViewerKey{A::OpenSource, 5}},
                 {'7', true, false, false, std::nullopt},
                 {'0', true, false, false, std::nullopt},
                 {kNumpad1 + 6, true, false, false, std::nullopt},
                 {'1', false, false, false, std::nullopt},
                 {'1', true, true, false, std::nullopt},
                 {'1', true, false, true, std::nullopt},
                 {kF5, false, false, false, ViewerKey{A::Reload, 0}},
                 {kF5, true, false, false, std::nullopt},
                 {kF5, false, true, false, std::nullopt},
                 {kF5, false, false, true, std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.key << " ctrl " << c.ctrl << " shift " << c.shift << " alt " << c.alt);
        EXPECT_EQ(ChooseViewerKey(c.key, c.ctrl, c.shift, c.alt), c.want);
    }
    EXPECT_EQ(SourceShortcut(0), L"Ctrl+1");
    EXPECT_EQ(SourceShortcut(5), L"Ctrl+6");
}
