#include "tests/updater/UpdaterTestSupport.h"

#include <bcrypt.h>

#include "updater/UpdateChecks.h"

#include <vector>

namespace updatertest {

std::wstring TestBinFile(const std::wstring& fileName) {
    std::vector<wchar_t> buf(MAX_PATH * 4);
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    std::wstring self(buf.data(), n);
    return self.substr(0, self.find_last_of(L"\\/") + 1) + fileName;
}

bool FileExists(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string PatternBytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (auto& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

std::optional<StartReport> WaitForStartReport(const std::wstring& exePath, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    do {
        std::string bytes;
        // The child writes its report in one call; a report without its last line is not complete yet.
        if (ReadBytes(exePath + L".started", bytes) && bytes.size() > 1 && bytes.back() == '\n') {
            const int n =
                ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
            std::wstring text(static_cast<size_t>(n), L'\0');
            ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
            const size_t first = text.find(L'\n');
            const size_t second = text.find(L'\n', first + 1);
            if (first != std::wstring::npos && second != std::wstring::npos) {
                StartReport report;
                report.processId = static_cast<DWORD>(std::stoul(text.substr(0, first)));
                report.showCommand = std::stoi(text.substr(first + 1, second - first - 1));
                report.commandLine = text.substr(second + 1, text.size() - second - 2);
                return report;
            }
        }
        ::Sleep(20);
    } while (::GetTickCount() - start < timeoutMs);
    return std::nullopt;
}

std::wstring StandInViewerName() {
    return L"Pelmor免费行情分析系统 stand-in " + std::to_wstring(::GetCurrentProcessId()) + L".exe";
}

StandInProcess::~StandInProcess() {
    if (!pi_.hProcess) return;
    if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(pi_.hProcess, 99);
        ::WaitForSingleObject(pi_.hProcess, 5000);
    }
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
}

bool StandInProcess::Start(const std::wstring& exePath) {
    if (!::CopyFileW(TestBinFile(L"updater_test_child.exe").c_str(), exePath.c_str(), FALSE)) return false;
    std::wstring line = L"\"" + exePath + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return ::CreateProcessW(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi_) != FALSE;
}

bool StandInProcess::WaitForExit(DWORD timeoutMs) const {
    return pi_.hProcess && ::WaitForSingleObject(pi_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void EndAndWait(DWORD processId) {
    HANDLE h = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!h) return;
    ::TerminateProcess(h, 99);
    ::WaitForSingleObject(h, 5000);
    ::CloseHandle(h);
}

} // namespace updatertest

namespace updatertest {
namespace {

std::wstring TextOf(HWND wnd) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(wnd, text, 1024);
    return text;
}

} // namespace

std::vector<std::wstring> ChildTexts(HWND parent) {
    std::vector<std::wstring> texts;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        texts.push_back(TextOf(c));
    return texts;
}

std::string Base64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[group >> 18];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string Sha256Hex(const std::string& bytes) {
    const auto digest = updater::Sha256Of(bytes);
    return digest ? Hex(std::string(digest->begin(), digest->end())) : std::string();
}

ListSigner::ListSigner() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0) return;
    algorithm_.reset(algorithm);
    BCRYPT_KEY_HANDLE key = nullptr;
    if (::BCryptGenerateKeyPair(algorithm, &key, 256, 0) != 0) return;
    key_.reset(key);
    ::BCryptFinalizeKeyPair(key, 0);
    std::string blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64, '\0');
    ULONG size = 0;
    if (::BCryptExportKey(key, nullptr, BCRYPT_ECCPUBLIC_BLOB, reinterpret_cast<PUCHAR>(blob.data()),
                          static_cast<ULONG>(blob.size()), &size, 0) == 0)
        publicKey_ = Base64("\x04" + blob.substr(sizeof(BCRYPT_ECCKEY_BLOB), 64));
}

std::string ListSigner::Signature(const std::string& message) const {
    auto digest = updater::Sha256Of(message);
    std::string signature(64, '\0');
    if (!digest) return signature;
    ULONG size = 0;
    ::BCryptSignHash(key_.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()),
                     reinterpret_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), &size,
                     0);
    return signature;
}

std::string ListSigner::SignatureLine(const std::string& message, bool withKeyId) const {
    const auto point = updater::ParsePublicKey(publicKey_);
    const auto id = point ? updater::KeyIdOf(*point) : std::nullopt;
    const std::string keyId = withKeyId && id ? Hex(std::string(id->begin(), id->end())) + ":" : "";
    return "sig=" + keyId + Base64(Signature(message));
}

std::string ListSigner::SignedList(const std::string& firstLine) const {
    return firstLine + "\r\n" + SignatureLine(firstLine) + "\r\n";
}

} // namespace updatertest
