#pragma once
// Reads a PNG file or byte stream into a c32bppDIB: GDI+ is offered the data first; when it is missing
// or fails, the parser reads the PNG itself, with zlib1.dll (then zlib.dll) found by name for checksums
// and decompression, and its built-in inflater when zlib is absent or refuses the data.
#include <windows.h>

#include "imaging/dib/GdiPlusFlat.h"
#include "imaging/png/PngFormat.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace imaging {

class c32bppDIB;

class cPNGparser {
  public:
    // Which decoder filled the image of the last load.
    enum class Decoder { None, GdiPlus, Zlib, BuiltIn };

    // Reads from the open file. True when the file carries the PNG signature (then the image holds a
    // bitmap exactly when decoding succeeded) or when GDI+ decoded it. A file of 56 bytes or less is
    // only offered to GDI+. Raises the overflow error for a chunk whose end leaves 32-bit positions.
    bool LoadFile(HANDLE FileHandle, const std::wstring& FileName, c32bppDIB& dibClass, gdip::Token gdiToken);
    // Reads streamLength bytes of Stream from streamOffset, in place. Raises the subscript error when
    // they do not lie within Stream or are fewer than the signature, and the overflow error as above.
    bool LoadStream(const std::vector<uint8_t>& Stream, c32bppDIB& dibClass, int32_t streamOffset,
                    int32_t streamLength, gdip::Token gdiToken);

    Decoder LastDecoder() const { return m_decoder; }
    // Why the parser's own decoding left no image (Ok when it decoded, or was not reached).
    png::PngStatus LastStatus() const { return m_status; }

  private:
    // The parser's own decoding of a whole PNG: zlib bound, chunks walked, pixels decoded.
    void pvDecode(std::span<const uint8_t> data, c32bppDIB& host);
    static void pvFinish(c32bppDIB& host, bool alpha);
    // The first into.size() bytes of the file.
    static bool pvRead(HANDLE file, std::span<uint8_t> into);

    Decoder m_decoder = Decoder::None;
    png::PngStatus m_status = png::PngStatus::Ok;
};

} // namespace imaging
