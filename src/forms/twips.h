#pragma once

namespace tambrel::forms {

/// The largest distance from the origin, in pixels, a window or control is placed or sized to.
/// Stored twips can hold any number; X11 and the Win32 window messages keep coordinates in 16
/// signed bits, and a window's client area and frame lie a little beyond its edges, so this
/// leaves them room.
inline constexpr int kMaxPixels = 30000;

/// `twips` (1/1440 inch) as whole pixels at `dpi`, rounded to nearest. Values no screen can show
/// (a stored 1e30, infinity) are clamped to +-kMaxPixels; NaN gives 0.
int twips_to_pixels(double twips, double dpi);
/// A size in twips as pixels at `dpi`: at least 1, at most kMaxPixels.
int twips_to_size(double twips, double dpi);
/// `pixels` at `dpi` as whole twips, rounded to nearest: a window's edges are stored so, at any
/// DPI, on every desktop.
float pixels_to_twips(int pixels, double dpi);

}  // namespace tambrel::forms
