// Twips to pixels and back, including values no screen can show.
#include "platform/qt/twips.h"

#include <gtest/gtest.h>

#include <limits>

namespace tambrel::qt {
namespace {

TEST(Twips, ConvertAtTheScreenDpiRoundingToNearest) {
  EXPECT_EQ(twips_to_pixels(1440, 96), 96);
  EXPECT_EQ(twips_to_pixels(1000, 96), 67);  // 66.67
  EXPECT_EQ(twips_to_pixels(5295, 96), 353);
  EXPECT_EQ(twips_to_pixels(1440, 144), 144);
  EXPECT_EQ(twips_to_pixels(1000, 120), 83);  // 83.33
  EXPECT_EQ(twips_to_pixels(-1000, 96), -67);
  EXPECT_EQ(pixels_to_twips(67, 96), 1005);
  EXPECT_EQ(pixels_to_twips(83, 120), 996);
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
}  // namespace tambrel::qt
