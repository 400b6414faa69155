#pragma once
// The two inflaters the `inflate` tool, the benchmark and the tests choose between: the built-in one, and
// zlib's uncompress (linked on the host; on Windows zlib1.dll reached at run time through cCDECL).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace inflatetool {

enum class Engine { Builtin, Zlib };

std::optional<Engine> ParseEngine(std::string_view name);

struct EngineResult {
    bool ok = false;
    size_t produced = 0;
    // Why it failed, one line.
    std::string error;
};

EngineResult RunEngine(Engine engine, std::span<const uint8_t> in, uint8_t* out, size_t capacity);

} // namespace inflatetool
