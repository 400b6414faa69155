#include "drawing/SurfaceUnits.h"

#include "runtime/Checked.h"
#include "runtime/RtError.h"

#include <cmath>
#include <cstdlib>

namespace drawing {

namespace {

double ToFourDecimals(double v) {
    return rt::detail::RoundHalfToEven(v * 10000.0) / 10000.0;
}

} // namespace

int32_t HiMetricToPixels(int32_t hiMetric, int32_t logPixelsX) {
    if (logPixelsX <= 0) rt::RaiseOverflow();
    const double twipsPerPixel = 1440.0 / logPixelsX;
    return rt::RoundToInt32(hiMetric * 1440.0 / 2540.0 / twipsPerPixel);
}

int32_t FontHeightForSize(double points, int32_t logPixelsY) {
    return rt::RoundToInt32(-(points * logPixelsY) / 72.0);
}

double FontSizeFromMetrics(int32_t emHeight, int32_t digitizedAspectY) {
    if (digitizedAspectY <= 0) return 0.0;
    return ToFourDecimals(emHeight * 72.0 / digitizedAspectY);
}

double FontSizeFromHeight(int32_t lfHeight, int32_t logPixelsY) {
    if (logPixelsY <= 0) return 0.0;
    return ToFourDecimals(std::abs(static_cast<double>(lfHeight)) * 72.0 / logPixelsY);
}

} // namespace drawing
