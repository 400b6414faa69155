// pngdecode's decoding in the Windows build: cPNGparser into a c32bppDIB, GDI+ first unless switched
// off, zlib1.dll unless --inflater=builtin (then no zlib at all, as when it is absent).
#include "tools/pngdecode/PngDecodeTool.h"

#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/dib/ModAPI.h"
#include "imaging/dib/c32bppDIB.h"
#include "imaging/dib/cPNGparser.h"
#include "runtime/Handles.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"

#include <memory>
#include <vector>

namespace pngdecodetool {

bool DecodeFile(const Options& options, Image& image, std::string& error) {
    // Each run sets both libraries, so runs in one process do not inherit each other's choices.
    static const std::wstring shippedGdiplus = imaging::gdip::LibraryName();
    static const std::vector<imaging::ModAPI::ZlibCandidate> shippedZlib = imaging::ModAPI::ZlibCandidates();
    imaging::gdip::SetLibraryName(options.noGdiplus ? L"pelmor-no-gdiplus.dll" : shippedGdiplus);
    imaging::ModAPI::SetZlibCandidates(
        options.builtin ? std::vector<imaging::ModAPI::ZlibCandidate>{{L"pelmor-no-zlib1.dll", 2},
                                                                      {L"pelmor-no-zlib.dll", 1}}
                        : shippedZlib);

    const std::wstring path = rt::Utf8ToWide(options.input);
    const rt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = "cannot open " + options.input;
        return false;
    }
    static std::unique_ptr<imaging::c32bppDIB> dib;
    dib = std::make_unique<imaging::c32bppDIB>();
    imaging::cPNGparser parser;
    bool isPng = false;
    try {
        isPng = parser.LoadFile(file.get(), path, *dib, 0);
    } catch (const rt::RtError& e) {
        error = rt::WideToUtf8(e.Description());
        return false;
    }
    if (!isPng) {
        error = imaging::png::PngStatusText(imaging::png::PngStatus::NotPng);
        return false;
    }
    if (dib->BitsPointer() == nullptr) {
        error = imaging::png::PngStatusText(parser.LastStatus());
        return false;
    }
    image = {dib->Width(), dib->Height(), dib->BitsPointer()};
    return true;
}

} // namespace pngdecodetool
