// Colour operations checked against the arithmetic they promise, with hand-worked pixel values.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "imaging/ops/colour_adjust.h"

namespace virmeya {
namespace {

Bitmap onePixel(Bgr c) { return Bitmap(1, 1, c); }

Bgr after(Bgr c, void (*op)(Bitmap&)) {
  Bitmap b = onePixel(c);
  op(b);
  return b.pixel(0, 0);
}

// Every channel value in a few steps, so the table-driven routines meet all the curve's corners.
Bitmap colourRamp() {
  Bitmap b(64, 48);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      b.setPixel(x, y, rgb(static_cast<std::uint8_t>(x * 4 + y % 4), static_cast<std::uint8_t>(y * 5 + x % 5),
                           static_cast<std::uint8_t>((x * 7 + y * 3) % 256)));
    }
  }
  return b;
}

TEST(AdjustTint, HandWorkedPixels) {
  // (R, G, B) = (200, 100, 50): Y = round(124.5) = 124, Db = round(−74.5) = −74, Dr = round(75.5) = 76.
  struct Case {
    double degrees;
    Bgr expected;
  } cases[] = {
      {0, rgb(200, 99, 50)},     // u = 76, v = −74, G = 124 + round(−24.7)
      {180, rgb(48, 149, 198)},  // u = −76, v = 74, G = 124 + round(24.7)
  };
  for (const Case& c : cases) {
    Bitmap b = onePixel(rgb(200, 100, 50));
    AdjustTint(b, c.degrees);
    EXPECT_EQ(b.pixel(0, 0), c.expected) << c.degrees;
  }
}

TEST(AdjustTint, GreysStayGrey) {
  for (int v : {0, 1, 77, 128, 254, 255}) {
    Bitmap b(3, 2, rgb(v, v, v));
    AdjustTint(b, 75);
    EXPECT_EQ(b.pixel(2, 1), rgb(v, v, v)) << v;
  }
}

// The formula read literally, one pixel at a time.
Bgr tintReference(Bgr p, double degrees) {
  const float t = static_cast<float>(degrees) * 3.14159f / 180.0f;
  const float s = std::sin(t) * 256.0f, c = std::cos(t) * 256.0f;
  auto rnd = [](double x) { return static_cast<int>(std::nearbyint(x)); };
  const int y = rnd((30.0 * p.r + 59.0 * p.g + 11.0 * p.b) / 100.0);
  const int db = rnd((89.0 * p.b - 30.0 * p.r - 59.0 * p.g) / 100.0);
  const int dr = rnd((70.0 * p.r - 59.0 * p.g - 11.0 * p.b) / 100.0);
  const int u = rnd((s * static_cast<float>(db) + c * static_cast<float>(dr)) / 256.0f);
  const int v = rnd((c * static_cast<float>(db) - s * static_cast<float>(dr)) / 256.0f);
  return rgb(ClampByte(y + u), ClampByte(y + rnd((-51.0 * u - 19.0 * v) / 100.0)), ClampByte(y + v));
}

TEST(AdjustTint, MatchesTheFormulaEverywhere) {
  for (double degrees : {-195.0, -15.0, 45.0, 165.0}) {
    Bitmap b = colourRamp();
    const Bitmap original = b.clone();
    AdjustTint(b, degrees);
    for (int y = 0; y < b.height(); ++y) {
      for (int x = 0; x < b.width(); ++x) {
        ASSERT_EQ(b.pixel(x, y), tintReference(original.pixel(x, y), degrees)) << x << "," << y << " " << degrees;
      }
    }
  }
}

TEST(Colorize, IntegerHsvModel) {
  // Hue 45, saturation 99, value 99: p = 0, t = 99 − 147015 div 5940 = 75 → round(75 / 99 · 255) = 193.
  EXPECT_EQ(hsvToBgr(45, 99, 99), rgb(255, 193, 0));
  EXPECT_EQ(hsvToBgr(0, 0, 99), rgb(255, 255, 255));
  EXPECT_EQ(hsvToBgr(360, 99, 99), hsvToBgr(0, 99, 99));
  EXPECT_EQ(hsvToBgr(-195, 99, 99), hsvToBgr(165, 99, 99));
  EXPECT_EQ(hsvToBgr(120, 150, 200), hsvToBgr(120, 99, 99));  // clamped to 0..99
  EXPECT_EQ(hsvToBgr(240, 99, 99), rgb(0, 0, 255));
}

TEST(Colorize, SaturationAndValueClampAtTheVariantLimits) {
  // Variant 8: hue 45, saturation 100 (clamped to 99), factor 1.5. Grey 169 has level 66 → value 99,
  // grey 168 has level 65 → value trunc(97.5) = 97.
  Bitmap b(3, 1);
  b.setPixel(0, 0, kWhite);
  b.setPixel(1, 0, rgb(169, 169, 169));
  b.setPixel(2, 0, rgb(168, 168, 168));
  Colorize(b, 45, 100, 1.5);
  EXPECT_EQ(b.pixel(0, 0), rgb(255, 193, 0));
  EXPECT_EQ(b.pixel(1, 0), rgb(255, 193, 0));
  EXPECT_EQ(b.pixel(2, 0), hsvToBgr(45, 99, 97));
  EXPECT_NE(b.pixel(2, 0), b.pixel(1, 0));
}

TEST(AdjustSaturation, FactorAroundTheLuma) {
  // (200, 100, 40): Y = 60 + 59 + 4.4 = 123.4.
  struct Case {
    double amount;
    Bgr expected;
  } cases[] = {
      {0, rgb(200, 100, 40)},
      {-100, rgb(123, 123, 123)},
      {100, rgb(255, 77, 0)},  // 2·ch − Y: 276.6, 76.6, −43.4
  };
  for (const Case& c : cases) {
    Bitmap b = onePixel(rgb(200, 100, 40));
    AdjustSaturation(b, c.amount);
    EXPECT_EQ(b.pixel(0, 0), c.expected) << c.amount;
  }
}

TEST(AdjustSaturation, ExactRoundingOnEveryPixel) {
  // Y + k·(x − Y) in exact rationals: N / 10000 rounded half to even.
  for (int amount : {-100, -55, 45, 50, 120, 160}) {
    Bitmap b = colourRamp();
    const Bitmap original = b.clone();
    AdjustSaturation(b, amount);
    for (int y = 0; y < b.height(); ++y) {
      for (int x = 0; x < b.width(); ++x) {
        const Bgr p = original.pixel(x, y);
        const long long weighted = 30LL * p.r + 59LL * p.g + 11LL * p.b;
        auto expect = [&](int channel) {
          const long long n = 100LL * (amount + 100) * channel - amount * weighted;
          long long q = n >= 0 ? n / 10000 : -((-n + 9999) / 10000);
          const long long r = n - q * 10000;
          if (r > 5000 || (r == 5000 && q % 2 != 0)) ++q;
          return static_cast<int>(std::clamp<long long>(q, 0, 255));
        };
        const Bgr got = b.pixel(x, y);
        ASSERT_EQ(got.r, expect(p.r)) << amount << " at " << x << "," << y;
        ASSERT_EQ(got.g, expect(p.g)) << amount;
        ASSERT_EQ(got.b, expect(p.b)) << amount;
      }
    }
  }
}

TEST(AdjustBrightnessContrastSaturation, PresetsOnGrey) {
  // Preset 0 (70, 0, 0): gain 1.7 maps 100 to ((99 · 435 + 256) div 256) = 169.
  Bitmap b = onePixel(rgb(100, 100, 100));
  AdjustBrightnessContrastSaturation(b, 70, 0, 0);
  EXPECT_EQ(b.pixel(0, 0), rgb(169, 169, 169));
  // Brightness alone: 0 stays 0, v ≥ 1 becomes 1 + ⌊(v − 1) · f / 256⌋.
  Bitmap black = onePixel(kBlack);
  AdjustBrightnessContrastSaturation(black, 180, 0, 0);
  EXPECT_EQ(black.pixel(0, 0), kBlack);
  Bitmap one = onePixel(rgb(1, 2, 3));
  AdjustBrightnessContrastSaturation(one, 100, 0, 0);  // f = 512: 1, 3, 5
  EXPECT_EQ(one.pixel(0, 0), rgb(1, 3, 5));
}

TEST(AdjustBrightnessContrastSaturation, ContrastCurvePivotsAt170) {
  // c = 50: k = 1 / cos(π / 4) = √2; C(i) = round((i − 170)·√2 + 170).
  for (int v : {0, 100, 170, 200, 255}) {
    Bitmap b = onePixel(rgb(v, v, v));
    AdjustBrightnessContrastSaturation(b, 0, 50, 0);
    const int expected = std::clamp(static_cast<int>(std::nearbyint((v - 170) * std::sqrt(2.0) + 170)), 0, 255);
    EXPECT_EQ(b.pixel(0, 0).r, expected) << v;
  }
  // c = 100 counts as 99 (the curve stays finite); c = −100 flattens everything to about 170.
  Bitmap steep = onePixel(rgb(171, 171, 171));
  AdjustBrightnessContrastSaturation(steep, 0, 100, 0);
  EXPECT_EQ(steep.pixel(0, 0).r, static_cast<int>(std::nearbyint(1.0 / std::cos(99 * M_PI / 200.0) + 170)));
  Bitmap flat(2, 1);
  flat.setPixel(0, 0, kBlack);
  flat.setPixel(1, 0, kWhite);
  AdjustBrightnessContrastSaturation(flat, 0, -100, 0);
  EXPECT_EQ(flat.pixel(0, 0), rgb(170, 170, 170));
  EXPECT_EQ(flat.pixel(1, 0), rgb(170, 170, 170));
}

TEST(AdjustBrightnessContrastSaturation, SaturationStep) {
  // s = 100: sf = 512, S(v) = 2(v + 1); (200, 100, 40): m = 113, x' = 113 − 228 + 2(x + 1).
  Bitmap b = onePixel(rgb(200, 100, 40));
  AdjustBrightnessContrastSaturation(b, 0, 0, 100);
  EXPECT_EQ(b.pixel(0, 0), rgb(255, 87, 0));  // 287 → 255, 87, −33 → 0
  // s = −100 makes every channel the mean.
  Bitmap g = onePixel(rgb(200, 100, 40));
  AdjustBrightnessContrastSaturation(g, 0, 0, -100);
  EXPECT_EQ(g.pixel(0, 0), rgb(113, 113, 113));
  // s = 0 with b = c = 0 is exactly the identity.
  Bitmap ramp = colourRamp();
  const Bitmap original = ramp.clone();
  AdjustBrightnessContrastSaturation(ramp, 0, 0, 0);
  EXPECT_TRUE(ramp.samePixels(original));
}

TEST(WhiteBalance_coef, WarmAndCoolPresets) {
  Bitmap warm = onePixel(rgb(200, 200, 200));
  WhiteBalance_coef(warm, 1.7, 1.4, 1.0);
  EXPECT_EQ(warm.pixel(0, 0), rgb(255, 255, 200));
  Bitmap cool = onePixel(rgb(100, 100, 100));
  WhiteBalance_coef(cool, 1.7 - 11 / 15.0, 1.4 - 11 / 30.0, 1 + 11 / 25.0);
  EXPECT_EQ(cool.pixel(0, 0), rgb(96, 103, 144));  // trunc(96.67), trunc(103.33), trunc(144)
  Bitmap negative = onePixel(rgb(100, 100, 100));
  WhiteBalance_coef(negative, -1.0, 0.0, 2.0);
  EXPECT_EQ(negative.pixel(0, 0), rgb(0, 0, 200));
}

TEST(Contrast, StretchesAboutTheChannelMean) {
  // Two pixels 100 and 140: the mean is 120.
  struct Case {
    int amount;
    int low, high;
  } cases[] = {
      {0, 100, 140}, {10, 80, 160}, {50, 0, 240}, {-25, 110, 130}, {-100, 120, 120},
  };
  for (const Case& c : cases) {
    Bitmap b(2, 1);
    b.setPixel(0, 0, rgb(100, 100, 100));
    b.setPixel(1, 0, rgb(140, 140, 140));
    Contrast(b, c.amount);
    EXPECT_EQ(b.pixel(0, 0).g, c.low) << c.amount;
    EXPECT_EQ(b.pixel(1, 0).g, c.high) << c.amount;
  }
}

TEST(Contrast, MeanIsTakenFromIntegerRowAverages) {
  // Rows (0, 1) and (0, 1): each row averages 1 div 2 = 0, so the mean is 0, not 0.5, and
  // Contrast(10) doubles the values about 0.
  Bitmap b(2, 2);
  b.setPixel(1, 0, rgb(1, 1, 1));
  b.setPixel(1, 1, rgb(1, 1, 1));
  Contrast(b, 10);
  EXPECT_EQ(b.pixel(1, 0), rgb(2, 2, 2));
  EXPECT_EQ(b.pixel(0, 1), kBlack);
}

TEST(IntensityRGBall, NightVariantsOnWhite) {
  Bitmap v0 = onePixel(kWhite);
  IntensityRGBall(v0, -150, -150, -110);
  EXPECT_EQ(v0.pixel(0, 0), rgb(105, 105, 145));
  Bitmap v2 = onePixel(kWhite);
  IntensityRGBall(v2, -120, -150, -150);
  EXPECT_EQ(v2.pixel(0, 0), rgb(135, 105, 105));
  Bitmap up = onePixel(rgb(10, 200, 250));
  IntensityRGBall(up, 250, -250, 10);
  EXPECT_EQ(up.pixel(0, 0), rgb(255, 0, 255));
}

TEST(ConvertToGray, WeightedGrey) {
  EXPECT_EQ(after(rgb(200, 100, 50), ConvertToGray), rgb(117, 117, 117));  // 11700 div 100
  EXPECT_EQ(after(kWhite, ConvertToGray), kWhite);
  EXPECT_EQ(after(rgb(0, 0, 255), ConvertToGray), rgb(20, 20, 20));  // 2040 div 100
}

TEST(ConvertToBWThreshold, FixedAndMeanThresholds) {
  Bitmap b(2, 1);
  b.setPixel(0, 0, rgb(110, 110, 110));
  b.setPixel(1, 0, rgb(109, 109, 109));
  Bitmap fixed = b.clone();
  ConvertToBWThreshold(fixed, 110);
  EXPECT_EQ(fixed.pixel(0, 0), kWhite);
  EXPECT_EQ(fixed.pixel(1, 0), kBlack);
  // Mean threshold: channel means (110 + 109) div 2 = 109, grey 109, so both pixels are white.
  ConvertToBWThreshold(b, -1);
  EXPECT_EQ(b.pixel(0, 0), kWhite);
  EXPECT_EQ(b.pixel(1, 0), kWhite);
}

TEST(Negative, InvertsAndTwiceIsIdentity) {
  EXPECT_EQ(after(rgb(0, 100, 255), Negative), rgb(255, 155, 0));
  Bitmap ramp = colourRamp();
  const Bitmap original = ramp.clone();
  Negative(ramp);
  Negative(ramp);
  EXPECT_TRUE(ramp.samePixels(original));
}

TEST(HSLVariation, ZeroIsIdentityAndExtremesReachTheirLimits) {
  Bitmap ramp = colourRamp();
  const Bitmap original = ramp.clone();
  HSLVariation(ramp, 0, 0, 0);
  EXPECT_TRUE(ramp.samePixels(original));
  HSLVariation(ramp, 360, 0, 0);
  EXPECT_TRUE(ramp.samePixels(original));

  Bitmap grey = onePixel(rgb(200, 100, 40));
  HSLVariation(grey, 0, -100, 0);
  EXPECT_EQ(grey.pixel(0, 0), rgb(120, 120, 120));  // lightness (200 + 40) / 2
  Bitmap white = onePixel(rgb(200, 100, 40));
  HSLVariation(white, 0, 0, 100);
  EXPECT_EQ(white.pixel(0, 0), kWhite);
  Bitmap black = onePixel(rgb(200, 100, 40));
  HSLVariation(black, 0, 0, -100);
  EXPECT_EQ(black.pixel(0, 0), kBlack);
  Bitmap red = onePixel(rgb(255, 0, 0));
  HSLVariation(red, 120, 0, 0);
  EXPECT_EQ(red.pixel(0, 0), rgb(0, 255, 0));
  HSLVariation(red, -240, 0, 0);
  EXPECT_EQ(red.pixel(0, 0), rgb(0, 0, 255));
}

TEST(HSLVariation, LighterKeepsOrder) {
  Bitmap ramp = colourRamp();
  const Bitmap original = ramp.clone();
  HSLVariation(ramp, 0, 0, 40);
  for (int x = 0; x < ramp.width(); ++x) {
    const Bgr a = original.pixel(x, 10), b = ramp.pixel(x, 10);
    EXPECT_GE(b.r + b.g + b.b, a.r + a.g + a.b);
  }
}

}  // namespace
}  // namespace virmeya
