#pragma once
// Debian's libpng as the independent decoder the tests compare with: any PNG to straight 8-bit RGBA
// (16-bit samples cut to their high byte), then laid out as the decoder's host holds it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pngtest {

struct OracleImage {
    int32_t width = 0;
    int32_t height = 0;
    // Straight R, G, B, A, top row first.
    std::vector<uint8_t> rgba;
    bool hasTransparency = false;
};

// nullopt (with the reason in error) when libpng refuses the data.
std::optional<OracleImage> LibpngDecode(const std::vector<uint8_t>& png, std::string* error = nullptr);

// Premultiplied B, G, R, A with each colour floor(c x a / 255), bottom row first.
std::vector<uint8_t> ToHostLayout(const OracleImage& image);

} // namespace pngtest
