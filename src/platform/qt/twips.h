#pragma once

namespace tambrel::qt {

/// The largest pixel coordinate or size a window may be given; X11 stores them in 16 bits.
inline constexpr int kMaxPixels = 32767;

/// `twips` (1/1440 inch) as whole pixels at `dpi`, rounded to nearest. Values that cannot be shown
/// (a stored 1e30, infinity) are clamped to +-kMaxPixels; NaN gives 0.
int twips_to_pixels(double twips, double dpi);
/// A size in twips as pixels, at least 1 and at most kMaxPixels.
int twips_to_size(double twips, double dpi);
/// `pixels` at `dpi` as whole twips.
float pixels_to_twips(int pixels, double dpi);

}  // namespace tambrel::qt
