// Decoding speed of the PNG decoder (through zlib and through the built-in inflater) beside the
// references on the same files, as ratios measured in one run. Natively the references are libpng,
// libspng and stb_image; on Windows (run under Wine) it is GDI+ through the image engine's bridge.
// bench/png_bench.py gathers the files in groups and runs both builds.
//
//   bench_png_decode [--ms=N] [--only=DECODER] GROUP=FOLDER ...
//
// Each decoder decodes each group for about 4 x N milliseconds (default 300) of this thread's processor
// time, in turns taken with the others, so the load of a shared machine hardly counts. Output, per group:
// the time per decoder for one decode of every file, and each of ours as a ratio to the fastest
// reference (below 1.00: faster). --only keeps one decoder, for profiling it.
#include "bench/PngBenchDecoders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct File {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<File> ReadGroup(const std::filesystem::path& folder) {
    std::vector<File> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        if (!e.is_regular_file() || e.path().extension() != ".png") continue;
        std::ifstream in(e.path(), std::ios::binary);
        files.push_back(
            {e.path().filename().string(),
             std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
    }
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.name < b.name; });
    return files;
}

// Seconds of processor time for one decode of every file, per decoder. Each decodes the whole group over
// and over in a few turns taken with the others until it has used the budget; turns start on a tick of
// the clock, which Wine counts in 10 ms steps, so that long turns keep its error small.
std::vector<double> TimeGroup(const std::vector<const File*>& files, std::vector<pngbench::Decoder>& decoders,
                              double budget) {
    constexpr int kTurns = 4;
    const size_t n = decoders.size();
    std::vector<double> spent(n, 0.0);
    std::vector<long> passes(n, 0);
    for (int turn = 0; turn < kTurns; ++turn)
        for (size_t d = 0; d < n; ++d) {
            double t0 = pngbench::ThreadSeconds(), t;
            while ((t = pngbench::ThreadSeconds()) == t0) {
            }
            t0 = t;
            do {
                for (const File* f : files)
                    decoders[d].decode(f->bytes);
                ++passes[d];
                t = pngbench::ThreadSeconds() - t0;
            } while (t < budget / kTurns);
            spent[d] += t;
        }
    std::vector<double> perPass(n);
    for (size_t d = 0; d < n; ++d)
        perPass[d] = spent[d] / static_cast<double>(passes[d]);
    return perPass;
}

} // namespace

int main(int argc, char** argv) {
    double budget = 0.3;
    std::vector<std::pair<std::string, std::string>> groups;
    std::vector<pngbench::Decoder> decoders = pngbench::Decoders();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--ms=", 0) == 0) {
            budget = std::atof(a.c_str() + 5) / 1000.0;
        } else if (a.rfind("--only=", 0) == 0) {
            std::erase_if(decoders, [&](const pngbench::Decoder& d) { return d.name != a.substr(7); });
        } else if (const size_t eq = a.find('='); eq != std::string::npos) {
            groups.emplace_back(a.substr(0, eq), a.substr(eq + 1));
        } else {
            std::fprintf(stderr, "usage: bench_png_decode [--ms=N] [--only=DECODER] GROUP=FOLDER ...\n");
            return 1;
        }
    }
    std::printf("%-24s %5s", "group", "files");
    for (const auto& d : decoders)
        std::printf(" %11s", d.name.c_str());
    std::printf("   ratios of ours to the fastest reference\n");
    for (const auto& [group, folder] : groups) {
        const std::vector<File> files = ReadGroup(folder);
        if (files.empty()) continue;
        // A file any decoder fails on is left out of every total, so the totals stay comparable.
        std::vector<int> failures(decoders.size(), 0);
        std::vector<const File*> timed;
        for (const File& f : files) {
            bool all = true;
            for (size_t d = 0; d < decoders.size(); ++d)
                if (!decoders[d].decode(f.bytes)) {
                    ++failures[d];
                    all = false;
                }
            if (all) timed.push_back(&f);
        }
        const std::vector<double> total = TimeGroup(timed, decoders, budget * 4);
        std::printf("%-24s %5zu", group.c_str(), files.size());
        for (double s : total)
            std::printf(" %9.3fms", s * 1000);
        double fastestReference = 0;
        for (size_t d = 0; d < decoders.size(); ++d)
            if (!decoders[d].ours && (fastestReference == 0 || total[d] < fastestReference))
                fastestReference = total[d];
        std::printf("  ");
        for (size_t d = 0; d < decoders.size(); ++d)
            if (decoders[d].ours)
                std::printf(" %s=%.2f", decoders[d].name.c_str(), total[d] / fastestReference);
        for (size_t d = 0; d < decoders.size(); ++d)
            if (failures[d]) std::printf(" (%s failed on %d)", decoders[d].name.c_str(), failures[d]);
        std::printf("\n");
    }
    return 0;
}
