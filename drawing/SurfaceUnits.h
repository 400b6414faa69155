#pragma once
// Unit conversions of the memory drawing surface: picture sizes in HiMetric and font sizes in points,
// against the pixels per inch of a device.
#include <cstdint>

namespace drawing {

// value × 1440 / 2540 / (1440 / logPixelsX): a picture's HiMetric extent in screen pixels, rounded half
// to even. Raises the overflow error when logPixelsX is not positive.
int32_t HiMetricToPixels(int32_t hiMetric, int32_t logPixelsX);

// The logical-font height of a size in points: −(size × logPixelsY) / 72, rounded half to even.
int32_t FontHeightForSize(double points, int32_t logPixelsY);

// The size of a realized font: (tmHeight − tmInternalLeading) × 72 / tmDigitizedAspectY, kept to four
// decimals as a font object holds it; 0 when the aspect is not positive.
double FontSizeFromMetrics(int32_t emHeight, int32_t digitizedAspectY);

// The size of a logical font's height: −lfHeight × 72 / logPixelsY. A positive lfHeight asks for a cell
// height rather than a character height; it is read as the same number of pixels, never as a negative size.
double FontSizeFromHeight(int32_t lfHeight, int32_t logPixelsY);

} // namespace drawing
