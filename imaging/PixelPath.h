#pragma once
// Which implementation a pixel operation runs: the plain one, which computes every byte as the rules
// state it, or the vector one (SSE2), which must give the same bytes faster.
namespace imaging {

enum class PixelPath { Reference, Simd };

#if defined(__SSE2__)
inline constexpr bool kSimdAvailable = true;
#else
inline constexpr bool kSimdAvailable = false;
#endif
inline constexpr PixelPath kFastestPath = kSimdAvailable ? PixelPath::Simd : PixelPath::Reference;

constexpr bool UseSimd(PixelPath path) {
    return kSimdAvailable && path == PixelPath::Simd;
}

} // namespace imaging
