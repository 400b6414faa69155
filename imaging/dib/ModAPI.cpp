#include "imaging/dib/ModAPI.h"

#include "drawing/TextDraw.h"
#include "imaging/cdecl/CodeProbe.h"
#include "runtime/App.h"

#include <utility>

namespace imaging::ModAPI {

namespace {

std::vector<ZlibCandidate>& CandidateList() {
    static std::vector<ZlibCandidate> list{{L"zlib1.dll", 2}, {L"zlib.dll", 1}};
    return list;
}

// The span the loaded module's own headers say it occupies.
std::span<const uint8_t> MappedImage(HMODULE module) {
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return {base, nt->OptionalHeader.SizeOfImage};
}

CallConvention Crc32Convention(HMODULE module, FARPROC crc32) {
    const ModuleImage image(MappedImage(module), reinterpret_cast<uintptr_t>(module));
    const auto entry = reinterpret_cast<uintptr_t>(crc32) - reinterpret_cast<uintptr_t>(module);
    return ProbeCrc32Convention(image, static_cast<uint32_t>(entry));
}

std::wstring InFolder(std::wstring folder, const std::wstring& name) {
    if (name.find_first_of(L"\\/") != std::wstring::npos || folder.empty()) return name;
    if (folder.back() != L'\\') folder += L'\\';
    return folder + name;
}

template <class Unique> Microsoft::WRL::ComPtr<IPicture> WrapHandle(Unique& holder, PICTDESC desc) {
    Microsoft::WRL::ComPtr<IPicture> picture;
    if (!holder) return picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE,
                                          reinterpret_cast<void**>(picture.GetAddressOf()))))
        return nullptr;
    holder.release();
    return picture;
}

} // namespace

int32_t DrawTextEllipsis(HDC hdc, std::wstring_view text, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t format) {
    return drawing::DrawTextCut(hdc, text, x, y, width, height, format);
}

rt::UniqueKernelHandle OpenFileForIO(const std::wstring& fileName, bool forRead, bool /*forceWide*/) {
    if (forRead) {
        constexpr DWORD kAnyAttributes = 0xA7;
        return rt::UniqueKernelHandle(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, kAnyAttributes, nullptr));
    }
    // Creating over a hidden or system file fails unless the same attributes are asked for.
    DWORD attributes = ::GetFileAttributesW(fileName.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) attributes = FILE_ATTRIBUTE_NORMAL;
    return rt::UniqueKernelHandle(::CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, attributes, nullptr));
}

const std::vector<ZlibCandidate>& ZlibCandidates() {
    return CandidateList();
}

void SetZlibCandidates(std::vector<ZlibCandidate> candidates) {
    CandidateList() = std::move(candidates);
}

bool LocateZlib(ZlibLocation& found, bool skipProbe, const std::vector<ZlibCandidate>& candidates) {
    found = ZlibLocation{};
    if (!candidates.empty()) found.name = candidates.back().name;
    for (const ZlibCandidate& c : candidates) {
        const std::wstring path = ProgramLibraryPath(c.name);
        rt::UniqueModule module(::LoadLibraryW(path.c_str()));
        if (!module) continue;
        found.compress2 = ::GetProcAddress(module.get(), "compress2") != nullptr;
        const FARPROC crc32 = ::GetProcAddress(module.get(), "crc32");
        if (!crc32) {
            found.compress2 = false;
            continue;
        }
        found.name = path;
        found.number = c.number;
        if (!skipProbe) found.isCdecl = Crc32Convention(module.get(), crc32) == CallConvention::Cdecl;
        return true;
    }
    return false;
}

bool LocateZlib(ZlibLocation& found, bool skipProbe) {
    return LocateZlib(found, skipProbe, ZlibCandidates());
}

std::wstring ProgramLibraryPath(const std::wstring& name) {
    return InFolder(rt::AppPath(), name);
}

std::wstring SystemLibraryPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return InFolder(n > 0 && n < MAX_PATH ? folder : L"", name);
}

bool DllExportsFunction(const std::wstring& library, const char* function) {
    const rt::UniqueModule module(::LoadLibraryW(library.c_str()));
    return module && ::GetProcAddress(module.get(), function) != nullptr;
}

Microsoft::WRL::ComPtr<IPicture> PictureFromHandle(rt::UniqueBitmap& bitmap) {
    PICTDESC desc{sizeof(PICTDESC), PICTYPE_BITMAP, {}};
    desc.bmp.hbitmap = bitmap.get();
    return WrapHandle(bitmap, desc);
}

Microsoft::WRL::ComPtr<IPicture> PictureFromHandle(rt::UniqueIcon& icon) {
    PICTDESC desc{sizeof(PICTDESC), PICTYPE_ICON, {}};
    desc.icon.hicon = icon.get();
    return WrapHandle(icon, desc);
}

} // namespace imaging::ModAPI
