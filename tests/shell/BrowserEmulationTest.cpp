// The document mode the viewer names for its hosted browser: written under the user's key when
// absent, never over a value that is there. HKEY_CURRENT_USER points at a scratch key meanwhile, so
// the test prefix's own settings are neither read nor left changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/App.h"
#include "runtime/Handles.h"
#include "shell/BrowserEmulation.h"
#include "shell/frmMain.h"

using namespace viewer;

namespace {

constexpr wchar_t kViewer[] = L"Pelmor免费行情分析系统.exe";

class BrowserEmulation : public ::testing::Test {
  protected:
    void SetUp() override {
        scratchName_ = L"Software\\PelmorTests\\BrowserEmulation-" + std::to_wstring(::GetCurrentProcessId());
        HKEY scratch = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, scratchName_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &scratch, nullptr),
                  ERROR_SUCCESS);
        scratch_.reset(scratch);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch_.get()), ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        scratch_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, scratchName_.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PelmorTests");
    }

    // The value's type and, for a DWORD, its number; type REG_NONE when there is no value.
    static std::pair<DWORD, DWORD> Read(const wchar_t* name) {
        DWORD type = REG_NONE, data = 0, size = sizeof(data);
        if (::RegGetValueW(HKEY_CURRENT_USER, kBrowserEmulationKey, name, RRF_RT_ANY, &type, nullptr,
                           nullptr) != ERROR_SUCCESS)
            return {REG_NONE, 0};
        if (type == REG_DWORD)
            ::RegGetValueW(HKEY_CURRENT_USER, kBrowserEmulationKey, name, RRF_RT_REG_DWORD, nullptr, &data,
                           &size);
        return {type, data};
    }
    static void Write(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kBrowserEmulationKey, name, type, data, size),
                  ERROR_SUCCESS);
    }

    std::wstring scratchName_;
    rt::UniqueRegKey scratch_;
};

TEST_F(BrowserEmulation, TheNewestModeIsWrittenForTheProgramOnlyWhenItHasNone) {
    ASSERT_EQ(Read(kViewer).first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(EnsureBrowserEmulation(kViewer), EmulationResult::Written);
    EXPECT_EQ(Read(kViewer), std::make_pair(static_cast<DWORD>(REG_DWORD), DWORD{11001}));
    EXPECT_EQ(EnsureBrowserEmulation(kViewer), EmulationResult::AlreadySet);
    EXPECT_EQ(Read(kViewer), std::make_pair(static_cast<DWORD>(REG_DWORD), DWORD{11001}));
}

TEST_F(BrowserEmulation, AValueTheUserSetIsNeverChangedWhateverItsType) {
    const DWORD older = 8000;
    Write(kViewer, REG_DWORD, &older, sizeof(older));
    const wchar_t text[] = L"10001";
    Write(L"other.exe", REG_SZ, text, sizeof(text));
    EXPECT_EQ(EnsureBrowserEmulation(kViewer), EmulationResult::AlreadySet);
    EXPECT_EQ(EnsureBrowserEmulation(L"other.exe"), EmulationResult::AlreadySet);
    EXPECT_EQ(Read(kViewer), std::make_pair(static_cast<DWORD>(REG_DWORD), older));
    EXPECT_EQ(Read(L"other.exe").first, static_cast<DWORD>(REG_SZ));
}

TEST_F(BrowserEmulation, TheSystemBrowserIsMadeWithTheValueInPlaceForTheRunningProgram) {
    const std::wstring self = rt::AppExeName() + L".exe";
    rt::UniqueWindow container(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(container);
    auto browser = CreateSystemBrowser(container.get());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(Read(self.c_str()), std::make_pair(static_cast<DWORD>(REG_DWORD), DWORD{11001}));
    browser.reset();
}

} // namespace
