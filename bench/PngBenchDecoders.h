#pragma once
// The decoders the PNG benchmark times, each decoding a whole file into memory it keeps between runs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pngbench {

struct Decoder {
    std::string name;
    // One of ours, rather than a reference.
    bool ours;
    std::function<bool(const std::vector<uint8_t>&)> decode;
};

std::vector<Decoder> Decoders();

// Processor time of this thread, in seconds.
double ThreadSeconds();

} // namespace pngbench
