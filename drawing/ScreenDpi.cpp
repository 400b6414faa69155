#include "drawing/ScreenDpi.h"

#include "runtime/Handles.h"

namespace drawing {

const ScreenDpi& ScreenPixelsPerInch() {
    static const ScreenDpi dpi = [] {
        ScreenDpi d;
        const rt::WindowDC screen(nullptr);
        if (screen) {
            d.x = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
            d.y = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
        }
        return d;
    }();
    return dpi;
}

} // namespace drawing
