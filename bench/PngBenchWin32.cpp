// The Windows benchmark's decoders, each into an image object of its own as a load fills it: ours
// (cPNGparser with GDI+ switched off) through zlib1.dll and through the built-in inflater, and GDI+
// through the image engine's bridge with one session kept open for the whole run. GDI+ and zlib are
// switched off by naming a library that is loaded already and lacks their functions: a name that does
// not exist would time the system's search for it on every load. core-builtin is the platform-free
// decode alone into plain memory, as the native benchmark times it: what a load costs beyond it is the
// Windows path's own (image object, DIB section, library look-ups, GDI+ probing).
#include "bench/PngBenchDecoders.h"

#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/dib/ModAPI.h"
#include "imaging/dib/c32bppDIB.h"
#include "imaging/dib/cGDIPlus.h"
#include "imaging/dib/cPNGparser.h"
#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngDecode.h"

#include <windows.h>

namespace pngbench {
namespace {

const std::vector<imaging::ModAPI::ZlibCandidate> kShippedZlib = imaging::ModAPI::ZlibCandidates();

bool Ours(const std::vector<uint8_t>& png, bool zlib) {
    imaging::gdip::SetLibraryName(L"kernel32.dll");
    imaging::ModAPI::SetZlibCandidates(
        zlib ? kShippedZlib : std::vector<imaging::ModAPI::ZlibCandidate>{{L"kernel32.dll", 2}});
    static imaging::c32bppDIB dib;
    imaging::cPNGparser parser;
    const bool ok =
        parser.LoadStream(png, dib, 0, static_cast<int32_t>(png.size()), 0) && dib.BitsPointer() != nullptr;
    return ok && parser.LastDecoder() ==
                     (zlib ? imaging::cPNGparser::Decoder::Zlib : imaging::cPNGparser::Decoder::BuiltIn);
}

bool Core(const std::vector<uint8_t>& png) {
    imaging::png::PngMemoryImage image;
    imaging::png::PngDecoderSetup setup;
    setup.inflater = imaging::png::BuiltinInflate;
    return imaging::png::DecodePng(png, setup, image) == imaging::png::PngStatus::Ok;
}

bool GdiPlus(const std::vector<uint8_t>& png) {
    static imaging::gdip::Token token = 0;
    imaging::gdip::SetLibraryName(L"gdiplus.dll");
    if (token == 0 && !imaging::cGDIPlus().InitializeGDIplus(token, false)) return false;
    static imaging::c32bppDIB dib;
    return imaging::cGDIPlus().LoadImageGDIplus(L"", png, dib, token);
}

} // namespace

std::vector<Decoder> Decoders() {
    return {
        {"ours-zlib", true, [](const std::vector<uint8_t>& b) { return Ours(b, true); }},
        {"ours-builtin", true, [](const std::vector<uint8_t>& b) { return Ours(b, false); }},
        {"core-builtin", true, Core},
        {"gdiplus", false, GdiPlus},
    };
}

// Wine counts thread times in 10 ms steps: the benchmark's turns are long enough for that.
double ThreadSeconds() {
    FILETIME created, ended, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) * 1e-7;
}

} // namespace pngbench
