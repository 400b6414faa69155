// Speed of the built-in inflater against zlib's uncompress (and libdeflate on the host) on the zlib
// streams listed in a manifest, as ratios measured in one run. bench/inflate_bench.py makes the inputs
// from files on the machine and runs this program natively and under Wine side by side.
//
//   bench_inflate MANIFEST [MILLISECONDS [ENGINE]]     MANIFEST lines: NAME CAPACITY PATH
//
// Each engine decodes each input for about MILLISECONDS (default 1000) of this thread's processor time, in
// rounds taken in turn with the other engines, so that the load of a shared machine hardly counts. Output,
// one line per input:
//   NAME BYTES ENGINE=MB/s ... (MB/s of decompressed output)
#include "tools/inflate/InflateEngines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <libdeflate.h>
#include <time.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

struct Input {
    std::string name;
    size_t capacity = 0;
    Bytes stream;
};

struct Engine {
    std::string name;
    // Decodes once; false on failure.
    std::function<bool(const Input&, Bytes&)> run;
};

std::vector<Engine> Engines() {
    std::vector<Engine> engines;
    auto viaTool = [](inflatetool::Engine e) {
        return [e](const Input& in, Bytes& out) {
            return inflatetool::RunEngine(e, in.stream, out.data(), in.capacity).ok;
        };
    };
    engines.push_back({"zlib", viaTool(inflatetool::Engine::Zlib)});
    engines.push_back({"builtin", viaTool(inflatetool::Engine::Builtin)});
#if !defined(_WIN32)
    static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    // With its Adler-32 check, as zlib's uncompress; and the bare deflate data, as the built-in inflater
    // reads it.
    engines.push_back({"libdeflate", [](const Input& in, Bytes& out) {
                           size_t n = 0;
                           return libdeflate_zlib_decompress(d, in.stream.data(), in.stream.size(),
                                                             out.data(), in.capacity,
                                                             &n) == LIBDEFLATE_SUCCESS;
                       }});
    engines.push_back({"libdeflate-raw", [](const Input& in, Bytes& out) {
                           size_t n = 0;
                           return libdeflate_deflate_decompress(d, in.stream.data() + 2, in.stream.size() - 6,
                                                                out.data(), in.capacity,
                                                                &n) == LIBDEFLATE_SUCCESS;
                       }});
#endif
    return engines;
}

// Processor time of this thread: a shared machine's other work does not count.
double CpuSeconds() {
#if defined(_WIN32)
    FILETIME created, ended, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
    auto value = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(value(kernel) + value(user)) * 1e-7;
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#endif
}

struct Tally {
    double seconds = 0;
    long runs = 0;
    bool failed = false;
};

// Decodes for about `budget` seconds of processor time. The round starts on a tick of the clock: Wine
// counts thread times in 10 ms steps, and a start read within a step would count the part of it before.
void Round(const Engine& e, const Input& in, Bytes& out, double budget, Tally& tally) {
    const double before = CpuSeconds();
    double start;
    while ((start = CpuSeconds()) == before) {
    }
    double elapsed;
    do {
        if (!e.run(in, out)) {
            tally.failed = true;
            return;
        }
        ++tally.runs;
        elapsed = CpuSeconds() - start;
    } while (elapsed < budget);
    tally.seconds += elapsed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_inflate MANIFEST [MILLISECONDS [ENGINE]]\n");
        return 1;
    }
    const double total = (argc > 2 ? std::max(25, std::atoi(argv[2])) : 1000) / 1000.0;
    constexpr int kRounds = 10;
    std::ifstream manifest(argv[1]);
    std::vector<Input> inputs;
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        Input in;
        std::string path;
        if (!(fields >> in.name >> in.capacity) || !std::getline(fields >> std::ws, path)) continue;
        std::ifstream f(path, std::ios::binary);
        in.stream.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        inputs.push_back(std::move(in));
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "bench_inflate: no inputs in %s\n", argv[1]);
        return 1;
    }
    std::vector<Engine> engines = Engines();
    // An optional third argument keeps only the engine of that name, for profiling one of them.
    if (argc > 3) std::erase_if(engines, [&](const Engine& e) { return e.name != argv[3]; });
    int status = 0;
    for (const Input& in : inputs) {
        Bytes out(in.capacity);
        std::vector<Tally> tally(engines.size());
        for (int r = 0; r < kRounds; ++r)
            for (size_t i = 0; i < engines.size(); ++i)
                if (!tally[i].failed) Round(engines[i], in, out, total / kRounds, tally[i]);
        std::printf("%s %zu", in.name.c_str(), in.capacity);
        for (size_t i = 0; i < engines.size(); ++i) {
            if (tally[i].failed) {
                std::fprintf(stderr, "bench_inflate: %s failed on %s\n", engines[i].name.c_str(),
                             in.name.c_str());
                status = 1;
                continue;
            }
            const double perRun = tally[i].seconds / static_cast<double>(tally[i].runs);
            std::printf(" %s=%.1f", engines[i].name.c_str(), static_cast<double>(in.capacity) / perRun / 1e6);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return status;
}
