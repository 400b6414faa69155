#pragma once
// The memory every pixel stage works on, apart from the image object that owns it.
#include <cstddef>
#include <cstdint>

namespace imaging {

// An image's pixel memory: Width x Height pixels of blue, green, red, alpha, rows bottom-up with no
// gap between them.
struct PixelView {
    uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    bool Empty() const { return bits == nullptr || width < 1 || height < 1; }
    std::size_t ByteCount() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    }
    // Column x, row y counted from the top.
    uint8_t* At(int32_t x, int32_t y) const {
        return bits + (static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)) *
                          4;
    }
};

} // namespace imaging
