#include "menus/MenuPictureImage.h"

#include "menus/SurfacePixelIO.h"

namespace menus {

int32_t PictureImageSize(PictureState state, int32_t B, bool style2) {
    return state == PictureState::Hover && !style2 ? B + 4 : B + 2;
}

int32_t PictureImageInset(PictureState state, int32_t B, bool style2) {
    const int32_t centred = (PictureImageSize(state, B, style2) - B) / 2;
    return state == PictureState::Disabled || state == PictureState::Hover ? centred - 1 : centred;
}

namespace {

// The picture at B × B into `image` at (at, at), its mask colour left as the image's magenta.
bool PaintScaled(drawing::cMemDC& image, const rt::Picture& picture, uint32_t mask, int32_t at, int32_t B) {
    if (picture->Type() == rt::PictureType::Icon) {
        image.PaintPicture(picture, at, at, B, B);
        return true;
    }
    if (picture->Type() != rt::PictureType::Bitmap) return false;
    const int32_t w = picture->Width(), h = picture->Height();
    if (w <= 0 || h <= 0) return false;
    drawing::cMemDC scaled;
    if (!scaled.Init(B, B)) return false;
    if (w == B && h == B) {
        scaled.PaintPicture(picture, 0, 0, B, B);
    } else {
        drawing::cMemDC own;
        if (!own.Init(w, h)) return false;
        own.PaintPicture(picture, 0, 0, w, h);
        // Whole pixels only, so the mask colour survives the scaling.
        ::SetStretchBltMode(scaled.hdc(), COLORONCOLOR);
        own.StretchBlt(scaled.hdc(), 0, 0, B, B, 0, 0, w, h);
    }
    scaled.TransBlt(image.hdc(), at, at, B, B, 0, 0, mask);
    return true;
}

} // namespace

bool RenderPictureImage(drawing::cMemDC& image, const rt::Picture& picture, uint32_t mask, PictureState state,
                        int32_t B, bool style2, const MenuColours& colours) {
    if (!picture || B <= 0) return false;
    const int32_t side = PictureImageSize(state, B, style2);
    if (!image.Init(side, side)) return false;
    image.Cls(kMagenta);
    if (!PaintScaled(image, picture, mask, PictureImageInset(state, B, style2), B)) {
        image.Destroy();
        return false;
    }
    // Read back and written again even without an effect: the keyed copy above leaves the alpha byte set
    // on the pixels it touched, and Wine's key match then misses the magenta among them.
    PixelGrid grid = ReadPixels(image.hdc(), 0, 0, side, side);
    if (grid.px.empty()) return true;
    if (style2 && state == PictureState::Normal) TintTowardsSideBar(grid, colours.sideBar);
    if (style2 && state == PictureState::Disabled)
        DisabledSilhouette(grid, colours.sideBar, colours.btnShadow);
    if (style2 && state == PictureState::Hover) HoverShadow(grid, colours.selectionFill, colours.btnShadow);
    WritePixels(image.hdc(), grid);
    return true;
}

} // namespace menus
