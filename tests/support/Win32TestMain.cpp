// Entry point of every Win32 test program: the controls and OLE the run-time expects, no system error
// dialog that would stall a run under Wine, and a check after each test that no error was swallowed
// underneath it that the test did not expect.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <array>

#include "tests/support/SwallowedErrors.h"

namespace {

class SwallowWatch : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        testsupport::ExpectedSwallows().fill(false);
        for (int k = 0; k < rt::kSwallowedKinds; ++k)
            before_[k] = rt::SwallowedCount(static_cast<rt::Swallowed>(k));
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        for (int k = 0; k < rt::kSwallowedKinds; ++k) {
            const auto kind = static_cast<rt::Swallowed>(k);
            const int64_t n = rt::SwallowedCount(kind) - before_[k];
            const bool expected = testsupport::ExpectedSwallows()[k];
            if (n > 0 && !expected)
                ADD_FAILURE() << n << " error(s) of kind \"" << rt::SwallowedName(kind)
                              << "\" swallowed underneath this test";
            if (n == 0 && expected)
                ADD_FAILURE() << "no error of kind \"" << rt::SwallowedName(kind)
                              << "\" was swallowed, though the test provokes one";
        }
    }
    std::array<int64_t, rt::kSwallowedKinds> before_{};
};

} // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    const HRESULT ole = ::OleInitialize(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    // After the printer: test-end events go to the listeners in reverse, so the check is printed
    // with the test it belongs to.
    ::testing::UnitTest::GetInstance()->listeners().Append(new SwallowWatch);
    const int rc = RUN_ALL_TESTS();
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
