// pngdecode's decoding in the native build: the platform-free decoder with zlib linked, or with the
// built-in inflater alone. There is no GDI+ here, so --no-gdiplus changes nothing.
#include "imaging/png/PngBuiltinInflater.h"
#include "imaging/png/PngDecode.h"
#include "imaging/png/PngLinkedZlib.h"
#include "tools/pngdecode/PngDecodeTool.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pngdecodetool {

bool DecodeFile(const Options& options, Image& image, std::string& error) {
    std::ifstream in(std::filesystem::path(std::u8string(options.input.begin(), options.input.end())),
                     std::ios::binary);
    if (!in) {
        error = "cannot open " + options.input;
        return false;
    }
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    static imaging::png::PngLinkedZlib zlib;
    imaging::png::PngDecoderSetup setup;
    setup.zlib = options.builtin ? nullptr : &zlib;
    setup.inflater = imaging::png::BuiltinInflate;
    static imaging::png::PngMemoryImage decoded;
    const imaging::png::PngStatus status = imaging::png::DecodePng(data, setup, decoded);
    if (status != imaging::png::PngStatus::Ok) {
        error = imaging::png::PngStatusText(status);
        return false;
    }
    image = {decoded.width, decoded.height, decoded.bits.data()};
    return true;
}

} // namespace pngdecodetool
