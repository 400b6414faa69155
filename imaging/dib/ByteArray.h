#pragma once
// The byte arrays the image engine hands in and out: zero-based, one dimension, or two dimensions of
// (byte within a row, row), both stored row after row. An empty array counts as not allocated.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

struct ByteArray {
    std::vector<uint8_t> bytes;
    // Length of the first dimension of a two-dimensional array; 0 for one dimension.
    int32_t rowLength = 0;

    bool IsDimensioned() const { return !bytes.empty(); }
    int32_t Rows() const { return rowLength > 0 ? static_cast<int32_t>(bytes.size()) / rowLength : 0; }
    void Redim(std::size_t count) {
        bytes.assign(count, 0);
        rowLength = 0;
    }
    void Redim2D(int32_t length, int32_t rows) {
        bytes.assign(static_cast<std::size_t>(length) * static_cast<std::size_t>(rows), 0);
        rowLength = length;
    }
    uint8_t& At(int32_t i, int32_t row) {
        return bytes[static_cast<std::size_t>(row) * static_cast<std::size_t>(rowLength) +
                     static_cast<std::size_t>(i)];
    }
};

namespace ModAPI {

// An array counts as allocated when it holds any element.
inline bool IsArrayDimensioned(const ByteArray& a) {
    return a.IsDimensioned();
}
template <class T> bool IsArrayDimensioned(const std::vector<T>& a) {
    return !a.empty();
}

} // namespace ModAPI
} // namespace imaging
