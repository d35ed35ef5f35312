// Resampling: the nearest-pixel rule, refusal of empty sizes, and no aliasing on reduction.
#include <gtest/gtest.h>

#include "imaging/errors.h"
#include "imaging/ops/geometry.h"

namespace virmeya {
namespace {

constexpr ResampleFilter kAllFilters[] = {ResampleFilter::Bilinear, ResampleFilter::Bicubic,
                                          ResampleFilter::Mitchell, ResampleFilter::Hermite,
                                          ResampleFilter::Bell,     ResampleFilter::BSpline,
                                          ResampleFilter::None};

Bitmap numbered(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.setPixel(x, y, rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
  }
  return b;
}

TEST(ResampleNoFilter, TakesFloorOfScaledCoordinates) {
  const Bitmap src = numbered(10, 7);
  const Bitmap out = ResampleNoFilter(src, 4, 3);
  ASSERT_EQ(out.width(), 4);
  ASSERT_EQ(out.height(), 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(out.pixel(x, y), rgb(static_cast<std::uint8_t>(x * 10 / 4), static_cast<std::uint8_t>(y * 7 / 3), 7));
    }
  }
  // Enlarging repeats pixels: 3 → 7 columns take 0,0,0,1,1,2,2.
  const Bitmap big = ResampleNoFilter(numbered(3, 1), 7, 1);
  const int expected[] = {0, 0, 0, 1, 1, 2, 2};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(big.pixel(x, 0).r, expected[x]);
}

TEST(Resample, ZeroSizeIsRefused) {
  const Bitmap src(8, 8, kWhite);
  for (ResampleFilter f : kAllFilters) {
    EXPECT_THROW(Resample(src, 0, 5, f), ImagingError);
    EXPECT_THROW(Resample(src, 5, 0, f), ImagingError);
    EXPECT_THROW(Resample(src, -3, 5, f), ImagingError);
  }
  try {
    Resample(src, 0, 5, ResampleFilter::Bicubic);
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.kind(), ImagingErrorKind::InvalidArgument);
  }
}

TEST(Resample, FlatStaysFlatForEverySizeAndFilter) {
  const Bitmap src(37, 23, rgb(200, 50, 9));
  for (ResampleFilter f : kAllFilters) {
    for (auto [w, h] : {std::pair{1, 1}, {18, 11}, {37, 23}, {90, 7}, {5, 60}}) {
      const Bitmap out = Resample(src, w, h, f);
      ASSERT_EQ(out.width(), w);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) ASSERT_EQ(out.pixel(x, y), rgb(200, 50, 9)) << static_cast<int>(f);
      }
    }
  }
}

TEST(Resample, ReductionAveragesAFineChecker) {
  // A one-pixel checkerboard reduced four times must turn mid grey, not keep a pattern.
  Bitmap checker(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) checker.setPixel(x, y, (x + y) % 2 ? kWhite : kBlack);
  }
  for (ResampleFilter f : kAllFilters) {
    if (f == ResampleFilter::None) continue;  // no filter: pixels are dropped by definition
    const Bitmap out = Resample(checker, 16, 16, f);
    for (int y = 2; y < 14; ++y) {
      for (int x = 2; x < 14; ++x) {
        EXPECT_NEAR(out.pixel(x, y).g, 127.5, 3.0) << static_cast<int>(f) << " at " << x << "," << y;
      }
    }
  }
}

TEST(Resample, BilinearEnlargementInterpolates) {
  Bitmap two(2, 1);
  two.setPixel(0, 0, kBlack);
  two.setPixel(1, 0, kWhite);
  const Bitmap out = Resample(two, 8, 1, ResampleFilter::Bilinear);
  for (int x = 1; x < 8; ++x) EXPECT_GE(out.pixel(x, 0).r, out.pixel(x - 1, 0).r);
  EXPECT_EQ(out.pixel(0, 0).r, 0);
  EXPECT_EQ(out.pixel(7, 0).r, 255);
  EXPECT_GT(out.pixel(4, 0).r, 100);
  EXPECT_LT(out.pixel(3, 0).r, 155);
}

TEST(Resample, AlphaFollowsThePixels) {
  Bitmap src(10, 10, kWhite);
  src.addAlpha(0);
  for (int x = 5; x < 10; ++x) {
    for (int y = 0; y < 10; ++y) src.alphaRow(y)[x] = 255;
  }
  const Bitmap out = Resample(src, 20, 20, ResampleFilter::Mitchell);
  ASSERT_TRUE(out.hasAlpha());
  EXPECT_EQ(out.alphaRow(10)[0], 0);
  EXPECT_EQ(out.alphaRow(10)[19], 255);
  const Bitmap nearest = ResampleNoFilter(src, 5, 5);
  ASSERT_TRUE(nearest.hasAlpha());
  EXPECT_EQ(nearest.alphaRow(2)[1], 0);
  EXPECT_EQ(nearest.alphaRow(2)[3], 255);
}

}  // namespace
}  // namespace virmeya
