#pragma once
// Which implementation a pixel operation runs: the plain one, which computes every byte as the rules
// state it, or a vector one, which must give the same bytes faster. Simd is the SSE2 path every x86-64
// processor runs; Avx2 takes the AVX2 path of the stages that have one when the processor has AVX2,
// and the SSE2 path otherwise.
namespace imaging {

enum class PixelPath { Reference, Simd, Avx2 };

#if defined(__SSE2__)
inline constexpr bool kSimdAvailable = true;
#else
inline constexpr bool kSimdAvailable = false;
#endif
inline constexpr PixelPath kFastestPath = kSimdAvailable ? PixelPath::Avx2 : PixelPath::Reference;

// Asked of the processor once.
bool CpuHasAvx2();

constexpr bool UseSimd(PixelPath path) {
    return kSimdAvailable && path != PixelPath::Reference;
}
inline bool UseAvx2(PixelPath path) {
    return UseSimd(path) && path == PixelPath::Avx2 && CpuHasAvx2();
}

} // namespace imaging
