// Decoding speed of the PNG decoder (through zlib and through the built-in inflater) beside the
// references on the same files, as ratios measured in one run. Natively the references are libpng,
// libspng and stb_image; on Windows (run under Wine) it is GDI+ through the image engine's bridge.
// bench/png_bench.py gathers the files in groups and runs both builds.
//
//   bench_png_decode [--ms=N] [--only=DECODER] GROUP=FOLDER ...
//
// Each decoder decodes each file for about N milliseconds (default 300) of this thread's processor time
// (wall time on Windows), in rounds taken in turn with the others, and keeps its fastest round, so the
// load of a shared machine hardly counts. Output, per group: the total time per decoder for one decode
// of every file, and each of ours as a ratio to the fastest reference (below 1.00: faster). --only keeps
// one decoder, for profiling it.
#include "PngBenchDecoders.h"

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

// Seconds per decode of the file for each decoder, in its fastest round; negative when a decoder failed
// on it. The fastest round is the one the machine's other work disturbed least: on Windows the clock is
// the wall clock, which counts every moment another process held the core.
std::vector<double> TimeFile(const File& file, std::vector<pngbench::Decoder>& decoders, double budget) {
    const size_t n = decoders.size();
    std::vector<double> spent(n, 0.0), fastest(n, 1e30);
    std::vector<bool> failed(n, false);
    for (size_t d = 0; d < n; ++d)
        failed[d] = !decoders[d].decode(file.bytes);
    // Rounds of a few decodes each, every decoder in turn, until each has used its budget.
    for (bool more = true; more;) {
        more = false;
        for (size_t d = 0; d < n; ++d) {
            if (failed[d] || spent[d] >= budget) continue;
            more = true;
            const double t0 = pngbench::ThreadSeconds();
            int k = 0;
            double t;
            do {
                decoders[d].decode(file.bytes);
                ++k;
                t = pngbench::ThreadSeconds() - t0;
            } while (t < budget / 20);
            spent[d] += t;
            fastest[d] = std::min(fastest[d], t / k);
        }
    }
    for (size_t d = 0; d < n; ++d)
        if (failed[d]) fastest[d] = -1.0;
    return fastest;
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
        std::vector<double> total(decoders.size(), 0.0);
        std::vector<int> failures(decoders.size(), 0);
        for (const File& f : files) {
            const std::vector<double> t =
                TimeFile(f, decoders, budget / static_cast<double>(files.size()) * 4);
            // A file any decoder fails on is left out of every total, so the totals stay comparable.
            if (std::any_of(t.begin(), t.end(), [](double s) { return s < 0; })) {
                for (size_t d = 0; d < t.size(); ++d)
                    failures[d] += t[d] < 0;
                continue;
            }
            for (size_t d = 0; d < t.size(); ++d)
                total[d] += t[d];
        }
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
