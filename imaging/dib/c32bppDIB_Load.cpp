// Loading an image from a file, a byte array or a resource through the PNG decoder and GDI+, and the
// answers for picture objects; the file names of dropped and pasted file lists.
#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/ModAPI.h"
#include "imaging/dib/cGDIPlus.h"
#include "runtime/MsgBox.h"
#include "runtime/RtError.h"
#include "runtime/ScopeExit.h"
#include "runtime/TextCodec.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <limits>

namespace imaging {

namespace {

// Fewer encoded bytes than this are no picture any decoder is asked about.
constexpr int64_t kMinimumEncodedBytes = 57;

int64_t FileSize(HANDLE file) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file, &size) ? size.QuadPart : -1;
}

// The whole file from its start; empty when it cannot be read or is too large for an array.
std::vector<uint8_t> ReadWholeFile(HANDLE file) {
    const int64_t size = FileSize(file);
    if (size <= 0 || size > std::numeric_limits<int32_t>::max()) return {};
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return {};
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file, bytes.data() + done, want, &got, nullptr) || got == 0) return {};
        done += got;
    }
    return bytes;
}

// Whether the clipboard holds one of the formats a picture object is made from.
bool ClipboardHoldsPicture() {
    for (const UINT format : {CF_BITMAP, CF_DIB, CF_ENHMETAFILE, CF_METAFILEPICT})
        if (::IsClipboardFormatAvailable(format)) return true;
    return false;
}

// The names of a drop-files block: wide or narrow (system code page), each ended by a null.
std::vector<std::wstring> DropNames(const DROPFILES* drop, std::size_t blockSize) {
    std::vector<std::wstring> names;
    // The sender chose the block's size: its header is read only when the block holds one.
    if (!drop || blockSize < sizeof(DROPFILES) || drop->pFiles >= blockSize) return names;
    const auto* base = reinterpret_cast<const uint8_t*>(drop);
    if (drop->fWide) {
        const auto* p = reinterpret_cast<const wchar_t*>(base + drop->pFiles);
        // Whole characters only: an odd byte count would leave half of one past the block.
        const auto* end = reinterpret_cast<const wchar_t*>(base + drop->pFiles +
                                                           ((blockSize - drop->pFiles) & ~std::size_t{1}));
        while (p < end && *p) {
            const wchar_t* stop = std::find(p, end, L'\0');
            names.emplace_back(p, stop);
            p = stop + 1;
        }
    } else {
        const auto* p = reinterpret_cast<const char*>(base + drop->pFiles);
        const auto* end = reinterpret_cast<const char*>(base + blockSize);
        while (p < end && *p) {
            const char* stop = std::find(p, end, '\0');
            const int n = static_cast<int>(stop - p);
            std::wstring name(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, p, n, nullptr, 0)),
                              L'\0');
            ::MultiByteToWideChar(CP_ACP, 0, p, n, name.data(), static_cast<int>(name.size()));
            names.push_back(std::move(name));
            p = stop + 1;
        }
    }
    return names;
}

} // namespace

bool c32bppDIB::LoadPicture_File(const std::wstring& FileName, int32_t /*iconCx*/, int32_t /*iconCy*/,
                                 bool SaveFormat, int32_t /*iconBitDepth*/) {
    bool loaded = false;
    rt::Trap([&] {
        const rt::UniqueKernelHandle file = ModAPI::OpenFileForIO(FileName, true, true);
        if (!file || FileSize(file.get()) < kMinimumEncodedBytes) return;
        loaded = LoadFromSource(file.get(), FileName, nullptr, 0, 0, SaveFormat);
    });
    return loaded;
}

bool c32bppDIB::LoadPicture_Stream(const std::vector<uint8_t>& inStream, int32_t /*iconCx*/,
                                   int32_t /*iconCy*/, int32_t streamStart, int32_t streamLength,
                                   bool SaveFormat, int32_t /*iconBitDepth*/) {
    if (inStream.empty()) return false;
    bool loaded = false;
    rt::Trap([&] {
        streamStart = std::max(streamStart, 0);
        if (streamLength == 0)
            streamLength = static_cast<int32_t>(static_cast<int64_t>(inStream.size()) - streamStart);
        if (streamLength < kMinimumEncodedBytes) return;
        loaded = LoadFromSource(nullptr, {}, &inStream, streamStart, streamLength, SaveFormat);
    });
    return loaded;
}

bool c32bppDIB::LoadFromSource(HANDLE file, const std::wstring& FileName, const std::vector<uint8_t>* stream,
                               int32_t streamStart, int32_t streamLength, bool SaveFormat) {
    DestroyDIB();
    bool isPng = false;
    try {
        isPng = DecodeWithPngParser(file, FileName, stream, streamStart, streamLength);
    } catch (const rt::RtError& e) {
        rt::MsgBox(e.Description(), MB_OK);
    } catch (const std::exception& e) {
        rt::MsgBox(rt::Utf8ToWide(e.what()), MB_OK);
    }

    // The named part of a stream: what GDI+ is given and what is kept. A file goes to GDI+ by its name.
    std::vector<uint8_t> bytes;
    if (stream && (!m_Handle || SaveFormat)) {
        // The parser has checked the range, or raised the error shown above.
        const std::size_t from = std::min<std::size_t>(static_cast<std::size_t>(streamStart), stream->size());
        const std::size_t to =
            std::min<std::size_t>(from + static_cast<std::size_t>(streamLength), stream->size());
        bytes.assign(stream->begin() + static_cast<std::ptrdiff_t>(from),
                     stream->begin() + static_cast<std::ptrdiff_t>(to));
    }

    // A PNG the parser answered for has had its try at GDI+ already.
    bool keepFile = file != nullptr;
    if (!m_Handle && !isPng && isGDIplusEnabled()) {
        const cGDIPlus gdiPlus;
        if (gdiPlus.LoadImageGDIplus(FileName, bytes, *this, m_gdiToken) && SaveFormat) {
            std::vector<uint8_t> png;
            gdiPlus.SaveToPNG(L"", png, *this, m_gdiToken);
            bytes = std::move(png);
            keepFile = false;
        }
    }
    if (!m_Handle) return false;
    if (SaveFormat) m_OriginalFormat = keepFile ? ReadWholeFile(file) : bytes;
    return true;
}

bool c32bppDIB::LoadPicture_Resource(const wchar_t* ResIndex, const wchar_t* ResSection, HMODULE VBglobal,
                                     int32_t iconCx, int32_t iconCy, int32_t streamStart,
                                     int32_t streamLength, int32_t iconBitDepth) {
    bool loaded = false;
    rt::Trap([&] {
        const HMODULE module = VBglobal ? VBglobal : ::GetModuleHandleW(nullptr);
        const HRSRC found = ::FindResourceW(module, ResIndex, ResSection);
        const HGLOBAL data = found ? ::LoadResource(module, found) : nullptr;
        const auto* p = data ? static_cast<const uint8_t*>(::LockResource(data)) : nullptr;
        if (!p) return;
        const std::vector<uint8_t> bytes(p, p + ::SizeofResource(module, found));
        // A refused stream keeps the image it had; that is no load.
        loaded = LoadPicture_Stream(bytes, iconCx, iconCy, streamStart, streamLength, false, iconBitDepth);
    });
    return loaded;
}

bool c32bppDIB::LoadPicture_Resource(const wchar_t* ResIndex, int16_t ResSection, HMODULE VBglobal,
                                     int32_t /*iconCx*/, int32_t /*iconCy*/, int32_t /*streamStart*/,
                                     int32_t /*streamLength*/, int32_t /*iconBitDepth*/) {
    bool loaded = false;
    rt::Trap([&] {
        const HINSTANCE module = VBglobal ? VBglobal : ::GetModuleHandleW(nullptr);
        const rt::PictureType kind =
            ResSection == IMAGE_ICON ? rt::PictureType::Icon : rt::PictureType::Bitmap;
        LoadPicture_StdPicture(rt::LoadResPicture(ResIndex, kind, module));
        loaded = static_cast<bool>(m_Handle);
    });
    return loaded;
}

bool c32bppDIB::LoadPicture_FromOrignalFormat(int32_t iconCx, int32_t iconCy, int32_t iconBitDepth) {
    const std::vector<uint8_t> kept = m_OriginalFormat;
    return LoadPicture_Stream(kept, iconCx, iconCy, 0, 0, true, iconBitDepth);
}

bool c32bppDIB::LoadPicture_StdPicture(const rt::Picture& /*Picture*/) {
    DestroyDIB();
    return false;
}

bool c32bppDIB::LoadPicture_ByHandle(HANDLE /*Handle*/) {
    DestroyDIB();
    return false;
}

bool c32bppDIB::LoadPicture_ClipBoard() {
    if (!ClipboardHoldsPicture()) return false;
    // The clipboard's picture would go to LoadPicture_StdPicture, which decodes none.
    LoadPicture_StdPicture(nullptr);
    return false;
}

int32_t c32bppDIB::GetDroppedFileNames(IDataObject* OLEDragDrop_DataObject,
                                       std::vector<std::wstring>& ListOfFiles) {
    if (!OLEDragDrop_DataObject) return 0;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    if (OLEDragDrop_DataObject->QueryGetData(&format) != S_OK) return 0;
    STGMEDIUM medium{};
    if (FAILED(OLEDragDrop_DataObject->GetData(&format, &medium))) return 0;
    std::vector<std::wstring> names;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        const auto* drop = static_cast<const DROPFILES*>(::GlobalLock(medium.hGlobal));
        names = DropNames(drop, ::GlobalSize(medium.hGlobal));
        if (drop) ::GlobalUnlock(medium.hGlobal);
    }
    ::ReleaseStgMedium(&medium);
    ListOfFiles = std::move(names);
    return static_cast<int32_t>(ListOfFiles.size());
}

int32_t c32bppDIB::GetPastedFileNames(std::vector<std::wstring>& ListOfFiles) {
    if (!::OpenClipboard(nullptr)) return 0;
    const rt::ScopeExit close([] { ::CloseClipboard(); });
    if (!::IsClipboardFormatAvailable(CF_HDROP)) return 0;
    // Another program filled the block: read through the same size checks as a drop.
    const HGLOBAL block = ::GetClipboardData(CF_HDROP);
    const auto* drop = block ? static_cast<const DROPFILES*>(::GlobalLock(block)) : nullptr;
    if (!drop) return 0;
    ListOfFiles = DropNames(drop, ::GlobalSize(block));
    ::GlobalUnlock(block);
    return static_cast<int32_t>(ListOfFiles.size());
}

} // namespace imaging
