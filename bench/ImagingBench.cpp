// The image engine's pixel stages on 1920 x 1080 frames: blend at full and half opacity, nearest and
// bilinear scaling to 1280 x 720, grayscale, lightness and the drop shadow, beside memcpy of the frame
// and (in the native build) pixman on the same pixels. scale_bilinear_odd goes to 1366 x 768, whose
// weights are not multiples of 1/128, through the double-precision path. The plain names measure the
// path Render takes (AVX2 where the processor has it); *_sse2 the SSE2 path alone, *_reference the
// reference. scale_bilinear_odd_double_floor is the least the double arithmetic of that rule costs with
// AVX2 (see DoubleFloor). Prints one line per measure:
//   <name> <milliseconds per run>
// bench/imaging_bench.py runs the native and the Windows build and prints the ratios.
#include "imaging/pixels/EffectPixels.h"
#include "imaging/pixels/PixelMath.h"
#include "imaging/pixels/RenderPixels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#ifdef PELMOR_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace imaging;

constexpr int32_t kW = 1920, kH = 1080, kSmallW = 1280, kSmallH = 720;

struct Frame {
    std::vector<uint8_t> bytes;
    int32_t w, h;
    Frame(int32_t width, int32_t height)
        : bytes(static_cast<std::size_t>(width) * height * 4), w(width), h(height) {}
    PixelView View() { return {bytes.data(), w, h}; }
    uint32_t* Words() { return reinterpret_cast<uint32_t*>(bytes.data()); }
};

// A picture with alpha such as a loaded PNG: soft shapes, a fifth fully transparent, a third opaque.
Frame Picture() {
    Frame f(kW, kH);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double wave = std::sin(x * 0.013) * std::cos(y * 0.021) + std::sin((x + y) * 0.004);
            const int a = std::clamp(static_cast<int>(128 + 150 * wave), 0, 255);
            uint8_t* p = f.View().At(x, y);
            p[3] = static_cast<uint8_t>(a);
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(a * ((seed >> (8 * c)) & 0xFF) / 255);
        }
    return f;
}

Frame Backdrop() {
    Frame f(kW, kH);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            f.Words()[static_cast<std::size_t>(y) * kW + x] =
                0xFF000000u | static_cast<uint32_t>((x ^ y) & 0xFF) << 16 |
                static_cast<uint32_t>(x & 0xFF) << 8 | static_cast<uint32_t>(y & 0xFF);
    return f;
}

// The fastest of several batches, in milliseconds per run: the machine is shared, and the fastest
// batch is the one least disturbed. `prepare` runs outside the timing.
double Measure(const std::function<void()>& run, const std::function<void()>& prepare, double budgetMs) {
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    const auto start = Clock::now();
    int batches = 0;
    while (batches < 3 ||
           std::chrono::duration<double, std::milli>(Clock::now() - start).count() < budgetMs) {
        prepare();
        const auto t0 = Clock::now();
        run();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        best = std::min(best, ms);
        if (++batches > 400) break;
    }
    return best;
}

void Report(const char* name, double ms) {
    std::printf("%s %.4f\n", name, ms);
    std::fflush(stdout);
}

// Rows in memory order, as Render blends a picture that fits its target.
void BlendFrame(Frame& pic, Frame& dst, const BlendMode& mode, PixelPath path) {
    for (int32_t y = kH - 1; y >= 0; --y)
        BlendRow(pic.View().At(0, y), dst.View().At(0, y), kW, mode, path);
}

#if defined(__x86_64__)
// The least the bilinear rule's double arithmetic can cost with four doubles a vector (a pixel's four
// channels), measured in registers alone: no loads, no stores, no table reads, no chains between steps.
// For every destination column and every source row a destination row uses, two pixels converted to
// doubles, weighed and added (the column mix); for every destination pixel, two column mixes weighed,
// added and truncated (the row mix). Every exact path does at least these operations.
__attribute__((target("avx2"))) void DoubleFloor(long columnMixes, long rowMixes) {
    constexpr int kLanes = 4;
    __m128i px[kLanes], qx[kLanes];
    __m256d acc[kLanes];
    const __m256d w0 = _mm256_set1_pd(0.37), w1 = _mm256_set1_pd(0.63);
    for (int k = 0; k < kLanes; ++k) {
        px[k] = _mm_set1_epi32(k);
        qx[k] = _mm_set1_epi32(k + 1);
        acc[k] = _mm256_setzero_pd();
    }
    for (long n = 0; n < columnMixes; n += kLanes)
        for (int k = 0; k < kLanes; ++k) {
            // Opaque to the compiler, so the conversions are not hoisted out of the loop.
            asm volatile("" : "+x"(px[k]), "+x"(qx[k]));
            acc[k] = _mm256_add_pd(_mm256_mul_pd(w0, _mm256_cvtepi32_pd(px[k])),
                                   _mm256_mul_pd(w1, _mm256_cvtepi32_pd(qx[k])));
            asm volatile("" : "+x"(acc[k]));
        }
    for (long n = 0; n < rowMixes; n += kLanes)
        for (int k = 0; k < kLanes; ++k) {
            asm volatile("" : "+x"(acc[k]));
            px[k] = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(w0, acc[k]), _mm256_mul_pd(w1, acc[k])));
            asm volatile("" : "+x"(px[k]));
        }
}
#endif

#ifdef PELMOR_HAVE_PIXMAN
pixman_image_t* Wrap(Frame& f) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, f.w, f.h, f.Words(), f.w * 4);
}

void PixmanScale(pixman_image_t* src, pixman_image_t* dst, pixman_filter_t filter, int32_t w = kSmallW,
                 int32_t h = kSmallH) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(kW) / w),
                                pixman_double_to_fixed(static_cast<double>(kH) / h));
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, filter, nullptr, 0);
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, w, h);
    pixman_image_set_transform(src, nullptr);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
}
#endif

} // namespace

int main(int argc, char** argv) {
    const double budget = argc > 1 ? std::atof(argv[1]) : 400.0;
    Frame pic = Picture(), back = Backdrop(), dst(kW, kH), small(kSmallW, kSmallH), odd(1366, 768);
    Frame shadow(kW + 20, kH + 20);
    const auto restore = [&] { std::memcpy(dst.bytes.data(), back.bytes.data(), back.bytes.size()); };
    const auto nothing = [] {};

    Report("memcpy", Measure([&] { std::memcpy(dst.bytes.data(), pic.bytes.data(), pic.bytes.size()); },
                             nothing, budget));
    const BlendMode full{255, false, {}, true}, half{127, false, {}, true};
    const BlendMode gray{255, true, ModAPI::GrayScaleWeights(0), true};
    Report("blend_full", Measure([&] { BlendFrame(pic, dst, full, kFastestPath); }, restore, budget));
    Report("blend_half", Measure([&] { BlendFrame(pic, dst, half, kFastestPath); }, restore, budget));
    Report("blend_full_sse2", Measure([&] { BlendFrame(pic, dst, full, PixelPath::Simd); }, restore, budget));
    Report("blend_half_sse2", Measure([&] { BlendFrame(pic, dst, half, PixelPath::Simd); }, restore, budget));
    Report("blend_full_reference",
           Measure([&] { BlendFrame(pic, dst, full, PixelPath::Reference); }, restore, budget));
    const PixelRect whole{0, 0, kW, kH};
    Report("scale_nearest",
           Measure([&] { StretchNearest(pic.View(), whole, small.View()); }, nothing, budget));
    Report("scale_bilinear",
           Measure([&] { StretchBilinear(pic.View(), whole, small.View()); }, nothing, budget));
    Report("scale_bilinear_odd",
           Measure([&] { StretchBilinear(pic.View(), whole, odd.View()); }, nothing, budget));
    Report(
        "scale_bilinear_sse2",
        Measure([&] { StretchBilinear(pic.View(), whole, small.View(), PixelPath::Simd); }, nothing, budget));
    Report(
        "scale_bilinear_odd_sse2",
        Measure([&] { StretchBilinear(pic.View(), whole, odd.View(), PixelPath::Simd); }, nothing, budget));
#if defined(__x86_64__)
    if (CpuHasAvx2()) {
        const std::vector<BilinearTap> rows = BilinearTaps(0, kH, odd.h);
        std::vector<int32_t> used;
        for (const BilinearTap& t : rows)
            used.insert(used.end(), {t.i0, t.i1});
        std::sort(used.begin(), used.end());
        const long sourceRows = std::unique(used.begin(), used.end()) - used.begin();
        Report("scale_bilinear_odd_double_floor",
               Measure([&] { DoubleFloor(sourceRows * odd.w, long{odd.w} * odd.h); }, nothing, budget));
    }
#endif
    Report("scale_bilinear_reference",
           Measure([&] { StretchBilinear(pic.View(), whole, small.View(), PixelPath::Reference); }, nothing,
                   budget));
    Report("grayscale", Measure([&] { BlendFrame(pic, dst, gray, kFastestPath); }, restore, budget));
    Report("lightness", Measure([&] { AdjustLightness(pic.View(), dst.View(), 30.0f); }, nothing, budget));
    Report("lightness_reference",
           Measure([&] { AdjustLightness(pic.View(), dst.View(), 30.0f, PixelPath::Reference); }, nothing,
                   budget));
    for (const int blur : {3, 10}) {
        Frame out(kW + 2 * blur, kH + 2 * blur);
        const std::string name = "drop_shadow_" + std::to_string(blur);
        Report(name.c_str(),
               Measure([&] { DropShadow(pic.View(), blur, 0x202020, out.View()); }, nothing, budget));
        std::printf("%s_pixels %d\n", name.c_str(), out.w * out.h);
    }
    Report("drop_shadow_10_reference",
           Measure([&] { DropShadow(pic.View(), 10, 0x202020, shadow.View(), PixelPath::Reference); },
                   nothing, budget));

#ifdef PELMOR_HAVE_PIXMAN
    pixman_image_t* src = Wrap(pic);
    pixman_image_t* target = Wrap(dst);
    pixman_image_t* smallImg = Wrap(small);
    pixman_image_t* oddImg = Wrap(odd);
    const pixman_color_t halfAlpha{0, 0, 0, 0x7F7F};
    pixman_image_t* mask = pixman_image_create_solid_fill(&halfAlpha);
    Report(
        "pixman_blend_full",
        Measure(
            [&] { pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, target, 0, 0, 0, 0, 0, 0, kW, kH); },
            restore, budget));
    Report("pixman_blend_half",
           Measure(
               [&] { pixman_image_composite32(PIXMAN_OP_OVER, src, mask, target, 0, 0, 0, 0, 0, 0, kW, kH); },
               restore, budget));
    Report("pixman_scale_nearest",
           Measure([&] { PixmanScale(src, smallImg, PIXMAN_FILTER_NEAREST); }, nothing, budget));
    Report("pixman_scale_bilinear",
           Measure([&] { PixmanScale(src, smallImg, PIXMAN_FILTER_BILINEAR); }, nothing, budget));
    Report("pixman_scale_bilinear_odd",
           Measure([&] { PixmanScale(src, oddImg, PIXMAN_FILTER_BILINEAR, odd.w, odd.h); }, nothing, budget));
    pixman_image_unref(oddImg);
    pixman_image_unref(mask);
    pixman_image_unref(smallImg);
    pixman_image_unref(target);
    pixman_image_unref(src);
#endif
    return 0;
}
