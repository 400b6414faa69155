#pragma once
// The viewer's bitmap resources at a monitor's resolution. The resources come drawn at 1x and 2x (the
// 2x one named with "_2X" after the name); the nearer one is stretched bilinearly by the image engine to
// the design size scaled.
#include <cstdint>

#include "runtime/Picture.h"

namespace viewer {

// How a picture is divided before it is scaled: `columns` × `rows` square cells of `cell` design
// pixels from the top-left, each scaled to a whole number of pixels on its own so that cell k starts at
// k times the scaled cell; the rest below the cells is scaled as one band. No cells: the whole picture
// is one band.
struct PictureCells {
    int32_t cell = 0;
    int32_t columns = 0;
    int32_t rows = 0;
};

// The bitmap resource `name` (design size designW × designH) for a window at `dpi`: the resource
// itself at 96 DPI; from the 1x drawing when there is no 2x one; null when it cannot be made.
rt::Picture ScaledResPicture(const wchar_t* name, int32_t designW, int32_t designH, int32_t dpi,
                             PictureCells cells = {});

} // namespace viewer
