#include "runtime/MsgBox.h"

#include "runtime/App.h"
#include "runtime/Handles.h"
#include "tests/support/BoxAnswerer.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

const std::wstring kTitle = L"Pelmor免费行情分析系统";
const std::wstring kPrompt = L"确定要退出吗？\n行情数据将不再更新。";

class InterceptedMsgBox : public ::testing::Test {
  protected:
    rt::ScopedMsgBoxHandler handler_{[this](const rt::MsgBoxCall& c) {
        calls.push_back(c);
        return answer;
    }};
    std::vector<rt::MsgBoxCall> calls;
    int answer = IDNO;
};

TEST_F(InterceptedMsgBox, ReturnsTheHandlersAnswerAndRecordsTheCallExactly) {
    EXPECT_EQ(rt::MsgBox(kPrompt, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, kTitle), IDNO);
    answer = IDYES;
    EXPECT_EQ(rt::MsgBox(L"第二个", MB_YESNO, kTitle), IDYES);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].prompt, kPrompt);
    EXPECT_EQ(calls[0].title, kTitle);
    EXPECT_EQ(calls[0].flags, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(calls[1].prompt, L"第二个");
    EXPECT_EQ(calls[1].flags, UINT(MB_YESNO));
}

TEST_F(InterceptedMsgBox, TitleDefaultsToTheExecutableName) {
    rt::MsgBox(L"提示");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].title.empty());
    EXPECT_EQ(calls[0].title, rt::AppExeName());
    EXPECT_EQ(calls[0].flags, UINT(MB_OK));
}

TEST_F(InterceptedMsgBox, OwnerIsTheThreadsActiveWindow) {
    rt::UniqueWindow wnd(::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 100, 50,
                                           nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(wnd);
    ::SetForegroundWindow(wnd.get());
    ::SetActiveWindow(wnd.get());
    ASSERT_EQ(::GetActiveWindow(), wnd.get());
    rt::MsgBox(L"有主窗口");
    const HWND owner = wnd.get();
    wnd.reset();
    ASSERT_EQ(::GetActiveWindow(), nullptr);
    rt::MsgBox(L"无主窗口");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].owner, owner);
    EXPECT_EQ(calls[1].owner, nullptr);
}

TEST(ScopedMsgBoxHandler, PutsThePreviousHandlerBack) {
    rt::ScopedMsgBoxHandler outer([](const rt::MsgBoxCall&) { return IDOK; });
    {
        rt::ScopedMsgBoxHandler inner([](const rt::MsgBoxCall&) { return IDCANCEL; });
        EXPECT_EQ(rt::MsgBox(L"内层", MB_OKCANCEL), IDCANCEL);
    }
    EXPECT_EQ(rt::MsgBox(L"外层", MB_OKCANCEL), IDOK);
}

struct RealBoxCase {
    const char* name;
    UINT flags;
    int button;
};

void PrintTo(const RealBoxCase& c, std::ostream* os) {
    *os << c.name;
}

class RealMsgBox : public ::testing::TestWithParam<RealBoxCase> {
  protected:
    // An empty handler shows the real box, whatever another test left installed.
    rt::ScopedMsgBoxHandler none_{nullptr};
};

TEST_P(RealMsgBox, IsAnsweredByTheButtonClickedAndShowsItsText) {
    const RealBoxCase& c = GetParam();
    rt::test::BoxAnswerer answerer(kTitle, c.button, kPrompt);
    EXPECT_EQ(rt::MsgBox(kPrompt, c.flags, kTitle), c.button);
    EXPECT_TRUE(answerer.Wait());
    EXPECT_EQ(answerer.Text(), kPrompt);
}

INSTANTIATE_TEST_SUITE_P(Buttons, RealMsgBox,
                         ::testing::Values(RealBoxCase{"Yes", MB_YESNO | MB_ICONQUESTION, IDYES},
                                           RealBoxCase{"No", MB_YESNO | MB_ICONQUESTION, IDNO},
                                           RealBoxCase{"Ok", MB_OK | MB_ICONINFORMATION, IDOK},
                                           RealBoxCase{"Cancel", MB_OKCANCEL, IDCANCEL}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
