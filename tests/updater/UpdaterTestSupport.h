#pragma once
// Shared by the updater's Win32 tests: scratch program folders, files, and stand-in processes made from
// the test child program (a viewer to be ended, a setup program to be started).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ScratchFiles.h"
#include "updater/CngCrypto.h"

namespace updatertest {

// What the build without a key asks when its list offers version 1.666.
inline const std::wstring kVisitSite1666 =
    L"系统检测到 Pelmor免费行情分析系统 有新版本 V1.666 是否打开官方网站下载？";
// The port the test build of the updater (update_testsite.exe) fetches its list from.
constexpr uint16_t kSitePort = PELMOR_UPDATER_TEST_PORT;
// The image name the test build ends in place of the viewer's.
constexpr wchar_t kSiteViewerImage[] = PELMOR_UPDATER_TEST_VIEWER;

// A file in this test program's own folder (tests-bin).
std::wstring TestBinFile(const std::wstring& fileName);

using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::ScratchFolder;
using testsupport::WriteFileBytes;

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
std::string PatternBytes(size_t n, uint32_t seed);

// What the test child wrote when it started: its process id, the show command it was given
// (-1: none) and its whole command line.
struct StartReport {
    DWORD processId = 0;
    int showCommand = -1;
    std::wstring commandLine;
};
// The report of a copy of the test child at exePath, waiting for it up to timeoutMs.
std::optional<StartReport> WaitForStartReport(const std::wstring& exePath, DWORD timeoutMs);

// A viewer image name of this test process's own, so that no viewer running beside the tests is chosen.
std::wstring StandInViewerName();

// A copy of the test child started under a chosen path; ended when the object goes.
class StandInProcess {
  public:
    StandInProcess() = default;
    ~StandInProcess();
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;
    bool Start(const std::wstring& exePath);
    DWORD Id() const { return pi_.dwProcessId; }
    bool WaitForExit(DWORD timeoutMs) const;

  private:
    PROCESS_INFORMATION pi_{};
};

// Ends a process by id and waits for it.
void EndAndWait(DWORD processId);

} // namespace updatertest

namespace updatertest {

// Texts of the child windows of a window, in z-order.
std::vector<std::wstring> ChildTexts(HWND parent);

std::string Base64(const std::string& bytes);
std::string Hex(const std::string& bytes);
// The SHA-256 of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

// A P-256 key pair made by the system for one test, signing update lists the way tools/update_list.py
// does: the first line, then "sig=<key id>:<base64 of r || s>" on the second.
class ListSigner {
  public:
    ListSigner();
    ListSigner(const ListSigner&) = delete;
    ListSigner& operator=(const ListSigner&) = delete;
    // The build setting's form: base64 of 04 || X || Y.
    const std::string& PublicKey() const { return publicKey_; }
    // r || s over the SHA-256 of message.
    std::string Signature(const std::string& message) const;
    // "sig=<key id>:<base64>", or "sig=<base64>" in the form without a key id.
    std::string SignatureLine(const std::string& message, bool withKeyId = true) const;
    // firstLine CR LF "sig=…" CR LF.
    std::string SignedList(const std::string& firstLine) const;

  private:
    // Declared in this order so that the key goes before its algorithm.
    rt::UniqueUncounted<void*, updater::CngAlgorithmCloser> algorithm_;
    rt::UniqueUncounted<void*, updater::CngKeyDestroyer> key_;
    std::string publicKey_;
};

} // namespace updatertest
