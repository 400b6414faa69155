#include "updater/ListFile.h"

#include <windows.h>

#include "runtime/Handles.h"
#include "runtime/TextCodec.h"

namespace updater {

std::string TakeListFile(const std::wstring& path) {
    std::string bytes;
    {
        rt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            bytes.resize(kMaxListBytes);
            DWORD total = 0;
            DWORD read = 0;
            while (total < bytes.size() &&
                   ::ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total),
                              &read, nullptr) &&
                   read > 0)
                total += read;
            bytes.resize(total);
        }
    }
    ::DeleteFileW(path.c_str());
    return bytes;
}

bool CanSaveFile(const std::wstring& path) {
    const rt::UniqueKernelHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(file);
}

std::wstring ListText(const std::string& bytes, ListEncoding encoding) {
    if (bytes.empty()) return {};
    if (encoding == ListEncoding::Utf8) return rt::Utf8ToWide(bytes);
    constexpr UINT kGbk = 936;
    const int length = static_cast<int>(bytes.size());
    const int n = ::MultiByteToWideChar(kGbk, 0, bytes.data(), length, nullptr, 0);
    if (n <= 0) return rt::Utf8ToWide(bytes);
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(kGbk, 0, bytes.data(), length, text.data(), n);
    return text;
}

} // namespace updater
