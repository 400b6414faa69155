#include "tests/support/ScratchFiles.h"

#include "runtime/Handles.h"

namespace testsupport {

ScratchFolder::ScratchFolder(const std::wstring& name) {
    wchar_t tmp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, tmp);
    path_ = std::wstring(tmp) + name + L" " + std::to_wstring(::GetCurrentProcessId());
    RemoveTree(path_);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    RemoveTree(path_);
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE f = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + L"\\" + name);
            else
                ::DeleteFileW((dir + L"\\" + name).c_str());
        } while (::FindNextFileW(f, &fd));
        ::FindClose(f);
    }
    ::RemoveDirectoryW(dir.c_str());
}

bool ReadBytes(const std::wstring& path, std::string& out) {
    const rt::UniqueKernelHandle file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    out.clear();
    char buf[64 * 1024];
    DWORD n = 0;
    while (::ReadFile(file.get(), buf, sizeof(buf), &n, nullptr) && n > 0)
        out.append(buf, n);
    return true;
}

bool WriteFileBytes(const std::wstring& path, std::string_view data) {
    const rt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD n = 0;
    return file && ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &n, nullptr) &&
           n == data.size();
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& data) {
    return WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

} // namespace testsupport
