// Gaussian and box blur, Sobel, unsharp masking and the two shadows.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <set>

#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"

namespace virmeya {
namespace {

Bitmap texture(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, rgb(static_cast<std::uint8_t>((x * 37 + y * 11) % 256), static_cast<std::uint8_t>((x * y) % 256),
                           static_cast<std::uint8_t>(x * 255 / std::max(1, w - 1))));
    }
  }
  return b;
}

TEST(GaussianWeights, NormalisedTrimmedAndShapedByTheRadius) {
  for (double r : {0.5, 1.0, 2.5, 5.0, 40.0, 500.0}) {
    const std::vector<int> w = gaussianWeights(r);
    ASSERT_EQ(w.size() % 2, 1u);
    EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), 65536) << r;
    EXPECT_GT(w.front(), 0);
    EXPECT_LE(w.size(), 201u);
    for (std::size_t i = 0; i < w.size(); ++i) EXPECT_EQ(w[i], w[w.size() - 1 - i]);
    // The trimmed length: offsets whose rounded weight 65536·e / Σe is non-zero.
    double total = 0;
    for (int d = -100; d <= 100; ++d) total += std::exp(-d * d / (2 * r * r));
    int nonZero = 0;
    for (int d = -100; d <= 100; ++d) nonZero += std::lrint(std::exp(-d * d / (2 * r * r)) / total * 65536) != 0;
    EXPECT_EQ(static_cast<int>(w.size()), nonZero) << r;
  }
  EXPECT_EQ(gaussianWeights(1.0).size(), 9u);  // radius 1 reaches ±4
  EXPECT_EQ(gaussianWeights(0), std::vector<int>{65536});
}

// Naive two-pass convolution with the same weights, edge repetition and per-pass rounding.
Bitmap blurReference(const Bitmap& src, double r) {
  const std::vector<int> w = gaussianWeights(r);
  const int half = static_cast<int>(w.size()) / 2;
  Bitmap mid = src.clone(), out = src.clone();
  for (int y = 0; y < src.height(); ++y) {
    for (int x = 0; x < src.width(); ++x) {
      for (int c = 0; c < 3; ++c) {
        long long s = 32768;
        for (int k = -half; k <= half; ++k) s += static_cast<long long>(w[k + half]) * src.row(y)[3 * std::clamp(x + k, 0, src.width() - 1) + c];
        mid.row(y)[3 * x + c] = static_cast<std::uint8_t>(s >> 16);
      }
    }
  }
  for (int y = 0; y < src.height(); ++y) {
    for (int x = 0; x < src.width(); ++x) {
      for (int c = 0; c < 3; ++c) {
        long long s = 32768;
        for (int k = -half; k <= half; ++k) s += static_cast<long long>(w[k + half]) * mid.row(std::clamp(y + k, 0, src.height() - 1))[3 * x + c];
        out.row(y)[3 * x + c] = static_cast<std::uint8_t>(s >> 16);
      }
    }
  }
  return out;
}

TEST(Blur, MatchesTheNaiveConvolution) {
  for (double r : {0.7, 2.0, 6.0}) {
    const Bitmap src = texture(53, 41);
    Bitmap b = src.clone();
    Blur(b, r);
    EXPECT_TRUE(b.samePixels(blurReference(src, r))) << r;
  }
}

TEST(Blur, FlatStaysFlatAndZeroRadiusChangesNothing) {
  Bitmap flat(30, 20, rgb(17, 200, 99));
  Blur(flat, 8);
  EXPECT_TRUE(flat.samePixels(Bitmap(30, 20, rgb(17, 200, 99))));
  const Bitmap src = texture(9, 9);
  Bitmap same = src.clone();
  Blur(same, 0);
  EXPECT_TRUE(same.samePixels(src));
  Bitmap tiny(1, 1, kWhite);
  Blur(tiny, 50);
  EXPECT_EQ(tiny.pixel(0, 0), kWhite);
}

TEST(BoxBlur, NineEqualWeights) {
  Bitmap b(5, 5, kBlack);
  b.setPixel(2, 2, rgb(255, 90, 9));
  BoxBlur(b);
  for (int y = 1; y <= 3; ++y) {
    for (int x = 1; x <= 3; ++x) EXPECT_EQ(b.pixel(x, y), rgb(28, 10, 1));  // 255 / 9, 90 / 9, 9 / 9
  }
  EXPECT_EQ(b.pixel(0, 0), kBlack);
}

TEST(Sobel, EdgeStrengthAndZeroBorder) {
  // A vertical step from grey 0 to grey 100: gx = 4 · 100, so the edge columns read 100.
  Bitmap b(6, 5, kBlack);
  for (int y = 0; y < 5; ++y) {
    for (int x = 3; x < 6; ++x) b.setPixel(x, y, rgb(100, 100, 100));
  }
  Sobel(b);
  for (int y = 1; y < 4; ++y) {
    EXPECT_EQ(b.pixel(1, y), kBlack);
    EXPECT_EQ(b.pixel(2, y), rgb(100, 100, 100));
    EXPECT_EQ(b.pixel(3, y), rgb(100, 100, 100));
    EXPECT_EQ(b.pixel(4, y), kBlack);
  }
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(b.pixel(x, 0), kBlack);
    EXPECT_EQ(b.pixel(x, 4), kBlack);
  }
  // A full-range diagonal corner saturates at 255; a 1 × 1 picture simply becomes black.
  Bitmap corner(3, 3, kBlack);
  corner.setPixel(2, 2, kWhite);
  corner.setPixel(2, 1, kWhite);
  corner.setPixel(1, 2, kWhite);
  Sobel(corner);
  EXPECT_EQ(corner.pixel(1, 1), kWhite);  // gx = gy = 765: √(2) · 765 / 4 > 255
  Bitmap one(1, 1, kWhite);
  Sobel(one);
  EXPECT_EQ(one.pixel(0, 0), kBlack);
}

TEST(Sharpen, MovesAwayFromTheFiveByFiveMean) {
  Bitmap b(9, 9, rgb(50, 50, 50));
  b.setPixel(4, 4, rgb(100, 100, 100));
  Sharpen(b, 10, 4);
  // Mean of the 5 × 5 window around the spot: (24 · 50 + 100) / 25 = 52.
  EXPECT_EQ(b.pixel(4, 4), rgb(148, 148, 148));
  EXPECT_EQ(b.pixel(3, 4), rgb(48, 48, 48));
  EXPECT_EQ(b.pixel(0, 0), rgb(50, 50, 50));  // outside the spot's reach
  Bitmap flat(7, 4, rgb(3, 130, 252));
  Sharpen(flat, 10, 4);
  EXPECT_TRUE(flat.samePixels(Bitmap(7, 4, rgb(3, 130, 252))));
}

TEST(SoftShadow, GrowsByTheExtentWithThePhotoCentred) {
  // The menu's shadow of a 700-pixel photo: radius 10, offset 8 → e = 16 + 50 = 66.
  const Bitmap photo(70, 40, rgb(10, 200, 30));
  const Bitmap out = SoftShadow(photo, 10, 8, 8, kBlack, 100);
  ASSERT_EQ(out.width(), 70 + 66);
  ASSERT_EQ(out.height(), 40 + 66);
  ASSERT_TRUE(out.hasAlpha());
  EXPECT_EQ(out.pixel(33, 33), rgb(10, 200, 30));
  EXPECT_EQ(out.alphaRow(33)[33], 255);
  EXPECT_EQ(out.alphaRow(33 + 39)[33 + 69], 255);
  EXPECT_EQ(out.alphaRow(0)[0], 0);                   // far from the shadow
  EXPECT_GT(out.alphaRow(33 + 40 + 4)[33 + 40], 100);  // just below the photo, inside the shifted outline
  EXPECT_LT(out.alphaRow(out.height() - 1)[out.width() - 1], 3);  // faded out within the margin
  const Bitmap none = SoftShadow(photo, 0, 0, 0, kBlack, 100);
  EXPECT_EQ(none.width(), 71);  // e is at least 1
  EXPECT_EQ(none.pixel(0, 0), rgb(10, 200, 30));
}

TEST(SoftShadow, IntensityScalesTheShadow) {
  const Bitmap photo(20, 20, kWhite);
  const Bitmap full = SoftShadow(photo, 4, 5, 5, rgb(0, 0, 255), 100);
  const Bitmap half = SoftShadow(photo, 4, 5, 5, rgb(0, 0, 255), 50);
  const int x = 15 + 20 + 3, y = 15 + 20 + 3;  // e = 30: photo at 15..34, its shadow at 20..39
  EXPECT_NEAR(half.alphaRow(y)[x], full.alphaRow(y)[x] / 2.0, 1.0);
  EXPECT_EQ(full.pixel(x, y), rgb(0, 0, 255));
}

TEST(SoftShadow, OpaqueRectangleShortcutMatchesTheBlurredOutline) {
  // An opaque photo takes the separable shortcut; the same photo with an opaque alpha plane goes
  // through the blurred outline. Both describe one Gaussian fall-off.
  const Bitmap plain(40, 30, kWhite);
  Bitmap withAlpha = plain.clone();
  withAlpha.addAlpha(255);
  const Bitmap a = SoftShadow(plain, 8, 5, 3, kBlack, 100);
  const Bitmap b = SoftShadow(withAlpha, 8, 5, 3, kBlack, 100);
  ASSERT_EQ(a.width(), b.width());
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) ASSERT_NEAR(a.alphaRow(y)[x], b.alphaRow(y)[x], 3) << x << "," << y;
  }
}

TEST(InnerShadow, DarkensTheEdgesOnly) {
  Bitmap b(80, 60, kWhite);
  InnerShadow(b, 10, kBlack);
  EXPECT_EQ(b.pixel(40, 30), kWhite);
  EXPECT_LT(b.pixel(0, 30).r, 140);
  EXPECT_LT(b.pixel(0, 0).r, b.pixel(0, 30).r);  // corners darker than edges
  EXPECT_LT(b.pixel(3, 30).r, b.pixel(8, 30).r);
  Bitmap same(10, 10, kWhite);
  InnerShadow(same, 0, kBlack);
  EXPECT_EQ(same.pixel(0, 0), kWhite);
}

TEST(ConvertTo, AtMostNColoursAndFewColoursKept) {
  for (int n : {2, 4, 20, 256}) {
    Bitmap b = texture(64, 64);
    ConvertTo(b, n);
    std::set<std::tuple<int, int, int>> colours;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) colours.insert({b.pixel(x, y).r, b.pixel(x, y).g, b.pixel(x, y).b});
    }
    EXPECT_LE(static_cast<int>(colours.size()), n);
    EXPECT_GE(static_cast<int>(colours.size()), std::min(n, 2));
  }
  Bitmap two(8, 8, rgb(200, 10, 10));
  for (int x = 0; x < 4; ++x) two.setPixel(x, 3, rgb(5, 5, 240));
  const Bitmap original = two.clone();
  ConvertTo(two, 4);
  EXPECT_TRUE(two.samePixels(original));
}

}  // namespace
}  // namespace virmeya
