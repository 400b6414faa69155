#pragma once
// Picture objects: a bitmap or an icon owned by a shared, move-only holder, loaded from resources by
// name so that a picture property can be stored as that name.
#include <windows.h>

#include "runtime/Handles.h"
#include "runtime/PropertyBag.h"

#include <cstdint>
#include <memory>
#include <string>

namespace rt {

enum class PictureType { None = 0, Bitmap = 1, Icon = 3 };

// HiMetric units (0.01 mm) as at 96 DPI: a picture's size names its own pixels, whatever the resolution of
// the monitor it is shown on (pictures for other resolutions are made at their size).
constexpr int PixelsToHiMetric(int pixels) {
    return (pixels * 2540 + 48) / 96;
}

class PictureObject {
  public:
    // Null when the handle is empty.
    static std::shared_ptr<PictureObject> FromBitmap(UniqueBitmap bitmap, std::wstring name = {});
    static std::shared_ptr<PictureObject> FromIcon(UniqueIcon icon, std::wstring name = {});

    PictureObject(const PictureObject&) = delete;
    PictureObject& operator=(const PictureObject&) = delete;
    PictureObject(PictureObject&&) noexcept = default;
    PictureObject& operator=(PictureObject&&) noexcept = default;

    PictureType Type() const;
    // The bitmap or icon handle as a number; 0 when empty.
    uintptr_t Handle() const;
    HBITMAP Bitmap() const { return bitmap_.get(); }
    HICON Icon() const { return icon_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int WidthHiMetric() const { return PixelsToHiMetric(width_); }
    int HeightHiMetric() const { return PixelsToHiMetric(height_); }
    // The resource name it was loaded from ("#n" for a numbered one); empty otherwise.
    const std::wstring& Name() const { return name_; }

    // Draws the whole picture into the rectangle, stretched when the size differs.
    void Render(HDC dc, int x, int y, int w, int h) const;

  private:
    PictureObject() = default;

    UniqueBitmap bitmap_;
    UniqueIcon icon_;
    int width_ = 0;
    int height_ = 0;
    std::wstring name_;
};

using Picture = std::shared_ptr<PictureObject>;

// Pictures are the same when they hold the same handle; two empty pictures are the same.
bool SamePicture(const Picture& a, const Picture& b);

// A bitmap (as a DIB section) or an icon (at the system's icon size) from the resources of inst, or of
// the executable when it is null; the name may be a MAKEINTRESOURCE id. Null when it is missing.
Picture LoadResPicture(const wchar_t* name, PictureType type, HINSTANCE inst = nullptr);

// A stored picture property: the bitmap resource it names, or null for an empty name.
Picture PictureFromRef(const PictureRef& ref);
PictureRef RefOf(const Picture& picture);

// The pointing-hand mouse pointer of the logo and the image buttons; hot spot at the fingertip (12, 4).
UniqueCursor CreateHandCursor();

} // namespace rt
