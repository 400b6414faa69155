// The shipped viewer starts under the test display and shows its main window as designed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ProgramRunner.h"
#include "WindowProbe.h"

using namespace testsupport;

namespace {
const wchar_t kViewerCaption[] = L"Pelmor免费行情分析系统V1.5";
}

TEST(ViewerSmoke, MainWindowComesUpCentredWithItsDesignClientSize) {
    ProgramRunner viewer;
    ASSERT_TRUE(viewer.Start(ShippedProgramPath(L"Pelmor免费行情分析系统.exe")));
    HWND main = viewer.WaitForWindow(kViewerCaption);
    ASSERT_NE(main, nullptr) << "no visible window captioned " << "Pelmor免费行情分析系统V1.5";

    const SIZE client = ClientSize(main);
    EXPECT_EQ(client.cx, 831);
    EXPECT_EQ(client.cy, 532);

    RECT wr{};
    ::GetWindowRect(main, &wr);
    const RECT wa = WorkArea();
    const int gapLeft = wr.left - wa.left, gapRight = wa.right - wr.right;
    const int gapTop = wr.top - wa.top, gapBottom = wa.bottom - wr.bottom;
    EXPECT_LE(std::abs(gapLeft - gapRight), 1);
    EXPECT_LE(std::abs(gapTop - gapBottom), 1);

    EXPECT_EQ(viewer.Close(main), 0);
}
