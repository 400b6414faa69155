#include "imaging/dib/c32bppDIB.h"

#include "imaging/dib/ModAPI.h"
#include "imaging/dib/Trapped.h"
#include "imaging/dib/cGDIPlus.h"
#include "runtime/Checked.h"
#include "runtime/RtError.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace imaging {

namespace {

SystemVersion QuerySystemVersion() {
    SystemVersion v;
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex))) {
        v = {ex.dwPlatformId, ex.dwMajorVersion, ex.dwMinorVersion, ex.wServicePackMajor};
        return v;
    }
    OSVERSIONINFOW plain{};
    plain.dwOSVersionInfoSize = sizeof plain;
    if (::GetVersionExW(&plain)) v = {plain.dwPlatformId, plain.dwMajorVersion, plain.dwMinorVersion, 0};
    return v;
}

} // namespace

c32bppDIB::c32bppDIB() : m_Flags(InitialCapabilityFlags(QuerySystemVersion())) {
    isGDIplusEnabled(true);
    if (isGDIplusEnabled()) m_HighQualityInterpolation = true;
}

c32bppDIB::~c32bppDIB() {
    DestroyDIB();
}

PixelView c32bppDIB::Pixels() const {
    // GDI may still hold drawing to the section in its batch.
    ::GdiFlush();
    return {m_Bits, m_Width, m_Height};
}

bool c32bppDIB::InitializeDIB(int32_t Width, int32_t Height) {
    DestroyDIB();
    if (Width < 0 || Height == 0 || Height == std::numeric_limits<int32_t>::min()) return false;
    const int32_t rows = std::abs(Height);
    if (int64_t{Width} * rows * 4 > std::numeric_limits<int32_t>::max()) return false;

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = Width;
    bi.bmiHeader.biHeight = rows;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bi.bmiHeader.biSizeImage = static_cast<DWORD>(Width) * static_cast<DWORD>(rows) * 4;
    void* bits = nullptr;
    // RGB colours need no device context: taking the screen's cost a round trip to the system per image.
    m_Handle.reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_Handle || !bits) {
        m_Handle.reset();
        return false;
    }
    if (m_ManageOwnDC && !m_DC) m_DC.reset(::CreateCompatibleDC(nullptr));
    m_Bits = static_cast<uint8_t*>(bits);
    m_Width = Width;
    m_Height = rows;
    m_Alpha = true;
    m_ImageType = kImageBlank;
    return true;
}

void c32bppDIB::DestroyDIB() {
    if (m_DC) {
        if (m_PrevBitmap) ::SelectObject(m_DC.get(), m_PrevBitmap);
        m_DC.reset();
    }
    if (m_Handle) {
        m_Handle.reset();
        m_OriginalFormat.clear();
    }
    m_Width = m_Height = 0;
    m_Bits = nullptr;
    m_PrevBitmap = nullptr;
    m_Alpha = false;
    m_ImageType = kImageNone;
}

void c32bppDIB::EraseDIB() {
    if (!m_Handle) return;
    const PixelView px = Pixels();
    std::memset(px.bits, 0, px.ByteCount());
    m_ImageType = kImageBlank;
    m_Alpha = true;
}

HDC c32bppDIB::LoadDIBinDC(int16_t bLoad) {
    if (bLoad == rt::kTrue) {
        if (!m_Handle) return nullptr;
        if (!m_DC) m_DC.reset(::CreateCompatibleDC(nullptr));
        if (!m_DC) return nullptr;
        if (!m_PrevBitmap) m_PrevBitmap = ::SelectObject(m_DC.get(), m_Handle.get());
        return m_DC.get();
    }
    if (m_PrevBitmap) {
        ::SelectObject(m_DC.get(), m_PrevBitmap);
        if (!m_ManageOwnDC) m_DC.reset();
    }
    m_PrevBitmap = nullptr;
    return nullptr;
}

void c32bppDIB::ManageOwnDC(bool Value) {
    if (!Value) {
        if (m_DC) {
            if (m_Handle && m_PrevBitmap) ::SelectObject(m_DC.get(), m_PrevBitmap);
            m_PrevBitmap = nullptr;
            m_DC.reset();
        }
    } else if (!m_DC && m_Handle) {
        m_DC.reset(::CreateCompatibleDC(nullptr));
    }
    m_ManageOwnDC = Value;
}

void c32bppDIB::isAlphaBlendFriendly(int16_t Value) {
    if (Value != rt::kTrue)
        m_Flags &= ~kCapAlphaBlendFriendly;
    else if (m_Flags & kCapAlphaBlendSupported)
        m_Flags |= kCapAlphaBlendFriendly;
}

void c32bppDIB::isGDIplusEnabled(bool Value) {
    if (Value != isGDIplusEnabled()) m_Flags &= ~kCapGdiPlusEnabled;
    if (!Value || (m_Flags & kCapNoGdiPlus)) return;
    gdip::Token probe = 0;
    if (cGDIPlus().isGDIplusOk(probe, false)) m_Flags |= kCapGdiPlusEnabled;
}

bool c32bppDIB::isZlibEnabled() const {
    ModAPI::ZlibLocation found;
    return ModAPI::LocateZlib(found, true);
}

int32_t c32bppDIB::GetPixel(int32_t X, int32_t Y, int32_t& AlphaValue, bool asPreMultiplied) const {
    return imaging::GetPixel(Pixels(), X, Y, AlphaValue, asPreMultiplied);
}

bool c32bppDIB::GetDIBbits(ByteArray& outStream, bool as2dArray, bool asBGRformat, bool as32bpp,
                           bool asWordAligned, bool asBottomUp, int32_t left, int32_t top, int32_t width,
                           int32_t height, bool asPreMultiplied) const {
    return Trapped([&] {
        return GetBits(Pixels(), outStream, as2dArray, {asBGRformat, as32bpp, asWordAligned, asBottomUp},
                       {left, top, width, height}, asPreMultiplied);
    });
}

bool c32bppDIB::SetDIBbits(const ByteArray& inStream, bool isBGRformat, bool is32bpp, bool isWordAligned,
                           bool isBottomUp, int32_t dstX, int32_t dstY, int32_t dstWidth, int32_t dstHeight) {
    bool hasAlpha = false;
    if (!SetBits(Pixels(), inStream, {isBGRformat, is32bpp, isWordAligned, isBottomUp},
                 {dstX, dstY, dstWidth, dstHeight}, hasAlpha))
        return false;
    m_Alpha = hasAlpha;
    return true;
}

bool c32bppDIB::GetOrginalFormat(std::vector<uint8_t>& outStream) const {
    if (m_OriginalFormat.empty()) return false;
    return Trapped([&] {
        outStream = m_OriginalFormat;
        return true;
    });
}

bool c32bppDIB::SaveToStream(std::vector<uint8_t>& outStream) const {
    return Trapped([&] { return WriteBmp(Pixels(), m_Alpha, outStream); });
}

} // namespace imaging
