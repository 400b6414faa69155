#pragma once
// The four images of an item picture: normal, disabled, checked and hover, each a magenta-cleared square
// holding the picture scaled to the picture size, with the effects of MenuDrawStyle 2.
#include <cstdint>

#include "drawing/cMemDC.h"
#include "menus/MenuColours.h"
#include "runtime/Picture.h"

namespace menus {

enum class PictureState { Normal, Disabled, Checked, Hover };

// The state's image side: B + 2, or B + 4 for the hover image outside MenuDrawStyle 2.
int32_t PictureImageSize(PictureState state, int32_t B, bool style2);
// Where the picture's top left goes in its image: centred, one pixel up and left for disabled and hover.
int32_t PictureImageInset(PictureState state, int32_t B, bool style2);

// Makes `image` the picture's image in that state. `mask` (an OLE colour) is the picture's own transparent
// colour. False, with nothing made, when the picture cannot be drawn.
bool RenderPictureImage(drawing::cMemDC& image, const rt::Picture& picture, uint32_t mask, PictureState state,
                        int32_t B, bool style2, const MenuColours& colours);

} // namespace menus
