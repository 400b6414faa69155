#pragma once
// Writes PNG files from samples, with the choices the decoder must cope with: every colour type and
// depth, Adam7, each of the five filters or all of them in turn, tRNS, image data split over many IDAT
// chunks with empty ones and ancillary chunks between them. The tests' generator; zlib compresses.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

struct PngLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint8_t colourType = 6;
    uint8_t bitDepth = 8;
    bool interlace = false;
    // R, G, B per entry; written as PLTE when not empty.
    std::vector<uint8_t> palette;
    // The tRNS body; written when not empty.
    std::vector<uint8_t> trns;
    // 0 to 4 for every row, or -1 for the five in turn row after row.
    int filter = -1;
    // Image data per IDAT chunk; 0 for one chunk.
    size_t idatSplit = 0;
    // A zero-length IDAT first and after every data chunk.
    bool emptyIdat = false;
    // A tEXt chunk after every IDAT chunk but the last.
    bool ancillary = false;
    int zlibLevel = 6;
};

int Channels(uint8_t colourType);

// samples: width x height x channels values, row after row, each below 2^bitDepth.
std::vector<uint8_t> WritePng(const PngLayout& layout, const std::vector<uint16_t>& samples);

// The raw filtered rows (filter byte first) as WritePng compresses them.
std::vector<uint8_t> FilteredRows(const PngLayout& layout, const std::vector<uint16_t>& samples);

// Samples for the layout's size, colour type and depth: varied values, alphas of 0, 255 and between,
// palette indexes below the palette size, and some pixels equal to the layout's tRNS key.
std::vector<uint16_t> MakeSamples(const PngLayout& layout, uint32_t seed);
// A palette of n varied entries.
std::vector<uint8_t> MakePalette(int entries, uint32_t seed);

// The pixels a decoder must give for the samples, as the host holds them: premultiplied blue, green,
// red, alpha (each colour floor(c x a / 255)), bottom row first. Keys compare whole samples, so samples
// must not match a 16-bit key in their high bytes alone (MakeSamples sees to that).
std::vector<uint8_t> ExpectedHost(const PngLayout& layout, const std::vector<uint16_t>& samples);

// Decoded pixels of four bytes, alpha last, after headerBytes bytes that must match exactly: equal to the
// expected ones, except that colours of partly transparent pixels may be one higher, since GDI+ rounds
// where the parser truncates.
bool SameWithRounding(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected,
                      size_t headerBytes = 0);

// Chunk helpers for hand-built files.
std::vector<uint8_t> Chunk(const char* type, const std::vector<uint8_t>& body);
std::vector<uint8_t> Signature();
std::vector<uint8_t> HeaderBody(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour,
                                uint8_t interlace);
// zlib's compress2 and crc32: linked natively, from zlib1.dll on Windows (PngWriterZlib*.cpp).
std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw, int level = 6);
uint32_t Crc32(const uint8_t* bytes, size_t count);
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes);

} // namespace pngtest
