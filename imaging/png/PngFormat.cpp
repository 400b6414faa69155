#include "imaging/png/PngFormat.h"

#include <cstring>

namespace imaging::png {

bool HasPngSignature(std::span<const uint8_t> data) noexcept {
    return data.size() >= sizeof(kSignature) && std::memcmp(data.data(), kSignature, sizeof(kSignature)) == 0;
}

const char* PngStatusText(PngStatus status) noexcept {
    switch (status) {
    case PngStatus::Ok:
        return "decoded";
    case PngStatus::NotPng:
        return "not a PNG file (no PNG signature)";
    case PngStatus::Truncated:
        return "truncated: a chunk runs past the end of the data";
    case PngStatus::LengthOverflow:
        return "a chunk length leaves the 32-bit range";
    case PngStatus::HeaderTooShort:
        return "IHDR chunk shorter than 13 bytes";
    case PngStatus::HeaderCrc:
        return "IHDR checksum mismatch";
    case PngStatus::BadDimensions:
        return "width or height below 1";
    case PngStatus::TooManyPixels:
        return "too many pixels";
    case PngStatus::BadCompressionMethod:
        return "unknown compression method";
    case PngStatus::BadFilterMethod:
        return "unknown filter method";
    case PngStatus::BadBitDepth:
        return "bit depth not 1, 2, 4, 8 or 16";
    case PngStatus::BadColourType:
        return "unknown colour type";
    case PngStatus::BadInterlace:
        return "unknown interlace method";
    case PngStatus::DataSizeOverflow:
        return "image data size leaves the 32-bit range";
    case PngStatus::PaletteCrc:
        return "PLTE checksum mismatch";
    case PngStatus::PaletteLength:
        return "PLTE length not a multiple of 3";
    case PngStatus::ImageDataCrc:
        return "IDAT checksum mismatch";
    case PngStatus::NoHeader:
        return "no IHDR chunk";
    case PngStatus::NoImageData:
        return "no image data";
    case PngStatus::UnsupportedDepth:
        return "bit depth not allowed for the colour type";
    case PngStatus::InflateFailed:
        return "image data does not decompress";
    case PngStatus::InterlacedFilterType:
        return "unknown filter type in an interlaced image";
    case PngStatus::PaletteIndex:
        return "palette index past the end of the palette";
    case PngStatus::OutOfMemory:
        return "out of memory";
    case PngStatus::HostFailed:
        return "the image could not be created";
    }
    return "unknown failure";
}

} // namespace imaging::png
