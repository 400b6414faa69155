#include "tools/pngdecode/PngDecodeTool.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace pngdecodetool {

bool ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error) {
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--inflater=zlib") {
            options.builtin = false;
        } else if (a == "--inflater=builtin") {
            options.builtin = true;
        } else if (a == "--no-gdiplus") {
            options.noGdiplus = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        error = "usage: pngdecode [--inflater=zlib|builtin] [--no-gdiplus] FILE OUT.pam";
        return false;
    }
    options.input = files[0];
    options.output = files[1];
    return true;
}

bool WritePam(const std::string& path, const Image& image, std::string& error) {
    std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    if (!out) {
        error = "cannot create " + path;
        return false;
    }
    out << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    std::vector<char> row(rowBytes);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* src = image.bits + static_cast<size_t>(image.height - 1 - y) * rowBytes;
        for (size_t x = 0; x < rowBytes; x += 4) {
            row[x] = static_cast<char>(src[x + 2]);
            row[x + 1] = static_cast<char>(src[x + 1]);
            row[x + 2] = static_cast<char>(src[x]);
            row[x + 3] = static_cast<char>(src[x + 3]);
        }
        out.write(row.data(), static_cast<std::streamsize>(rowBytes));
    }
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

int RunPngDecodeTool(const std::vector<std::string>& args, std::string& message) {
    Options options;
    std::string error;
    Image image;
    if (!ParseArguments(args, options, error) || !DecodeFile(options, image, error) ||
        !WritePam(options.output, image, error)) {
        message = "pngdecode: " + error;
        return 1;
    }
    return 0;
}

} // namespace pngdecodetool
