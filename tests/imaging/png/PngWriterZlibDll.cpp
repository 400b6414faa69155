// The generator's zlib on Windows: zlib1.dll beside the test program, loaded by name like the
// programs do; its functions follow the one x86-64 calling convention.
#include "tests/imaging/png/PngWriter.h"

#include <windows.h>

#include <stdexcept>

namespace pngtest {
namespace {

struct ZlibDll {
    using Compress2Fn = int (*)(uint8_t*, unsigned long*, const uint8_t*, unsigned long, int);
    using CompressBoundFn = unsigned long (*)(unsigned long);
    using Crc32Fn = unsigned long (*)(unsigned long, const uint8_t*, unsigned int);

    ZlibDll() {
        module = ::LoadLibraryW(L"zlib1.dll");
        if (!module) throw std::runtime_error("zlib1.dll not found");
        compress2 =
            reinterpret_cast<Compress2Fn>(reinterpret_cast<void*>(::GetProcAddress(module, "compress2")));
        compressBound = reinterpret_cast<CompressBoundFn>(
            reinterpret_cast<void*>(::GetProcAddress(module, "compressBound")));
        crc32 = reinterpret_cast<Crc32Fn>(reinterpret_cast<void*>(::GetProcAddress(module, "crc32")));
        if (!compress2 || !compressBound || !crc32) throw std::runtime_error("zlib1.dll lacks a function");
    }
    // Loaded for the life of the test program.
    HMODULE module;
    Compress2Fn compress2;
    CompressBoundFn compressBound;
    Crc32Fn crc32;
};

const ZlibDll& Dll() {
    static const ZlibDll dll;
    return dll;
}

} // namespace

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw, int level) {
    unsigned long size = Dll().compressBound(static_cast<unsigned long>(raw.size()));
    std::vector<uint8_t> out(size);
    if (Dll().compress2(out.data(), &size, raw.data(), static_cast<unsigned long>(raw.size()), level) != 0)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

uint32_t Crc32(const uint8_t* bytes, size_t count) {
    return static_cast<uint32_t>(Dll().crc32(0, bytes, static_cast<unsigned int>(count)));
}

} // namespace pngtest
