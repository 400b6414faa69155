#include "runtime/Picture.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace rt {
namespace {

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!::GetObjectW(bitmap, sizeof bm, &bm)) return {0, 0};
    return {bm.bmWidth, std::abs(bm.bmHeight)};
}

SIZE IconSize(HICON icon) {
    ICONINFO ii{};
    if (!::GetIconInfo(icon, &ii)) return {0, 0};
    UniqueBitmap mask(ii.hbmMask);
    UniqueBitmap color(ii.hbmColor);
    if (color) return BitmapSize(color.get());
    // A monochrome icon keeps its AND and XOR masks stacked in one bitmap of twice the height.
    SIZE s = BitmapSize(mask.get());
    s.cy /= 2;
    return s;
}

std::wstring ResourceName(const wchar_t* name) {
    if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name));
    return name;
}

// '.' shows what is under the pointer, 'X' is black, 'o' is white.
// clang-format off
constexpr std::array<std::string_view, 32> kHandPattern = {
    "................................",
    "................................",
    "................................",
    "................................",
    "............XX..................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooXXX...............",
    "...........XooXooXXX............",
    "...........XooXooXooXXX.........",
    "...........XooXooXooXooX........",
    "...........XooXooXooXooX........",
    "......XX...XoooooooooooX........",
    ".....XooX..XoooooooooooX........",
    ".....XoooX.XoooooooooooX........",
    "......XoooXXoooooooooooX........",
    ".......XoooooooooooooooX........",
    "........XooooooooooooooX........",
    ".........XoooooooooooooX........",
    "..........XooooooooooooX........",
    "..........XooooooooooooX........",
    "..........XooooooooooooX........",
    "..........XooooooooooooX........",
    "...........XXoooooooooX.........",
    "............XoooooooooX.........",
    ".............XXXXXXXXX..........",
    "................................",
    "................................",
    "................................",
    "................................",
};
// clang-format on
constexpr int kHandSize = 32;
constexpr DWORD kHandHotX = 12;
constexpr DWORD kHandHotY = 4;

} // namespace

std::shared_ptr<PictureObject> PictureObject::FromBitmap(UniqueBitmap bitmap, std::wstring name) {
    if (!bitmap) return nullptr;
    std::shared_ptr<PictureObject> p(new PictureObject());
    SIZE s = BitmapSize(bitmap.get());
    p->bitmap_ = std::move(bitmap);
    p->width_ = s.cx;
    p->height_ = s.cy;
    p->name_ = std::move(name);
    return p;
}

std::shared_ptr<PictureObject> PictureObject::FromIcon(UniqueIcon icon, std::wstring name) {
    if (!icon) return nullptr;
    std::shared_ptr<PictureObject> p(new PictureObject());
    SIZE s = IconSize(icon.get());
    p->icon_ = std::move(icon);
    p->width_ = s.cx;
    p->height_ = s.cy;
    p->name_ = std::move(name);
    return p;
}

PictureType PictureObject::Type() const {
    if (bitmap_) return PictureType::Bitmap;
    if (icon_) return PictureType::Icon;
    return PictureType::None;
}

uintptr_t PictureObject::Handle() const {
    if (bitmap_) return reinterpret_cast<uintptr_t>(bitmap_.get());
    return reinterpret_cast<uintptr_t>(icon_.get());
}

void PictureObject::Render(HDC dc, int x, int y, int w, int h) const {
    if (!dc) return;
    if (icon_) {
        ::DrawIconEx(dc, x, y, icon_.get(), w, h, 0, nullptr, DI_NORMAL);
        return;
    }
    if (!bitmap_) return;
    UniqueDC mem(::CreateCompatibleDC(dc));
    if (!mem) return;
    SelectGuard select(mem.get(), bitmap_.get());
    if (w == width_ && h == height_) {
        ::BitBlt(dc, x, y, w, h, mem.get(), 0, 0, SRCCOPY);
        return;
    }
    int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, x, y, w, h, mem.get(), 0, 0, width_, height_, SRCCOPY);
    if (oldMode) ::SetStretchBltMode(dc, oldMode);
}

bool SamePicture(const Picture& a, const Picture& b) {
    return (a ? a->Handle() : 0) == (b ? b->Handle() : 0);
}

Picture LoadResPicture(const wchar_t* name, PictureType type, HINSTANCE inst) {
    if (!name) return nullptr;
    HINSTANCE module = inst ? inst : ::GetModuleHandleW(nullptr);
    switch (type) {
    case PictureType::Bitmap: {
        UniqueBitmap bitmap(
            static_cast<HBITMAP>(::LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        return PictureObject::FromBitmap(std::move(bitmap), ResourceName(name));
    }
    case PictureType::Icon: {
        UniqueIcon icon(static_cast<HICON>(::LoadImageW(module, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
        return PictureObject::FromIcon(std::move(icon), ResourceName(name));
    }
    case PictureType::None:
        break;
    }
    return nullptr;
}

Picture PictureFromRef(const PictureRef& ref) {
    if (ref.name.empty()) return nullptr;
    return LoadResPicture(ref.name.c_str(), PictureType::Bitmap);
}

PictureRef RefOf(const Picture& picture) {
    PictureRef ref;
    if (picture) ref.name = picture->Name();
    return ref;
}

UniqueCursor CreateHandCursor() {
    // One-bit masks: the AND plane on top of the XOR plane, rows of 32 pixels in 4 bytes, MSB first.
    constexpr int rowBytes = kHandSize / 8;
    std::array<BYTE, rowBytes * kHandSize * 2> bits{};
    BYTE* andPlane = bits.data();
    BYTE* xorPlane = bits.data() + rowBytes * kHandSize;
    for (int y = 0; y < kHandSize; ++y) {
        for (int x = 0; x < kHandSize; ++x) {
            const char c = kHandPattern[y][x];
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            const int at = y * rowBytes + x / 8;
            if (c == '.') andPlane[at] |= bit;
            if (c == 'o') xorPlane[at] |= bit;
        }
    }
    UniqueBitmap mask(::CreateBitmap(kHandSize, kHandSize * 2, 1, 1, bits.data()));
    if (!mask) return UniqueCursor();
    ICONINFO ii{};
    ii.fIcon = FALSE;
    ii.xHotspot = kHandHotX;
    ii.yHotspot = kHandHotY;
    ii.hbmMask = mask.get();
    // The system copies the mask; ours is deleted on return.
    return UniqueCursor(::CreateIconIndirect(&ii));
}

} // namespace rt
