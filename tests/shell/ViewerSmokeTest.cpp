// The shipped viewer starts under the test display and shows its main window as designed: a form with
// an 831 × 532 client area, centred, whose system caption the skin then strips; on the way it has
// named its browser's document mode under the user's key.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/ProgramRunner.h"
#include "tests/support/WindowProbe.h"

using namespace testsupport;

namespace {

const wchar_t kViewerExe[] = L"Pelmor免费行情分析系统.exe";
const wchar_t kViewerCaption[] = L"Pelmor免费行情分析系统V1.5";

// A copy of the shipped program in a folder of its own: beside the shipped one lies update.exe, which
// the viewer would start against the real product site.
std::wstring LoneCopyOfTheViewer() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"pelmor-viewer-smoke";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring copy = dir + L"\\" + kViewerExe;
    ::DeleteFileW((dir + L"\\update.exe").c_str());
    return ::CopyFileW(ShippedProgramPath(kViewerExe).c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

const wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// The viewer's browser-emulation value under the user's key; 0 when there is none.
DWORD EmulationMode() {
    DWORD mode = 0, size = sizeof(mode);
    if (::RegGetValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe, RRF_RT_REG_DWORD, nullptr, &mode,
                       &size) != ERROR_SUCCESS)
        return 0;
    return mode;
}

// Takes the value away for the test and leaves the prefix as it was found.
class NoEmulationValue {
  public:
    NoEmulationValue() : before_(EmulationMode()) {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe);
    }
    ~NoEmulationValue() {
        if (before_)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe, REG_DWORD, &before_,
                              sizeof(before_));
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, kViewerExe);
    }

  private:
    DWORD before_;
};

} // namespace

TEST(ViewerSmoke, MainWindowComesUpCentredFromItsDesignClientSizeAndSkinned) {
    const std::wstring exe = LoneCopyOfTheViewer();
    ASSERT_FALSE(exe.empty());
    const NoEmulationValue clean;
    ASSERT_EQ(EmulationMode(), 0u);
    ProgramRunner viewer;
    ASSERT_TRUE(viewer.Start(exe));
    HWND main = viewer.WaitForWindow(kViewerCaption);
    ASSERT_NE(main, nullptr) << "no visible window captioned Pelmor免费行情分析系统V1.5";

    // The window was made for an 831 × 532 client area under a caption and a sizing frame.
    RECT designed{0, 0, 831, 532};
    ::AdjustWindowRectEx(&designed, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_WINDOWEDGE);
    RECT wr{};
    ::GetWindowRect(main, &wr);
    EXPECT_EQ(wr.right - wr.left, designed.right - designed.left);
    EXPECT_EQ(wr.bottom - wr.top, designed.bottom - designed.top);

    const RECT wa = WorkArea();
    EXPECT_LE(std::abs((wr.left - wa.left) - (wa.right - wr.right)), 1);
    EXPECT_LE(std::abs((wr.top - wa.top) - (wa.bottom - wr.bottom)), 1);

    // The skin has taken the system caption away; the sizing frame stays (clipped by the region).
    const LONG style = ::GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_THICKFRAME, 0);

    // By the time its window shows, the viewer has asked for the newest document mode of its pages.
    EXPECT_EQ(EmulationMode(), 11001u);

    EXPECT_EQ(viewer.Close(main), 0);
}
