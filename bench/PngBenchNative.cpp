// The native benchmark's decoders: ours (premultiplied BGRA, bottom-up) through zlib and through the
// built-in inflater, and the references, each to 8-bit RGBA: libpng, libspng and stb_image, each
// into memory of its own as a load would have it.
#include "bench/PngBenchDecoders.h"

#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngDecode.h"
#include "imaging/png/PngLinkedZlib.h"

#include "tests/imaging/png/LibpngOracle.h"

#include <spng.h>

#include <stb/stb_image.h>

#include <ctime>

namespace pngbench {
namespace {

bool Ours(const std::vector<uint8_t>& png, bool zlib) {
    static imaging::png::PngLinkedZlib linked;
    imaging::png::PngMemoryImage image;
    imaging::png::PngDecoderSetup setup;
    setup.zlib = zlib ? &linked : nullptr;
    setup.inflater = imaging::png::BuiltinInflate;
    return imaging::png::DecodePng(png, setup, image) == imaging::png::PngStatus::Ok;
}

// The tests' libpng oracle: 8-bit RGBA through libpng's own transforms.
bool Libpng(const std::vector<uint8_t>& bytes) {
    return pngtest::LibpngDecode(bytes).has_value();
}

bool Libspng(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    spng_ctx* ctx = spng_ctx_new(0);
    bool ok = spng_set_png_buffer(ctx, bytes.data(), bytes.size()) == 0;
    size_t size = 0;
    ok = ok && spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0;
    if (ok) out.resize(size);
    ok = ok && spng_decode_image(ctx, out.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    spng_ctx_free(ctx);
    return ok;
}

bool Stb(const std::vector<uint8_t>& bytes) {
    int w = 0, h = 0, n = 0;
    stbi_uc* p = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 4);
    if (!p) return false;
    stbi_image_free(p);
    return true;
}

} // namespace

std::vector<Decoder> Decoders() {
    return {
        {"ours-zlib", true, [](const std::vector<uint8_t>& b) { return Ours(b, true); }},
        {"ours-builtin", true, [](const std::vector<uint8_t>& b) { return Ours(b, false); }},
        {"libpng", false, Libpng},
        {"libspng", false, Libspng},
        {"stb_image", false, Stb},
    };
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

} // namespace pngbench
