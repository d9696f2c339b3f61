// Twips to pixels and back, the one rule both desktops place and store windows by, including
// values no screen can show.
#include "forms/twips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tambrel::forms {
namespace {

TEST(Twips, ConvertAtTheScreenDpiRoundingToNearest) {
  EXPECT_EQ(twips_to_pixels(1440, 96), 96);
  EXPECT_EQ(twips_to_pixels(1000, 96), 67);  // 66.67
  EXPECT_EQ(twips_to_pixels(5295, 96), 353);
  EXPECT_EQ(twips_to_pixels(1440, 144), 144);
  EXPECT_EQ(twips_to_pixels(5295, 144), 530);  // 529.5
  EXPECT_EQ(twips_to_pixels(1000, 120), 83);   // 83.33
  EXPECT_EQ(twips_to_pixels(-1000, 96), -67);
  EXPECT_EQ(pixels_to_twips(67, 96), 1005);
  EXPECT_EQ(pixels_to_twips(83, 120), 996);
}

TEST(Twips, PixelsBecomeWholeTwipsAtEveryDpi) {
  // 301 pixels at 192 DPI are 2257.5 twips: a window's edge is stored as a whole number.
  EXPECT_EQ(pixels_to_twips(301, 192), 2258);
  EXPECT_EQ(pixels_to_twips(-301, 192), -2258);
  for (const double dpi : {96.0, 120.0, 144.0, 168.0, 192.0, 288.0}) {
    for (int pixels = -700; pixels <= 700; pixels += 7) {
      const float twips = pixels_to_twips(pixels, dpi);
      ASSERT_EQ(twips, std::round(twips)) << pixels << " px at " << dpi;
      ASSERT_EQ(twips_to_pixels(twips, dpi), pixels) << "the stored edge places the window back";
    }
  }
}

TEST(Twips, AbsurdStoredValuesAreClampedNotOverflowed) {
  EXPECT_EQ(twips_to_pixels(1e30, 96), kMaxPixels);
  EXPECT_EQ(twips_to_pixels(-1e30, 96), -kMaxPixels);
  EXPECT_EQ(twips_to_pixels(std::numeric_limits<double>::infinity(), 96), kMaxPixels);
  EXPECT_EQ(twips_to_pixels(std::numeric_limits<double>::quiet_NaN(), 96), 0);
  EXPECT_EQ(twips_to_size(1e30, 96), kMaxPixels);
  EXPECT_EQ(twips_to_size(-5, 96), 1) << "a window or control is at least one pixel";
  EXPECT_EQ(twips_to_size(0, 96), 1);
}

}  // namespace
}  // namespace tambrel::forms
