#pragma once
// Reading a loaded library's machine code safely: its image is a span of bytes whose PE headers say
// where the executable sections lie, so the probe never reads outside them whatever the bytes are.
// Used to tell how zlib's functions want to be called.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace imaging {

enum class CallConvention {
    Cdecl,   // the caller removes the arguments
    Stdcall, // the function removes them
};

class ModuleImage {
  public:
    // bytes: the whole mapped image from its first header byte; loadAddress: where it is mapped.
    ModuleImage(std::span<const uint8_t> bytes, uint64_t loadAddress);

    bool Valid() const { return valid_; }
    bool IsI386() const { return machine_ == kMachineI386; }
    bool IsAmd64() const { return machine_ == kMachineAmd64; }

    // The code a function entry finally runs: jumps at the entry (relative and through a pointer
    // slot) are followed, a few hops at most. Empty when the target leaves executable sections.
    std::optional<uint32_t> FollowJumps(uint32_t entryRva) const;
    // Bytes from rva to the end of the executable section that holds it; empty when none does.
    std::span<const uint8_t> CodeFrom(uint32_t rva) const;

    static constexpr uint16_t kMachineI386 = 0x14C;
    static constexpr uint16_t kMachineAmd64 = 0x8664;

  private:
    struct Section {
        uint32_t rva;
        uint32_t size;
        bool executable;
    };
    enum class Sections { Any, Executable };
    std::optional<Section> SectionOf(uint32_t rva, Sections which) const;
    std::optional<uint64_t> ReadPointer(uint32_t slotRva) const;
    std::optional<uint32_t> RvaOf(uint64_t address) const;
    uint32_t Read32(std::size_t off) const;
    uint16_t Read16(std::size_t off) const;

    std::span<const uint8_t> bytes_;
    uint64_t loadAddress_;
    bool valid_ = false;
    uint16_t machine_ = 0;
    std::size_t sectionTable_ = 0;
    uint16_t sectionCount_ = 0;
};

// The byte scan over i386 code: "ret 12" means the function removes its three arguments, a plain
// "ret" (not the second byte of "xor reg, ebx") means the caller does. Empty when the code ends
// without either.
std::optional<CallConvention> ScanForReturn(std::span<const uint8_t> code);

// How crc32 at entryRva of the image wants to be called. x86-64 has one convention, in which the
// caller owns the stack as in cdecl; i386 code is scanned after its entry jumps. Code that says
// nothing is taken as cdecl, zlib's own default.
CallConvention ProbeCrc32Convention(const ModuleImage& image, uint32_t entryRva);

} // namespace imaging
