#include "imaging/png/PngChunks.h"

#include "imaging/png/PngGeometry.h"

#include <cstring>
#include <limits>

namespace imaging::png {
namespace {

constexpr uint32_t Type(const char (&name)[5]) {
    return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
           (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}
constexpr uint32_t kIHDR = Type("IHDR"), kPLTE = Type("PLTE"), kTRNS = Type("tRNS"), kIDAT = Type("IDAT"),
                   kIEND = Type("IEND");

struct Chunk {
    uint32_t type;
    // Type and data, as the checksum covers them.
    std::span<const uint8_t> typeAndData;
    std::span<const uint8_t> body;
    uint32_t storedCrc;
};

// A stored checksum of 0 means none was written.
bool CrcPasses(PngZlib* zlib, const Chunk& c) {
    if (zlib == nullptr || c.storedCrc == 0) return true;
    return zlib->Crc32(c.typeAndData) == c.storedCrc;
}

PngStatus ReadHeader(const Chunk& c, PngZlib* zlib, PngContainer& out) {
    if (c.body.size() < 13) return PngStatus::HeaderTooShort;
    if (!CrcPasses(zlib, c)) return PngStatus::HeaderCrc;
    const uint8_t* d = c.body.data();
    const uint32_t width = Be32(d), height = Be32(d + 4);
    // Read as signed 32-bit values, so a set top bit is a negative size.
    if (width < 1 || height < 1 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return PngStatus::BadDimensions;
    if (d[10] != 0) return PngStatus::BadCompressionMethod;
    if (d[11] != 0) return PngStatus::BadFilterMethod;
    const uint8_t depth = d[8], colour = d[9], interlace = d[12];
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return PngStatus::BadBitDepth;
    if (colour != 0 && colour != 2 && colour != 3 && colour != 4 && colour != 6)
        return PngStatus::BadColourType;
    if (interlace > 1) return PngStatus::BadInterlace;
    if (static_cast<uint64_t>(width) * height > static_cast<uint64_t>(kMaxPixels))
        return PngStatus::TooManyPixels;

    PngHeader h;
    h.Width = static_cast<int32_t>(width);
    h.Height = static_cast<int32_t>(height);
    h.bitDepth = depth;
    h.colourType = colour;
    h.interlace = interlace;
    const uint64_t expected = ExpectedSize(h);
    if (expected > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return PngStatus::DataSizeOverflow;
    out.header = h;
    out.haveHeader = true;
    out.expectedSize = expected;
    return PngStatus::Ok;
}

PngStatus ReadPalette(const Chunk& c, PngZlib* zlib, PngContainer& out) {
    const uint8_t colour = out.header.colourType;
    if (colour == kColourGray || colour == kColourGrayAlpha) return PngStatus::Ok;
    if (!CrcPasses(zlib, c)) return PngStatus::PaletteCrc;
    if (c.body.size() % 3 != 0) return PngStatus::PaletteLength;
    out.palette.assign(c.body.begin(), c.body.end());
    return PngStatus::Ok;
}

// Never stops the walk: a chunk that fails its checksum or is too short has no effect.
void ReadTransparency(const Chunk& c, PngZlib* zlib, PngContainer& out) {
    const uint8_t colour = out.header.colourType;
    if (colour == kColourGrayAlpha || colour == kColourRGBA) return;
    if (!CrcPasses(zlib, c)) return;
    const std::span<const uint8_t> d = c.body;
    switch (colour) {
    case kColourGray:
        if (d.size() < 2) return;
        out.transKey = d[1];
        break;
    case kColourRGB:
        if (d.size() < 6) return;
        out.transKey = (int32_t{d[1]} << 16) | (int32_t{d[3]} << 8) | int32_t{d[5]};
        break;
    case kColourIndexed:
        out.transKey = 0;
        break;
    default:
        return;
    }
    out.transparency.assign(d.begin(), d.end());
    if (colour == kColourIndexed && out.transparency.size() < 256) out.transparency.resize(256, 255);
}

} // namespace

PngStatus ReadChunks(std::span<const uint8_t> data, PngZlib* zlib, PngContainer& out) {
    const size_t size = data.size();
    // IDAT chunks are recorded first and gathered once their total is known.
    std::vector<std::span<const uint8_t>> idat;
    size_t idatTotal = 0;
    size_t pos = sizeof(kSignature);
    for (;;) {
        if (!Fits(pos, 8, size)) return PngStatus::Truncated;
        const uint32_t length = Be32(data.data() + pos);
        // The chunk's end, as a signed 32-bit position, must not overflow.
        const uint64_t end = uint64_t{pos} + 12 + length;
        if (length > 0x7FFFFFFFu || end > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
            return PngStatus::LengthOverflow;
        if (!Fits(pos, 12 + size_t{length}, size)) return PngStatus::Truncated;

        Chunk c;
        c.type = Be32(data.data() + pos + 4);
        c.typeAndData = data.subspan(pos + 4, 4 + size_t{length});
        c.body = data.subspan(pos + 8, length);
        c.storedCrc = Be32(data.data() + pos + 8 + length);
        pos += 12 + size_t{length};

        if (c.type == kIEND) break;
        if (length == 0) continue;
        PngStatus status = PngStatus::Ok;
        if (c.type == kIHDR) {
            status = ReadHeader(c, zlib, out);
        } else if (c.type == kPLTE) {
            // Palette and transparency mean something only once the colour type is known.
            if (out.haveHeader) status = ReadPalette(c, zlib, out);
        } else if (c.type == kTRNS) {
            if (out.haveHeader) ReadTransparency(c, zlib, out);
        } else if (c.type == kIDAT) {
            if (!CrcPasses(zlib, c)) return PngStatus::ImageDataCrc;
            idat.push_back(c.body);
            idatTotal += c.body.size();
        }
        if (status != PngStatus::Ok) return status;
    }

    if (idat.size() == 1) {
        out.imageData = idat.front();
    } else if (idat.size() > 1) {
        uint8_t* const gathered = out.gathered.Reserve(idatTotal);
        if (gathered == nullptr) return PngStatus::OutOfMemory;
        size_t at = 0;
        for (const auto& part : idat) {
            std::memcpy(gathered + at, part.data(), part.size());
            at += part.size();
        }
        out.imageData = {gathered, idatTotal};
    }
    return PngStatus::Ok;
}

} // namespace imaging::png
