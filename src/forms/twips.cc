#include "forms/twips.h"

#include <algorithm>
#include <cmath>

namespace tambrel::forms {

int twips_to_pixels(double twips, double dpi) {
  const double pixels = twips * dpi / 1440.0;
  if (std::isnan(pixels))
    return 0;
  // Clamped before converting: a double beyond int's range makes the conversion undefined.
  return static_cast<int>(std::lround(std::clamp(pixels, -double(kMaxPixels), double(kMaxPixels))));
}

int twips_to_size(double twips, double dpi) {
  return std::max(1, twips_to_pixels(twips, dpi));
}

float pixels_to_twips(int pixels, double dpi) {
  return static_cast<float>(std::round(pixels * 1440.0 / dpi));
}

}  // namespace tambrel::forms
