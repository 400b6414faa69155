#include "tests/support/TestCanvas.h"

namespace testsupport {

namespace {

HBITMAP CreateDib(int w, int h, bool topDown, uint32_t** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = topDown ? -h : h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    *bits = static_cast<uint32_t*>(p);
    return bmp;
}

} // namespace

rt::UniqueBitmap MakeDib(int w, int h, const PixelFn& pixel, bool topDown) {
    uint32_t* bits = nullptr;
    rt::UniqueBitmap bmp(CreateDib(w, h, topDown, &bits));
    if (!bmp) return bmp;
    for (int y = 0; y < h; ++y) {
        const int row = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x)
            bits[row * w + x] = pixel(x, y);
    }
    return bmp;
}

TestCanvas::TestCanvas(int w, int h, uint32_t fill)
    : w_(w), h_(h), dc_(::CreateCompatibleDC(nullptr)), bitmap_(CreateDib(w, h, true, &bits_)) {
    old_ = ::SelectObject(dc_.get(), bitmap_.get());
    Fill([fill](int, int) { return fill; });
}

TestCanvas::~TestCanvas() {
    if (old_) ::SelectObject(dc_.get(), old_);
}

uint32_t TestCanvas::At(int x, int y) const {
    ::GdiFlush();
    return bits_[y * w_ + x];
}

void TestCanvas::Set(int x, int y, uint32_t px) {
    ::GdiFlush();
    bits_[y * w_ + x] = px;
}

void TestCanvas::Fill(const PixelFn& pixel) {
    ::GdiFlush();
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            bits_[y * w_ + x] = pixel(x, y);
}

void TestCanvas::CopyFrom(HDC src, int x, int y, int w, int h) {
    ::BitBlt(dc_.get(), 0, 0, w, h, src, x, y, SRCCOPY);
}

int TestCanvas::DiffCount(const TestCanvas& other) const {
    ::GdiFlush();
    int n = 0;
    for (int y = 0; y < h_ && y < other.h_; ++y)
        for (int x = 0; x < w_ && x < other.w_; ++x)
            if (Rgb(bits_[y * w_ + x]) != Rgb(other.bits_[y * other.w_ + x])) ++n;
    return n;
}

std::vector<uint32_t> TestCanvas::Rgbs() const {
    ::GdiFlush();
    std::vector<uint32_t> out(bits_, bits_ + static_cast<size_t>(w_) * static_cast<size_t>(h_));
    for (uint32_t& px : out)
        px = Rgb(px);
    return out;
}

std::vector<uint32_t> GrabRgbs(HDC source, int w, int h) {
    TestCanvas canvas(w, h, 0);
    canvas.CopyFrom(source, 0, 0, w, h);
    return canvas.Rgbs();
}

} // namespace testsupport
