// The automatic corrections: each improves a dull, dark or colour-cast picture and leaves a
// well-exposed one close to itself.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/ops/auto_correct.h"
#include "imaging/ops/colour_adjust.h"

namespace virmeya {
namespace {

// A well-exposed picture: lightness spread evenly over the whole range from left to right, colours
// of every hue at moderate saturation from top to bottom (so no cast overall), fine grain throughout.
Bitmap scene(int w = 160, int h = 120) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    const double hue = 2 * M_PI * y / h;
    for (int x = 0; x < w; ++x) {
      const int grain = ((x * 7919 + y * 104729) % 13) - 6;
      const double v = 12 + x * 231.0 / (w - 1);
      const double chroma = 40 * std::sin(M_PI * x / (w - 1));  // less colour near black and white
      const int r = static_cast<int>(v + chroma * std::cos(hue)) + grain;
      const int g = static_cast<int>(v + chroma * std::cos(hue - 2.094)) + grain;
      const int bl = static_cast<int>(v + chroma * std::cos(hue + 2.094)) + grain;
      b.setPixel(x, y, rgb(ClampByte(r), ClampByte(g), ClampByte(bl)));
    }
  }
  return b;
}

struct Stats {
  double mean[3];  // b, g, r
  double luma, deviation;
};

Stats stats(const Bitmap& b) {
  Stats s{};
  double sum2 = 0;
  const double n = static_cast<double>(b.width()) * b.height();
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const Bgr p = b.pixel(x, y);
      s.mean[0] += p.b / n;
      s.mean[1] += p.g / n;
      s.mean[2] += p.r / n;
      const double l = 0.3 * p.r + 0.59 * p.g + 0.11 * p.b;
      s.luma += l / n;
      sum2 += l * l / n;
    }
  }
  s.deviation = std::sqrt(std::max(0.0, sum2 - s.luma * s.luma));
  return s;
}

double meanAbsoluteChange(const Bitmap& a, const Bitmap& b) {
  double total = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width() * 3; ++x) total += std::abs(a.row(y)[x] - b.row(y)[x]);
  }
  return total / (a.width() * 3.0 * a.height());
}

Bitmap dull() {  // a foggy, low-contrast copy
  Bitmap b = scene();
  Contrast(b, -50);  // factor 1 − √50 / 10 ≈ 0.29 about the mean
  return b;
}
Bitmap dark() {
  Bitmap b = scene();
  WhiteBalance_coef(b, 0.35, 0.35, 0.35);
  return b;
}
Bitmap cast() {
  Bitmap b = scene();
  IntensityRGBall(b, 45, 10, -40);
  return b;
}

using Correction = void (*)(Bitmap&);
void enhance(Bitmap& b) { AutoEnhance(b); }
void wallis(Bitmap& b) { Wallis(b); }

TEST(AutoCorrections, LeaveAWellExposedPictureCloseToItself) {
  const Bitmap original = scene();
  struct Case {
    const char* name;
    Correction run;
    double limit;
  } cases[] = {{"levels", AutoLevels, 7}, {"white balance", AutoWhiteBalance, 2},
               {"equalize", Equalize, 7}, {"enhance", enhance, 6}, {"wallis", wallis, 5}};
  for (const Case& c : cases) {
    Bitmap b = original.clone();
    c.run(b);
    EXPECT_LT(meanAbsoluteChange(b, original), c.limit) << c.name;
  }
}

TEST(AutoLevels, StretchesADullPicture) {
  Bitmap b = dull();
  const double before = stats(b).deviation;
  AutoLevels(b);
  EXPECT_GT(stats(b).deviation, 2.5 * before);
  Bitmap d = dark();
  AutoLevels(d);
  EXPECT_GT(stats(d).luma, stats(dark()).luma * 2.0);
}

TEST(AutoWhiteBalance, RemovesAColourCast) {
  Bitmap b = cast();
  const Stats before = stats(b);
  AutoWhiteBalance(b);
  const Stats after = stats(b);
  EXPECT_LT(std::abs(after.mean[2] - after.mean[0]), 0.5 * std::abs(before.mean[2] - before.mean[0]));
  Bitmap grey(16, 16, rgb(120, 120, 120));
  AutoWhiteBalance(grey);
  EXPECT_EQ(grey.pixel(3, 3), rgb(120, 120, 120));
}

TEST(Equalize, SpreadsADarkPicture) {
  Bitmap b = dark();
  const Stats before = stats(b);
  Equalize(b);
  const Stats after = stats(b);
  EXPECT_GT(after.luma, before.luma + 40);
  EXPECT_GT(after.deviation, before.deviation * 1.5);
}

TEST(AutoEnhance, BrightensAndOpensADarkDullPicture) {
  Bitmap b = dark();
  Contrast(b, -30);
  const Stats before = stats(b);
  AutoEnhance(b);
  const Stats after = stats(b);
  EXPECT_GT(after.luma, before.luma + 30);
  EXPECT_GT(after.deviation, before.deviation * 1.5);
}

TEST(Wallis, RaisesLocalContrastOfFineDetail) {
  Bitmap b = dull();
  const Bitmap before = b.clone();
  Wallis(b);
  // Local detail: mean absolute difference between horizontal neighbours.
  auto detail = [](const Bitmap& p) {
    double t = 0;
    for (int y = 0; y < p.height(); ++y) {
      for (int x = 1; x < p.width(); ++x) t += std::abs(p.pixel(x, y).g - p.pixel(x - 1, y).g);
    }
    return t;
  };
  EXPECT_GT(detail(b), 1.3 * detail(before));
  Bitmap flat(20, 20, rgb(90, 60, 30));
  Wallis(flat);
  EXPECT_EQ(flat.pixel(10, 10), rgb(90, 60, 30));
}

}  // namespace
}  // namespace virmeya
