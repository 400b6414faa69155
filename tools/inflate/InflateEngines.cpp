#include "tools/inflate/InflateEngines.h"

#include "imaging/inflate/Inflate.h"

#include <limits>

#if defined(_WIN32)
#include "imaging/cdecl/cCDECL.h"
#include "runtime/RtError.h"
#include "runtime/TextCodec.h"
#else
#include <zlib.h>
#endif

namespace inflatetool {

std::optional<Engine> ParseEngine(std::string_view name) {
    if (name == "builtin") return Engine::Builtin;
    if (name == "zlib") return Engine::Zlib;
    return std::nullopt;
}

namespace {

EngineResult Builtin(std::span<const uint8_t> in, uint8_t* out, size_t capacity) {
    const imaging::InflateResult r = imaging::InflateFast(in, out, capacity);
    if (r.ok()) return {true, r.produced, {}};
    return {false, r.produced, std::string("invalid data: ") + imaging::InflateStatusText(r.status)};
}

std::string ZlibError(int rc) {
    switch (rc) {
    case -3:
        return "zlib: invalid data (Z_DATA_ERROR)";
    case -4:
        return "zlib: out of memory (Z_MEM_ERROR)";
    case -5:
        return "zlib: output larger than the capacity, or input cut short (Z_BUF_ERROR)";
    default:
        return "zlib: uncompress returned " + std::to_string(rc);
    }
}

#if defined(_WIN32)
EngineResult Zlib(std::span<const uint8_t> in, uint8_t* out, size_t capacity) {
    // uLongf is 32 bits on Windows.
    if (capacity > std::numeric_limits<uint32_t>::max() || in.size() > std::numeric_limits<uint32_t>::max())
        return {false, 0, "zlib: sizes past 4 GiB are not supported"};
    static imaging::cCDECL zlib;
    static const bool loaded = zlib.DllLoad(L"zlib1.dll");
    if (!loaded) return {false, 0, "zlib1.dll could not be loaded"};
    uint32_t length = static_cast<uint32_t>(capacity);
    try {
        const int32_t rc = zlib.CallFunc(
            "uncompress", {reinterpret_cast<intptr_t>(out), reinterpret_cast<intptr_t>(&length),
                           reinterpret_cast<intptr_t>(in.data()), static_cast<intptr_t>(in.size())});
        if (rc != 0) return {false, 0, ZlibError(rc)};
    } catch (const rt::RtError& e) {
        return {false, 0, e.what()};
    }
    return {true, length, {}};
}
#else
EngineResult Zlib(std::span<const uint8_t> in, uint8_t* out, size_t capacity) {
    uLongf length = capacity;
    const int rc = uncompress(out, &length, in.data(), in.size());
    if (rc != Z_OK) return {false, 0, ZlibError(rc)};
    return {true, length, {}};
}
#endif

} // namespace

EngineResult RunEngine(Engine engine, std::span<const uint8_t> in, uint8_t* out, size_t capacity) {
    return engine == Engine::Builtin ? Builtin(in, out, capacity) : Zlib(in, out, capacity);
}

} // namespace inflatetool
