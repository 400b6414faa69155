#include "imaging/cdecl/CodeProbe.h"

#include <algorithm>

namespace imaging {

namespace {

constexpr uint32_t kScnMemExecute = 0x20000000;
constexpr int kMaxJumpHops = 8;
// A crc32 body is a few hundred bytes; the scan gives up well past that.
constexpr std::size_t kMaxScanBytes = 4096;

} // namespace

ModuleImage::ModuleImage(std::span<const uint8_t> bytes, uint64_t loadAddress)
    : bytes_(bytes), loadAddress_(loadAddress) {
    if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') return;
    const std::size_t nt = Read32(0x3C);
    // Signature (4) and file header (20).
    if (nt > bytes_.size() || bytes_.size() - nt < 24) return;
    if (Read32(nt) != 0x00004550) return;
    machine_ = Read16(nt + 4);
    sectionCount_ = Read16(nt + 6);
    sectionTable_ = nt + 24 + Read16(nt + 20);
    if (sectionTable_ > bytes_.size() || (bytes_.size() - sectionTable_) / 40 < sectionCount_) return;
    valid_ = true;
}

uint32_t ModuleImage::Read32(std::size_t off) const {
    return static_cast<uint32_t>(bytes_[off]) | static_cast<uint32_t>(bytes_[off + 1]) << 8 |
           static_cast<uint32_t>(bytes_[off + 2]) << 16 | static_cast<uint32_t>(bytes_[off + 3]) << 24;
}

uint16_t ModuleImage::Read16(std::size_t off) const {
    return static_cast<uint16_t>(bytes_[off] | bytes_[off + 1] << 8);
}

std::optional<ModuleImage::Section> ModuleImage::SectionOf(uint32_t rva, Sections which) const {
    if (!valid_) return std::nullopt;
    for (uint16_t i = 0; i < sectionCount_; ++i) {
        const std::size_t s = sectionTable_ + std::size_t{i} * 40;
        const uint32_t start = Read32(s + 12);
        const uint32_t virtualSize = Read32(s + 8);
        const uint32_t size = virtualSize != 0 ? virtualSize : Read32(s + 16);
        const bool exec = (Read32(s + 36) & kScnMemExecute) != 0;
        // Only what the image span really holds counts as the section.
        const uint64_t end = std::min<uint64_t>(uint64_t{start} + size, bytes_.size());
        if (rva >= start && rva < end && (exec || which == Sections::Any))
            return Section{start, static_cast<uint32_t>(end - start), exec};
    }
    return std::nullopt;
}

std::span<const uint8_t> ModuleImage::CodeFrom(uint32_t rva) const {
    const auto s = SectionOf(rva, Sections::Executable);
    if (!s) return {};
    return bytes_.subspan(rva, s->rva + s->size - rva);
}

std::optional<uint32_t> ModuleImage::RvaOf(uint64_t address) const {
    if (address < loadAddress_ || address - loadAddress_ >= bytes_.size()) return std::nullopt;
    return static_cast<uint32_t>(address - loadAddress_);
}

std::optional<uint64_t> ModuleImage::ReadPointer(uint32_t slotRva) const {
    const std::size_t width = IsAmd64() ? 8 : 4;
    const auto s = SectionOf(slotRva, Sections::Any);
    if (!s || s->rva + s->size - slotRva < width) return std::nullopt;
    uint64_t v = Read32(slotRva);
    if (width == 8) v |= uint64_t{Read32(slotRva + 4)} << 32;
    return v;
}

std::optional<uint32_t> ModuleImage::FollowJumps(uint32_t entryRva) const {
    uint32_t rva = entryRva;
    for (int hop = 0; hop <= kMaxJumpHops; ++hop) {
        const std::span<const uint8_t> code = CodeFrom(rva);
        if (code.empty()) return std::nullopt;
        int64_t next;
        if (code[0] == 0xE9 && code.size() >= 5) {
            next = int64_t{rva} + 5 + static_cast<int32_t>(Read32(rva + 1));
        } else if (code[0] == 0xEB && code.size() >= 2) {
            next = int64_t{rva} + 2 + static_cast<int8_t>(code[1]);
        } else if (code[0] == 0xFF && code.size() >= 6 && code[1] == 0x25) {
            // jmp [slot]: the slot is addressed relative to the next instruction on x86-64, absolutely on
            // i386.
            const auto disp = static_cast<int32_t>(Read32(rva + 2));
            std::optional<uint32_t> slot;
            if (IsAmd64()) {
                const int64_t s = int64_t{rva} + 6 + disp;
                if (s >= 0 && s <= UINT32_MAX) slot = static_cast<uint32_t>(s);
            } else {
                slot = RvaOf(static_cast<uint32_t>(disp));
            }
            if (!slot) return std::nullopt;
            const auto target = ReadPointer(*slot);
            if (!target) return std::nullopt;
            const auto targetRva = RvaOf(*target);
            if (!targetRva) return std::nullopt;
            next = *targetRva;
        } else {
            return rva;
        }
        if (next < 0 || next > UINT32_MAX) return std::nullopt;
        rva = static_cast<uint32_t>(next);
    }
    // A chain this long (or a loop) is not an entry stub.
    return std::nullopt;
}

std::optional<CallConvention> ScanForReturn(std::span<const uint8_t> code) {
    const std::size_t n = std::min(code.size(), kMaxScanBytes);
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t b = code[i];
        // ret 12: three 4-byte arguments removed by the function.
        if (b == 0xC2 && i + 2 < n && code[i + 1] == 12 && code[i + 2] == 0) return CallConvention::Stdcall;
        // 33 C3 is "xor eax, ebx", not a return.
        if (b == 0xC3 && (i == 0 || code[i - 1] != 0x33)) return CallConvention::Cdecl;
    }
    return std::nullopt;
}

CallConvention ProbeCrc32Convention(const ModuleImage& image, uint32_t entryRva) {
    if (!image.IsI386()) return CallConvention::Cdecl;
    const auto body = image.FollowJumps(entryRva);
    if (!body) return CallConvention::Cdecl;
    return ScanForReturn(image.CodeFrom(*body)).value_or(CallConvention::Cdecl);
}

} // namespace imaging
