// The PNG decoder's step of loading.
#include "c32bppDIB.h"

namespace imaging {

// Until the PNG decoder is part of the engine every picture goes to GDI+.
bool c32bppDIB::DecodeWithPngParser(HANDLE /*file*/, const std::wstring& /*FileName*/,
                                    const std::vector<uint8_t>* /*stream*/, int32_t /*streamStart*/,
                                    int32_t /*streamLength*/) {
    return false;
}

} // namespace imaging
