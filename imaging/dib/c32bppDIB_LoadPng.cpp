// The PNG decoder's step of loading: it is asked first about every source.
#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/cPNGparser.h"

namespace imaging {

bool c32bppDIB::DecodeWithPngParser(HANDLE file, const std::wstring& FileName,
                                    const std::vector<uint8_t>* stream, int32_t streamStart,
                                    int32_t streamLength) {
    cPNGparser parser;
    if (stream) return parser.LoadStream(*stream, *this, streamStart, streamLength, m_gdiToken);
    return parser.LoadFile(file, FileName, *this, m_gdiToken);
}

} // namespace imaging
