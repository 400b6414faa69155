#include "runtime/ProgramVersion.h"

#include "runtime/App.h"

#include <vector>

namespace rt {

ProgramVersion ReadProgramVersion(HMODULE module) {
    const std::wstring path = ModuleFileName(module);
    return path.empty() ? ProgramVersion{} : ReadFileVersion(path);
}

ProgramVersion ReadFileVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
    void* block = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO))
        return {};
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    if (info->dwSignature != VS_FFI_SIGNATURE) return {};
    return {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), true};
}

std::wstring ProgramVersionText(HMODULE module) {
    const ProgramVersion v = ReadProgramVersion(module);
    if (!v.found) return {};
    return std::to_wstring(v.major) + L"." + std::to_wstring(v.minor);
}

} // namespace rt
