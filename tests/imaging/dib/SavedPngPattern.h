#pragma once
// The picture a Windows test saves with SaveToPNG and a native program reads back with libpng: opaque,
// half-transparent and transparent pixels, different in every row, so an upside-down file fails.
// Header-only and free of the project's other files, for the native checker built on its own.
#include <cstdint>
#include <cstdlib>

namespace imaging_test {

constexpr int kSavedPngWidth = 24;
constexpr int kSavedPngHeight = 16;

struct SavedPixel {
    uint8_t r, g, b, a;
};

inline SavedPixel SavedPngPixel(int x, int y) {
    const auto v = [](int n) { return static_cast<uint8_t>(n); };
    if (x < 8) return {v(x * 30), v(y * 15), v(200 - y * 10), 255};
    // Red above every alpha makes the colours straight, as a PNG stores them.
    if (x < 16) return {255, v((x - 8) * 30), v(y * 16), v(64 + y * 12)};
    if (y < 8) return {0, 0, 0, 0};
    return (x + y) % 2 ? SavedPixel{255, 255, 255, 255} : SavedPixel{0, 0, 0, 255};
}

// Straight colours pass through premultiplication and back: they may lose up to 255 / alpha + 1.
inline bool SavedPixelMatches(const SavedPixel& want, const SavedPixel& got) {
    if (got.a != want.a) return false;
    if (want.a == 0) return true;
    const int slack = 255 / want.a + 1;
    return std::abs(got.r - want.r) <= slack && std::abs(got.g - want.g) <= slack &&
           std::abs(got.b - want.b) <= slack;
}

} // namespace imaging_test
