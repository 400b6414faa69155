// Arbitrary bytes as a loaded library's image: reading headers, following entry jumps and scanning for
// the return must stay inside the image and inside its code, whatever the bytes say.
#include "imaging/cdecl/CodeProbe.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    // The entry is taken from the input too; near the end of the first page most of the time.
    const uint32_t entry = size >= 0x44 ? (data[0x40] | data[0x41] << 8 | data[0x42] << 16) : 0x1000;
    for (const uint64_t base : {uint64_t{0x63080000}, uint64_t{0x241B90000}}) {
        const imaging::ModuleImage image(bytes, base);
        const auto body = image.FollowJumps(entry);
        if (body) {
            const auto code = image.CodeFrom(*body);
            if (code.empty() || code.data() < data || code.data() + code.size() > data + size) {
                std::fprintf(stderr, "jump target outside the image's code\n");
                std::abort();
            }
        }
        (void)imaging::ProbeCrc32Convention(image, entry);
    }
    (void)imaging::ScanForReturn(bytes);
    return 0;
}
