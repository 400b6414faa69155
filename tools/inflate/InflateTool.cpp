#include "tools/inflate/InflateTool.h"

#include "tools/inflate/InflateEngines.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <vector>

namespace inflatetool {

namespace {

constexpr char kUsage[] = "usage: inflate [--engine=builtin|zlib] CAPACITY IN OUT";
// The output buffer is allocated whole: keep a mistyped capacity from asking for all memory.
constexpr size_t kMaxCapacity = size_t{1} << 31;

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

int Fail(std::string& message, std::string text) {
    message = "inflate: " + std::move(text);
    return 1;
}

} // namespace

int RunInflateTool(std::span<const std::string> args, std::string& message) {
    message.clear();
    Engine engine = Engine::Builtin;
    size_t first = 0;
    if (!args.empty() && args[0].starts_with("--engine=")) {
        const auto e = ParseEngine(std::string_view(args[0]).substr(9));
        if (!e) return Fail(message, "unknown engine \"" + args[0].substr(9) + "\"; " + kUsage);
        engine = *e;
        first = 1;
    }
    if (args.size() - first != 3) return Fail(message, kUsage);
    const std::string& capacityText = args[first];
    size_t capacity = 0;
    const auto [end, ec] =
        std::from_chars(capacityText.data(), capacityText.data() + capacityText.size(), capacity);
    if (ec != std::errc() || end != capacityText.data() + capacityText.size() || capacity > kMaxCapacity)
        return Fail(message, "CAPACITY must be a whole number of bytes up to 2147483648, not \"" +
                                 capacityText + "\"");

    std::ifstream in(PathOf(args[first + 1]), std::ios::binary);
    if (!in) return Fail(message, "cannot open " + args[first + 1]);
    const std::vector<uint8_t> input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Fail(message, "cannot read " + args[first + 1]);

    std::vector<uint8_t> output;
    try {
        output.resize(capacity);
    } catch (const std::bad_alloc&) {
        return Fail(message, "not enough memory for " + capacityText + " bytes");
    }
    const EngineResult r = RunEngine(engine, input, output.data(), capacity);
    if (!r.ok) return Fail(message, r.error);

    std::ofstream out(PathOf(args[first + 2]), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(output.data()), static_cast<std::streamsize>(r.produced));
    out.close();
    if (!out) return Fail(message, "cannot write " + args[first + 2]);
    return 0;
}

} // namespace inflatetool
