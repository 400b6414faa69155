#include "tests/imaging/png/LibpngOracle.h"

#include <png.h>

#include <cstring>

namespace pngtest {
namespace {

struct Reader {
    const std::vector<uint8_t>* data;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > r->data->size() - r->pos) png_error(png, "read past the end");
    std::memcpy(out, r->data->data() + r->pos, length);
    r->pos += length;
}

void OnError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text) *text = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Plain C state only between setjmp and longjmp.
bool Decode(const std::vector<uint8_t>& bytes, OracleImage& out, std::string& error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    Reader reader{&bytes, 0};
    std::vector<png_bytep>* rows = new std::vector<png_bytep>();
    bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, ReadFromMemory);
        png_read_info(png, info);
        const png_byte colour = png_get_color_type(png, info);
        out.hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) || (colour & PNG_COLOR_MASK_ALPHA);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        out.width = static_cast<int32_t>(png_get_image_width(png, info));
        out.height = static_cast<int32_t>(png_get_image_height(png, info));
        out.rgba.assign(static_cast<size_t>(out.width) * out.height * 4, 0);
        for (int32_t y = 0; y < out.height; ++y)
            rows->push_back(out.rgba.data() + static_cast<size_t>(y) * out.width * 4);
        png_read_image(png, rows->data());
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    delete rows;
    return ok;
}

} // namespace

std::optional<OracleImage> LibpngDecode(const std::vector<uint8_t>& png, std::string* error) {
    OracleImage image;
    std::string why;
    if (!Decode(png, image, why)) {
        if (error) *error = why;
        return std::nullopt;
    }
    return image;
}

std::vector<uint8_t> ToHostLayout(const OracleImage& image) {
    std::vector<uint8_t> host(image.rgba.size());
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* s = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
            uint8_t* d = &host[(static_cast<size_t>(image.height - 1 - y) * image.width + x) * 4];
            const unsigned a = s[3];
            d[0] = static_cast<uint8_t>(s[2] * a / 255);
            d[1] = static_cast<uint8_t>(s[1] * a / 255);
            d[2] = static_cast<uint8_t>(s[0] * a / 255);
            d[3] = static_cast<uint8_t>(a);
        }
    }
    return host;
}

} // namespace pngtest
