#include "imaging/dib/cPNGparser.h"

#include "imaging/cdecl/cCDECL.h"
#include "imaging/dib/ModAPI.h"
#include "imaging/dib/c32bppDIB.h"
#include "imaging/dib/cGDIPlus.h"
#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngChunks.h"
#include "imaging/png/PngDecode.h"
#include "runtime/RtError.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>

namespace imaging {
namespace {

// zlib's functions through the call bridge (C convention) or called directly (the library's own).
class BoundZlib : public png::PngZlib {
  public:
    // False when no zlib library is found.
    bool Bind() {
        const ModAPI::ZlibLocation* where = Located();
        if (!where) return false;
        const ModAPI::ZlibLocation& found = *where;
        if (found.isCdecl) {
            m_bridge = std::make_unique<cCDECL>();
            return m_bridge->DllLoad(found.name);
        }
        m_module.reset(::LoadLibraryW(found.name.c_str()));
        if (!m_module) return false;
        m_crc32 =
            reinterpret_cast<Crc32Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "crc32")));
        m_uncompress = reinterpret_cast<UncompressFn>(
            reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "uncompress")));
        return m_crc32 != nullptr;
    }

    // A call that fails answers 0, which never matches a stored checksum that is checked.
    uint32_t Crc32(std::span<const uint8_t> bytes) override {
        if (bytes.size() > std::numeric_limits<uint32_t>::max()) return 0;
        const auto n = static_cast<uint32_t>(bytes.size());
        if (!m_bridge) return m_crc32(0, bytes.data(), n);
        uint32_t crc = 0;
        rt::Trap([&] {
            crc = static_cast<uint32_t>(m_bridge->CallFunc(
                "crc32", {0, reinterpret_cast<intptr_t>(bytes.data()), static_cast<intptr_t>(n)}));
        });
        return crc;
    }

    bool Uncompress(std::span<const uint8_t> in, uint8_t* out, size_t capacity, size_t& produced) override {
        // zlib's lengths are 32-bit unsigned long on Windows.
        if (in.size() > std::numeric_limits<uint32_t>::max() ||
            capacity > std::numeric_limits<uint32_t>::max())
            return false;
        unsigned long length = static_cast<unsigned long>(capacity);
        int32_t rc = -1;
        if (m_bridge) {
            rt::Trap([&] {
                rc = m_bridge->CallFunc(
                    "uncompress", {reinterpret_cast<intptr_t>(out), reinterpret_cast<intptr_t>(&length),
                                   reinterpret_cast<intptr_t>(in.data()), static_cast<intptr_t>(in.size())});
            });
        } else if (m_uncompress) {
            rc = m_uncompress(out, &length, in.data(), static_cast<unsigned long>(in.size()));
        }
        produced = length;
        return rc == 0;
    }

  private:
    // Where zlib is, found once for each list of candidate names and kept loaded for the rest of the
    // process: found anew on every load, the library was mapped, probed and unmapped each time.
    static const ModAPI::ZlibLocation* Located() {
        struct Binding {
            std::vector<ModAPI::ZlibCandidate> candidates;
            bool found;
            ModAPI::ZlibLocation where;
            rt::UniqueModule pin;
        };
        static std::mutex lock;
        static auto* bindings = new std::vector<std::unique_ptr<Binding>>();
        const std::lock_guard<std::mutex> hold(lock);
        const std::vector<ModAPI::ZlibCandidate>& candidates = ModAPI::ZlibCandidates();
        const auto same = [&](const Binding& b) {
            return std::equal(b.candidates.begin(), b.candidates.end(), candidates.begin(), candidates.end(),
                              [](const auto& x, const auto& y) { return x.name == y.name && x.number == y.number; });
        };
        for (const auto& b : *bindings)
            if (same(*b)) return b->found ? &b->where : nullptr;
        auto b = std::make_unique<Binding>();
        b->candidates = candidates;
        b->found = ModAPI::LocateZlib(b->where);
        if (b->found) b->pin.reset(::LoadLibraryW(b->where.name.c_str()));
        bindings->push_back(std::move(b));
        return bindings->back()->found ? &bindings->back()->where : nullptr;
    }

    using Crc32Fn = unsigned long(WINAPI*)(unsigned long, const uint8_t*, unsigned int);
    using UncompressFn = int(WINAPI*)(uint8_t*, unsigned long*, const uint8_t*, unsigned long);
    std::unique_ptr<cCDECL> m_bridge;
    rt::UniqueModule m_module;
    Crc32Fn m_crc32 = nullptr;
    UncompressFn m_uncompress = nullptr;
};

// The image object as the decoder's host.
class DibHost : public png::PngHost {
  public:
    DibHost(c32bppDIB& dib, void (*finish)(c32bppDIB&, bool)) : m_dib(dib), m_finish(finish) {}
    uint8_t* Initialize(int32_t width, int32_t height) override {
        return m_dib.InitializeDIB(width, height) ? m_dib.BitsPointer() : nullptr;
    }
    void Finish(bool alpha) override { m_finish(m_dib, alpha); }
    void Destroy() override { m_dib.DestroyDIB(); }

  private:
    c32bppDIB& m_dib;
    void (*m_finish)(c32bppDIB&, bool);
};

// The decoder's answer to a chunk whose end leaves signed 32-bit positions is the overflow error.
void RaiseOnOverflow(png::PngStatus status) {
    if (status == png::PngStatus::LengthOverflow) rt::RaiseOverflow();
}

} // namespace

void cPNGparser::pvFinish(c32bppDIB& host, bool alpha) {
    host.SetAlpha(alpha);
    host.SetImageType(kImageDecoded);
}

void cPNGparser::pvDecode(std::span<const uint8_t> data, c32bppDIB& host) {
    BoundZlib zlib;
    png::PngDecoderSetup setup;
    setup.zlib = zlib.Bind() ? &zlib : nullptr;
    setup.inflater = png::BuiltinInflate;
    DibHost dibHost(host, &cPNGparser::pvFinish);

    png::PngContainer container;
    m_status = png::ReadChunks(data, setup.zlib, container);
    if (m_status != png::PngStatus::Ok) {
        host.DestroyDIB();
        RaiseOnOverflow(m_status);
        return;
    }
    bool inflatedByZlib = false;
    m_status = png::DecodePixels(container, setup, dibHost, &inflatedByZlib);
    if (m_status == png::PngStatus::Ok) m_decoder = inflatedByZlib ? Decoder::Zlib : Decoder::BuiltIn;
}

bool cPNGparser::LoadFile(HANDLE FileHandle, const std::wstring& FileName, c32bppDIB& dibClass,
                          gdip::Token gdiToken) {
    m_decoder = Decoder::None;
    m_status = png::PngStatus::Ok;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(FileHandle, &size)) return false;
    // Small files skip the signature test: only GDI+ can make anything of them.
    const bool small = size.QuadPart <= 56;
    if (!small) {
        uint8_t signature[sizeof(png::kSignature)] = {};
        if (!pvRead(FileHandle, signature) || !png::HasPngSignature(signature)) return false;
    }

    if (cGDIPlus().LoadImageGDIplus(FileName, {}, dibClass, gdiToken)) {
        m_decoder = Decoder::GdiPlus;
        return true;
    }
    if (small) {
        m_status = png::PngStatus::NotPng;
        return false;
    }
    // Positions are signed 32-bit: a larger file cannot be walked.
    if (size.QuadPart > std::numeric_limits<int32_t>::max()) rt::RaiseOverflow();
    std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
    if (!pvRead(FileHandle, data)) {
        dibClass.DestroyDIB();
        m_status = png::PngStatus::Truncated;
        return true;
    }
    pvDecode(data, dibClass);
    return true;
}

bool cPNGparser::pvRead(HANDLE file, std::span<uint8_t> into) {
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    DWORD read = 0;
    return ::ReadFile(file, into.data(), static_cast<DWORD>(into.size()), &read, nullptr) &&
           read == into.size();
}

bool cPNGparser::LoadStream(const std::vector<uint8_t>& Stream, c32bppDIB& dibClass, int32_t streamOffset,
                            int32_t streamLength, gdip::Token gdiToken) {
    m_decoder = Decoder::None;
    m_status = png::PngStatus::Ok;
    if (streamOffset < 0 || streamLength < 0 ||
        !png::Fits(static_cast<size_t>(streamOffset), static_cast<size_t>(streamLength), Stream.size()))
        rt::RaiseSubscript();
    const std::span<const uint8_t> view(Stream.data() + streamOffset, static_cast<size_t>(streamLength));
    if (view.size() < sizeof(png::kSignature)) rt::RaiseSubscript();
    if (!png::HasPngSignature(view)) return false;

    // GDI+ reads its bytes from the start of an array: the view is copied only when it is a part.
    const bool whole = streamOffset == 0 && static_cast<size_t>(streamLength) == Stream.size();
    const bool decoded =
        whole ? cGDIPlus().LoadImageGDIplus(L"", Stream, dibClass, gdiToken)
              : cGDIPlus().LoadImageGDIplus(L"", {view.begin(), view.end()}, dibClass, gdiToken);
    if (decoded) {
        m_decoder = Decoder::GdiPlus;
        return true;
    }
    pvDecode(view, dibClass);
    return true;
}

} // namespace imaging
