#pragma once
// The `pngdecode` command-line tool:
//   pngdecode [--inflater=zlib|builtin] [--no-gdiplus] FILE OUT.pam
// decodes FILE and writes it as a PAM file (P7, TUPLTYPE RGB_ALPHA, top row first) holding the
// premultiplied samples exactly as the image object holds them, reordered to R, G, B, A. Any failure
// is one line naming the reason and exit status 1. The decoding itself is the build's own: the
// platform-free decoder natively, cPNGparser with GDI+ in front of it on Windows.
#include <cstdint>
#include <string>
#include <vector>

namespace pngdecodetool {

struct Options {
    // --inflater=builtin: no zlib at all, so no checksums either, as when zlib is absent.
    bool builtin = false;
    bool noGdiplus = false;
    std::string input;
    std::string output;
};

// False with the reason in error for a command line that does not fit.
bool ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error);

// The decoded image: premultiplied B, G, R, A rows, bottom row first.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* bits = nullptr;
};

// The PAM file of the image; false with the reason when it cannot be written.
bool WritePam(const std::string& path, const Image& image, std::string& error);

// Supplied by the build's decoding: the image stays valid until the next call; false with the reason.
bool DecodeFile(const Options& options, Image& image, std::string& error);

// Runs the tool; the exit status, with the one line to print in message.
int RunPngDecodeTool(const std::vector<std::string>& args, std::string& message);

} // namespace pngdecodetool
