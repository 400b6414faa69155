#pragma once
// The PNG container: the walk over the chunks after the signature, their checksums, the header rules,
// the palette and transparency chunks, and the image data gathered from every IDAT chunk. Platform-free.
#include "imaging/png/PngCodecs.h"
#include "imaging/png/PngFormat.h"
#include "imaging/png/PngScratch.h"

#include <cstdint>
#include <span>
#include <vector>

namespace imaging::png {

struct PngContainer {
    PngHeader header;
    bool haveHeader = false;
    // Capacity of the decompression buffer, from the last header.
    uint64_t expectedSize = 0;
    // R, G, B per entry; empty until a PLTE chunk.
    std::vector<uint8_t> palette;
    // Raw tRNS bytes; for indexed images padded to 256 entries of 255.
    std::vector<uint8_t> transparency;
    // -1: no transparency. Gray: the low byte of the key; RGB: the low bytes of red, green and blue as
    // 0xRRGGBB; indexed: 0 (an alpha per entry).
    int32_t transKey = -1;
    // The IDAT bytes in order: a view of the input when one chunk holds them all, else gathered.
    std::span<const uint8_t> imageData;
    PngScratch gathered{PngScratch::kImageData};
};

// Walks the chunks of data (which starts with the signature) up to IEND. With zlib, the checksums of
// IHDR, PLTE, tRNS and IDAT are verified (a stored 0 counts as absent). Ok when the walk reached IEND;
// the image data may still be empty.
PngStatus ReadChunks(std::span<const uint8_t> data, PngZlib* zlib, PngContainer& out);

} // namespace imaging::png
