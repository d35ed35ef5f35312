// The colour effects and the overlay tints against their own arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "algorithms/colour_effects.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"
#include "imaging/ops/colour_adjust.h"

namespace virmeya {
namespace {

Bitmap strip(std::initializer_list<Bgr> colours) {
  Bitmap b(static_cast<int>(colours.size()), 1);
  int x = 0;
  for (Bgr c : colours) b.setPixel(x++, 0, c);
  return b;
}

Bgr grey(int v) { return Bgr{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v)}; }

// A scratch content root that removes itself.
struct ScratchContent {
  ScratchContent() {
    root.dir = std::filesystem::temp_directory_path() /
               ("virmeya-colour-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root.dir);
  }
  ~ScratchContent() { std::filesystem::remove_all(root.dir); }
  // Writes a lossless picture under the overlay's ".jpg" name: pictures are recognised by content.
  void putOverlay(std::string_view kind, bool thumbnail, int index, const Bitmap& picture) const {
    const auto path = root.overlay(kind, thumbnail, index);
    std::filesystem::create_directories(path.parent_path());
    const auto bytes = encodePicture(picture, PictureFormat::Png);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  ContentRoot root;
};

TEST(ColourVariants, HueAnglesAreTheFourteenOddMultiplesOf15) {
  std::vector<int> angles;
  for (int i = 0; i < kColourVariantCount; ++i) angles.push_back(tintDegreesForVariant(i));
  const std::vector<int> expected = {-195, -165, -135, -105, -75, -45, -15, 15, 45, 75, 105, 135, 165, 195};
  EXPECT_EQ(angles, expected);
  EXPECT_EQ(std::count(angles.begin(), angles.end(), 0), 0);  // never the unchanged photo
}

TEST(ColourVariants, ParameterRanges) {
  EXPECT_EQ(saturationForVariant(0), -100);
  EXPECT_EQ(saturationForVariant(5), 0);
  EXPECT_EQ(saturationForVariant(13), 160);
  EXPECT_EQ(solarizeStepForVariant(0), 20);
  EXPECT_EQ(solarizeStepForVariant(13), 150);
  EXPECT_EQ(colorizeForVariant(0).saturation, 20);
  EXPECT_EQ(colorizeForVariant(13).saturation, 150);
  EXPECT_EQ(colorizeForVariant(7).hue, 15);
  EXPECT_DOUBLE_EQ(colorizeForVariant(3).lightnessFactor, 1.5);
}

TEST(ColourVariants, TintVariantIsTheHueRotationOfItsAngle) {
  for (int i : {0, 6, 7, 13}) {
    Bitmap a = strip({rgb(200, 40, 10), rgb(10, 120, 250), rgb(90, 90, 90), rgb(255, 255, 0)});
    Bitmap b = a.clone();
    TintVariant(a, i);
    AdjustTint(b, 30 * i - 195);
    EXPECT_TRUE(a.samePixels(b)) << "variant " << i;
  }
}

TEST(ColourVariants, SaturationIndexFiveUnchangedAndZeroGrey) {
  const Bitmap original = strip({rgb(200, 40, 10), rgb(10, 120, 250), rgb(1, 254, 128)});
  Bitmap same = original.clone();
  SaturationVariant(same, 5);
  EXPECT_TRUE(same.samePixels(original));

  Bitmap greyed = original.clone();
  SaturationVariant(greyed, 0);
  for (int x = 0; x < greyed.width(); ++x) {
    const Bgr p = greyed.pixel(x, 0), o = original.pixel(x, 0);
    EXPECT_EQ(p.r, p.g);
    EXPECT_EQ(p.g, p.b);
    // Y = 0.3·R + 0.59·G + 0.11·B, rounded.
    EXPECT_NEAR(p.r, 0.3 * o.r + 0.59 * o.g + 0.11 * o.b, 0.5001);
  }
}

TEST(ColourVariants, ColorizeSaturationStopsAt99AndBrightGreysReachFullValue) {
  const Bitmap original = strip({rgb(200, 40, 10), rgb(10, 120, 250), grey(180), grey(255)});
  Bitmap eight = original.clone(), thirteen = original.clone();
  ColorizeVariant(eight, 8);      // saturation 100 → 99
  Colorize(thirteen, 30 * 8 - 195, 99, 1.5);
  EXPECT_TRUE(eight.samePixels(thirteen));
  // Grey level (21·R + 71·G + 8·B) div 256 of 180 grey is 70 ≥ 66: full value after ×1.5.
  Bitmap bright = strip({grey(180)});
  ColorizeVariant(bright, 4);
  const Bgr p = bright.pixel(0, 0);
  EXPECT_EQ(std::max({p.r, p.g, p.b}), 255);
}

TEST(Solarize, StepTwentyAndThirtyWithTheirTies) {
  struct Case {
    int step, in, out;
  };
  const Case cases[] = {{20, 249, 240}, {20, 250, 240}, {20, 251, 4},  {20, 255, 4}, {20, 10, 0},
                        {20, 30, 40},   {30, 251, 240}, {30, 10, 0},   {30, 15, 0},  {30, 45, 60},
                        {150, 0, 0},    {150, 100, 150}, {150, 255, 44}, {150, 225, 44}};
  for (const Case& c : cases) {
    Bitmap b = strip({grey(c.in)});
    SolarizeEffect(b, c.step, false);
    EXPECT_EQ(b.pixel(0, 0), grey(c.out)) << "step " << c.step << " value " << c.in;
  }
}

TEST(Solarize, EveryStepAndValueFollowsTheRule) {
  Bitmap all(256, 1);
  for (int v = 0; v < 256; ++v) all.setPixel(v, 0, grey(v));
  for (int step = 1; step <= 300; ++step) {
    Bitmap b = all.clone();
    SolarizeEffect(b, step, false);
    for (int v = 0; v < 256; ++v) {
      const long long expected = (step * std::llrint(static_cast<double>(v) / step)) % 256;
      ASSERT_EQ(b.pixel(v, 0).r, expected) << "step " << step << " value " << v;
    }
  }
}

TEST(Solarize, OnThePhotoTheBarCountsRowsAndIsResetAfterwards) {
  Bitmap b(5, 37, grey(100));
  Progress progress;
  SolarizeEffect(b, 20, true, &progress);
  EXPECT_FALSE(progress.visible());
  EXPECT_EQ(progress.maximum(), 100);
  EXPECT_EQ(progress.position(), 0);
  EXPECT_EQ(b.pixel(4, 36), grey(100));
}

TEST(BrightnessTint, KeepsOnlyThePhotosBrightness) {
  const Bgr gradient = rgb(100, 30, 200);
  Bitmap overlay(1, 1, gradient);
  // Black stays black; S = 600 takes the overlay exactly; white multiplies it by 1.275.
  Bitmap photo = strip({kBlack, rgb(200, 200, 200), kWhite, rgb(255, 255, 90)});
  brightnessTint(photo, overlay);
  EXPECT_EQ(photo.pixel(0, 0), kBlack);
  EXPECT_EQ(photo.pixel(1, 0), gradient);
  EXPECT_EQ(photo.pixel(2, 0), rgb(128, 38, 255));  // 127.5 → 128 (even), 38.25, 255 clamped
  EXPECT_EQ(photo.pixel(3, 0), gradient);           // any pixel with S = 600
}

TEST(BrightnessTint, HalvesRoundToEven) {
  Bitmap overlay(1, 1, rgb(1, 3, 5));
  Bitmap photo = strip({rgb(100, 100, 100)});  // S = 300, x = ½
  brightnessTint(photo, overlay);
  EXPECT_EQ(photo.pixel(0, 0), rgb(0, 2, 2));  // 0.5 → 0, 1.5 → 2, 2.5 → 2
}

TEST(BrightnessTint, FactorScalesTheSum) {
  Bitmap overlay(1, 1, rgb(100, 100, 100));
  Bitmap photo = strip({rgb(200, 200, 200)});
  brightnessTint(photo, overlay, 180);  // x = 600 · 1.8 / 600
  EXPECT_EQ(photo.pixel(0, 0), grey(180));
}

TEST(OffsetTint, NeutralGreyLeavesThePhotoAndExtremesShiftIt) {
  const Bitmap original = strip({rgb(10, 128, 250), rgb(0, 255, 77), rgb(200, 100, 3)});
  Bitmap same = original.clone();
  offsetTint(same, Bitmap(7, 3, grey(kNeutralOverlayLevel)), kOffsetTintStrength);
  EXPECT_TRUE(same.samePixels(original));

  Bitmap shifted = strip({grey(100), grey(100)});
  Bitmap overlay = strip({grey(255), grey(0)});
  offsetTint(shifted, overlay, 80);
  EXPECT_EQ(shifted.pixel(0, 0), grey(160));  // + 60
  EXPECT_EQ(shifted.pixel(1, 0), grey(0));    // − 144, clamped
}

TEST(OffsetTint, EachChannelTakesItsOwnOffsetAndTheFactorScalesAfter) {
  Bitmap photo = strip({rgb(100, 100, 100)});
  offsetTint(photo, strip({rgb(190, 180, 170)}), 100, 131);
  EXPECT_EQ(photo.pixel(0, 0), rgb(144, 131, 118));  // 110·1.31 = 144.1, 100·1.31, 90·1.31 = 117.9
}

// The rounded quotient n / d, halves to the even neighbour, by long division: the slow reference
// the fast tints are held to.
int roundedQuotient(long n, long d) {
  long q = n / d, r = n % d;
  if (r < 0) {
    q -= 1;
    r += d;
  }
  if (2 * r > d || (2 * r == d && q % 2 != 0)) ++q;
  return static_cast<int>(q);
}
std::uint8_t clampByte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

TEST(BrightnessTint, EverySumAndOverlayValueAgreesWithTheSlowRule) {
  // Row = overlay value, column = S; the photo's three channels share S out differently per row,
  // and the widths cover whole vector lanes and leftovers alike.
  for (int width : {766, 7}) {
    Bitmap photo(width, 256), overlay(width, 256);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < width; ++x) {
        const int sum = width == 766 ? x : (x * 109 + y * 3) % 766;
        const int r = std::min(sum, 255), g = std::min(std::max(sum - 255, 0), 255), b = std::max(sum - 510, 0);
        photo.setPixel(x, y, (y & 1) ? rgb(clampByte(b), clampByte(r), clampByte(g)) : rgb(clampByte(r), clampByte(g), clampByte(b)));
        overlay.setPixel(x, y, rgb(clampByte(y), clampByte(255 - y), clampByte((y * 7 + x) & 255)));
      }
    }
    const Bitmap original = photo.clone();
    brightnessTint(photo, overlay);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < width; ++x) {
        const Bgr p = original.pixel(x, y), o = overlay.pixel(x, y);
        const long sum = p.b + p.g + p.r;
        const Bgr want{clampByte(roundedQuotient(o.b * sum, 600)), clampByte(roundedQuotient(o.g * sum, 600)),
                       clampByte(roundedQuotient(o.r * sum, 600))};
        ASSERT_EQ(photo.pixel(x, y), want) << width << ": " << x << "," << y;
      }
    }
  }
}

TEST(OffsetTint, EveryChannelAndOverlayValueAgreesWithTheSlowRule) {
  Bitmap photo(256, 256), overlay(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      photo.setPixel(x, y, rgb(clampByte(x), clampByte(255 - x), clampByte((x + y) & 255)));
      overlay.setPixel(x, y, rgb(clampByte(y), clampByte(255 - y), clampByte((x * 5 + y) & 255)));
    }
  }
  // 80 is what Apply passes; 125 has halves to round; 300 overflows 16 bits; a factor scales after.
  struct Case {
    int strength, kPercent;
  };
  for (const Case c : {Case{80, 100}, Case{125, 100}, Case{37, 100}, Case{0, 100}, Case{300, 100}, Case{80, 131}}) {
    Bitmap tinted = photo.clone();
    offsetTint(tinted, overlay, c.strength, c.kPercent);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        const Bgr p = photo.pixel(x, y), o = overlay.pixel(x, y);
        auto channel = [&](int value, int ov) {
          const int d = roundedQuotient(static_cast<long>(ov - kNeutralOverlayLevel) * c.strength, 100);
          return clampByte(roundedQuotient(static_cast<long>(value + d) * c.kPercent, 100));
        };
        const Bgr want{channel(p.b, o.b), channel(p.g, o.g), channel(p.r, o.r)};
        ASSERT_EQ(tinted.pixel(x, y), want) << c.strength << "/" << c.kPercent << ": " << x << "," << y;
      }
    }
  }
}

TEST(Stretch, SameSizeIsACopyAndAUniformPictureStaysUniform) {
  Bitmap source(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) source.setPixel(x, y, rgb(static_cast<std::uint8_t>(x * 80), static_cast<std::uint8_t>(y * 200), 7));
  EXPECT_TRUE(stretchBilinear(source, 3, 2).samePixels(source));
  const Bitmap uniform = stretchBilinear(Bitmap(4, 3, rgb(9, 99, 199)), 101, 37);
  EXPECT_EQ(uniform.width(), 101);
  EXPECT_EQ(uniform.height(), 37);
  for (int y = 0; y < 37; ++y)
    for (int x = 0; x < 101; ++x) ASSERT_EQ(uniform.pixel(x, y), rgb(9, 99, 199));
}

TEST(Stretch, EnlargingInterpolatesBetweenNeighbours) {
  const Bitmap two = strip({grey(0), grey(200)});
  const Bitmap four = stretchBilinear(two, 4, 1);
  // Centres at −0.25, 0.25, 0.75, 1.25 of the source: 0, 50, 150, 200.
  EXPECT_EQ(four.pixel(0, 0), grey(0));
  EXPECT_EQ(four.pixel(1, 0), grey(50));
  EXPECT_EQ(four.pixel(2, 0), grey(150));
  EXPECT_EQ(four.pixel(3, 0), grey(200));
  // The row-by-row tint sees the same stretch as the stretched picture.
  Bitmap tinted(4, 1, rgb(200, 200, 200));
  brightnessTint(tinted, two);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(tinted.pixel(x, 0), four.pixel(x, 0));
}

TEST(Overlays, LoadStretchesToTheTargetWhateverItsProportions) {
  ScratchContent content;
  content.putOverlay(kGradientsKind, true, 7, Bitmap(20, 15, rgb(10, 200, 30)));
  const Bitmap b = LoadOverlayImage(content.root, kGradientsKind, true, 7, 33, 90);
  EXPECT_EQ(b.width(), 33);
  EXPECT_EQ(b.height(), 90);
  EXPECT_EQ(b.pixel(32, 89), rgb(10, 200, 30));
  EXPECT_EQ(content.root.overlay(kGradientsKind, true, 7), content.root.dir / "Data" / "Small" / "Gradients" / "7.jpg");
  EXPECT_EQ(content.root.overlay(kColorLightsKind, false, 13), content.root.dir / "Data" / "Full" / "ColorLights" / "13.jpg");
}

TEST(Overlays, AMissingFileIsReportedByNameAndTheTargetIsUntouched) {
  ScratchContent content;
  Bitmap photo(4, 4, rgb(1, 2, 3));
  try {
    GradientEffect(photo, 3, false, content.root);
    FAIL() << "no error";
  } catch (const ImagingError& e) {
    EXPECT_NE(std::string(e.what()).find("3.jpg"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Gradients"), std::string::npos);
  }
  EXPECT_EQ(photo.pixel(3, 3), rgb(1, 2, 3));
  EXPECT_THROW(OffsetTintEffect(photo, 0, OffsetTintSource::ColorLights, 80, content.root), ImagingError);
}

TEST(Overlays, GradientOnBlackIsBlackAndThumbnailsReadTheSmallSet) {
  ScratchContent content;
  content.putOverlay(kGradientsKind, true, 2, Bitmap(8, 6, rgb(250, 120, 0)));
  content.putOverlay(kGradientsKind, false, 2, Bitmap(16, 12, rgb(0, 120, 250)));
  Bitmap black(5, 5, kBlack);
  GradientEffect(black, 2, false, content.root);
  EXPECT_EQ(black.pixel(2, 2), kBlack);
  Bitmap thumb(5, 5, rgb(200, 200, 200));
  GradientEffect(thumb, 2, true, content.root);
  EXPECT_EQ(thumb.pixel(2, 2), rgb(250, 120, 0));
  Bitmap photo(5, 5, rgb(200, 200, 200));
  Progress progress;
  GradientEffect(photo, 2, false, content.root, &progress);
  EXPECT_EQ(photo.pixel(2, 2), rgb(0, 120, 250));
  EXPECT_FALSE(progress.visible());
}

TEST(Overlays, OffsetTintReadsTheFullSetOfItsSource) {
  ScratchContent content;
  content.putOverlay(kColorLightsKind, false, 4, Bitmap(9, 9, rgb(255, 180, 0)));
  Bitmap photo(3, 3, grey(100));
  OffsetTintEffect(photo, 4, OffsetTintSource::ColorLights, kOffsetTintStrength, content.root);
  EXPECT_EQ(photo.pixel(1, 1), rgb(160, 100, 0));
}

}  // namespace
}  // namespace virmeya
