// Flips, turns, crop and the wave: exact pixel moves and the wave's sampling rule.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/errors.h"
#include "imaging/ops/geometry.h"

namespace virmeya {
namespace {

Bitmap labelled(int w, int h, bool alpha = false) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.setPixel(x, y, rgb(static_cast<std::uint8_t>(x * 9), static_cast<std::uint8_t>(y * 11), static_cast<std::uint8_t>(x + y)));
  }
  if (alpha) {
    b.addAlpha();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) b.alphaRow(y)[x] = static_cast<std::uint8_t>(x * 16 + y);
    }
  }
  return b;
}

TEST(Flip, MirrorsAndTwiceIsIdentity) {
  for (FlipDirection d : {FlipDirection::Horizontal, FlipDirection::Vertical}) {
    for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {4, 4}, {7, 2}}) {
      const Bitmap original = labelled(w, h, true);
      Bitmap b = original.clone();
      Flip(b, d);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const int sx = d == FlipDirection::Horizontal ? w - 1 - x : x;
          const int sy = d == FlipDirection::Vertical ? h - 1 - y : y;
          ASSERT_EQ(b.pixel(x, y), original.pixel(sx, sy));
          ASSERT_EQ(b.alphaRow(y)[x], original.alphaRow(sy)[sx]);
        }
      }
      Flip(b, d);
      EXPECT_TRUE(b.samePixels(original));
    }
  }
}

TEST(Rotate, QuarterTurnsAreExactMoves) {
  const Bitmap src = labelled(70, 45, true);  // wider than one 64-pixel tile
  const Bitmap ccw = Rotate(src, 90, true, kWhite);
  ASSERT_EQ(ccw.width(), 45);
  ASSERT_EQ(ccw.height(), 70);
  const Bitmap cw = Rotate(src, -90, true, kWhite);
  const Bitmap half = Rotate(src, 180, false, kWhite);
  for (int y = 0; y < 45; ++y) {
    for (int x = 0; x < 70; ++x) {
      ASSERT_EQ(ccw.pixel(y, 70 - 1 - x), src.pixel(x, y));  // (x, y) lands at (y, W − 1 − x)
      ASSERT_EQ(ccw.alphaRow(70 - 1 - x)[y], src.alphaRow(y)[x]);
      ASSERT_EQ(cw.pixel(45 - 1 - y, x), src.pixel(x, y));
      ASSERT_EQ(half.pixel(70 - 1 - x, 45 - 1 - y), src.pixel(x, y));
    }
  }
  Bitmap b = src.clone();
  for (int i = 0; i < 4; ++i) b = Rotate(b, 90, false, kBlack);
  EXPECT_TRUE(b.samePixels(src));
  EXPECT_TRUE(Rotate(src, 0, true, kBlack).samePixels(src));
  EXPECT_TRUE(Rotate(src, 360, true, kBlack).samePixels(src));
  EXPECT_TRUE(Rotate(src, 270, false, kBlack).samePixels(cw));
}

TEST(Rotate, AnyAngleGrowsTheCanvasWithBackgroundCorners) {
  const Bgr red = rgb(255, 0, 0), blue = rgb(0, 0, 255);
  const Bitmap src(200, 100, red);
  for (bool antialias : {false, true}) {
    const Bitmap out = Rotate(src, 45, antialias, blue);
    const int expected = static_cast<int>(std::ceil(300 / std::sqrt(2.0)));  // (200 + 100)·cos 45°
    EXPECT_EQ(out.width(), expected);
    EXPECT_EQ(out.height(), expected);
    EXPECT_EQ(out.pixel(0, 0), blue);
    EXPECT_EQ(out.pixel(out.width() - 1, out.height() - 1), blue);
    EXPECT_EQ(out.pixel(out.width() / 2, out.height() / 2), red);
  }
}

TEST(Rotate, PositiveAnglesTurnCounterClockwise) {
  // A mark right of the centre moves up (toward smaller y) for a small positive angle.
  Bitmap src(101, 101, kBlack);
  for (int x = 80; x < 90; ++x) src.setPixel(x, 50, kWhite);
  const Bitmap out = Rotate(src, 30, false, kBlack);
  const int cx = out.width() / 2, cy = out.height() / 2;
  int whiteAbove = 0, whiteBelow = 0;
  for (int y = 0; y < out.height(); ++y) {
    for (int x = cx; x < out.width(); ++x) {
      if (out.pixel(x, y) == kWhite) (y < cy ? whiteAbove : whiteBelow)++;
    }
  }
  EXPECT_GT(whiteAbove, 5);
  EXPECT_EQ(whiteBelow, 0);
}

TEST(Crop, ClipsToThePictureAndRefusesEmptyRectangles) {
  const Bitmap src = labelled(10, 8, true);
  const Bitmap c = Crop(src, 2, 3, 4, 2);
  ASSERT_EQ(c.width(), 4);
  ASSERT_EQ(c.height(), 2);
  EXPECT_EQ(c.pixel(0, 0), src.pixel(2, 3));
  EXPECT_EQ(c.pixel(3, 1), src.pixel(5, 4));
  EXPECT_EQ(c.alphaRow(1)[3], src.alphaRow(4)[5]);
  const Bitmap clipped = Crop(src, -3, 6, 100, 100);
  EXPECT_EQ(clipped.width(), 10);
  EXPECT_EQ(clipped.height(), 2);
  EXPECT_THROW(Crop(src, 10, 0, 5, 5), ImagingError);
  EXPECT_THROW(Crop(src, 0, 0, 0, 5), ImagingError);
}

// The wave's rule read literally, for one output pixel.
Bgr waveReference(const Bitmap& s, int x, int y, int a, int l, double phase) {
  const int w = s.width(), h = s.height();
  double sx = 1, sy = 1;
  if (w > h) sy = static_cast<double>(w) / h;
  if (w < h) sx = static_cast<double>(h) / w;
  const double dx = (x - (w - 1) / 2.0) * sx, dy = (y - (h - 1) / 2.0) * sy;
  const double f = a * std::sin(M_PI * std::hypot(dx, dy) / l + phase * M_PI / 180);
  const double px = x + f / sx, py = y + f / sy;
  const int x0 = static_cast<int>(std::floor(px)), y0 = static_cast<int>(std::floor(py));
  const double fx = px - x0, fy = py - y0;
  auto at = [&](int xx, int yy) { return s.pixel(std::clamp(xx, 0, w - 1), std::clamp(yy, 0, h - 1)); };
  auto mix = [&](auto channel) {
    const double top = channel(at(x0, y0)) * (1 - fx) + channel(at(x0 + 1, y0)) * fx;
    const double bottom = channel(at(x0, y0 + 1)) * (1 - fx) + channel(at(x0 + 1, y0 + 1)) * fx;
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(top * (1 - fy) + bottom * fy), 0.0, 255.0));
  };
  return Bgr{mix([](Bgr c) { return c.b; }), mix([](Bgr c) { return c.g; }), mix([](Bgr c) { return c.r; })};
}

TEST(Wave, FollowsTheRippleRule) {
  const Bitmap src = labelled(40, 25);
  Bitmap b = src.clone();
  Wave(b, 3, 7, 1, false);
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 40; ++x) {
      const Bgr want = waveReference(src, x, y, 3, 7, 1);
      const Bgr got = b.pixel(x, y);
      ASSERT_NEAR(got.r, want.r, 1) << x << "," << y;
      ASSERT_NEAR(got.g, want.g, 1) << x << "," << y;
      ASSERT_NEAR(got.b, want.b, 1) << x << "," << y;
    }
  }
}

TEST(Wave, NoAmplitudeOrNoWavelengthChangesNothing) {
  const Bitmap src = labelled(21, 13);
  Bitmap flat = src.clone();
  Wave(flat, 0, 10, 0, false);
  EXPECT_TRUE(flat.samePixels(src));
  Bitmap none = src.clone();
  Wave(none, 5, 0, 0, true);
  EXPECT_TRUE(none.samePixels(src));
  Bitmap reflective = src.clone();
  Wave(reflective, 4, 5, 30, true);
  EXPECT_FALSE(reflective.samePixels(src));
}

}  // namespace
}  // namespace virmeya
