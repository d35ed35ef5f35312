// Every operation on tiny and very narrow pictures: no crash, the promised size, determinism.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/ops/auto_correct.h"
#include "imaging/ops/colour_adjust.h"
#include "imaging/ops/filters.h"
#include "imaging/ops/geometry.h"

namespace virmeya {
namespace {

struct Op {
  std::string name;
  std::function<Bitmap(const Bitmap&)> run;
};

Op inPlace(std::string name, std::function<void(Bitmap&)> f) {
  return {std::move(name), [f](const Bitmap& b) {
            Bitmap c = b.clone();
            f(c);
            return c;
          }};
}

std::vector<Op> everyOperation() {
  return {
      inPlace("AdjustTint", [](Bitmap& b) { AdjustTint(b, 75); }),
      inPlace("Colorize", [](Bitmap& b) { Colorize(b, 35, 50, 1.1); }),
      inPlace("AdjustSaturation", [](Bitmap& b) { AdjustSaturation(b, 45); }),
      inPlace("AdjustBrightnessContrastSaturation", [](Bitmap& b) { AdjustBrightnessContrastSaturation(b, 70, 60, 120); }),
      inPlace("WhiteBalance_coef", [](Bitmap& b) { WhiteBalance_coef(b, 1.7, 1.4, 1); }),
      inPlace("Contrast", [](Bitmap& b) { Contrast(b, -40); }),
      inPlace("IntensityRGBall", [](Bitmap& b) { IntensityRGBall(b, 10, -20, 30); }),
      inPlace("ConvertToGray", [](Bitmap& b) { ConvertToGray(b); }),
      inPlace("ConvertToBWThreshold", [](Bitmap& b) { ConvertToBWThreshold(b, -1); }),
      inPlace("Negative", [](Bitmap& b) { Negative(b); }),
      inPlace("HSLVariation", [](Bitmap& b) { HSLVariation(b, 40, 20, -10); }),
      inPlace("ConvertTo", [](Bitmap& b) { ConvertTo(b, 4); }),
      inPlace("Blur", [](Bitmap& b) { Blur(b, 3.5); }),
      inPlace("BoxBlur", [](Bitmap& b) { BoxBlur(b); }),
      inPlace("Sobel", [](Bitmap& b) { Sobel(b); }),
      inPlace("Sharpen", [](Bitmap& b) { Sharpen(b, 10, 4); }),
      inPlace("Flip", [](Bitmap& b) { Flip(b, FlipDirection::Horizontal); }),
      inPlace("Wave", [](Bitmap& b) { Wave(b, 3, 5, 30, false); }),
      inPlace("WaveReflective", [](Bitmap& b) { Wave(b, 3, 5, 30, true); }),
      inPlace("InnerShadow", [](Bitmap& b) { InnerShadow(b, 4, kBlack); }),
      inPlace("AutoLevels", [](Bitmap& b) { AutoLevels(b); }),
      inPlace("AutoWhiteBalance", [](Bitmap& b) { AutoWhiteBalance(b); }),
      inPlace("Equalize", [](Bitmap& b) { Equalize(b); }),
      inPlace("AutoEnhance", [](Bitmap& b) { AutoEnhance(b); }),
      inPlace("Wallis", [](Bitmap& b) { Wallis(b); }),
      {"Rotate45", [](const Bitmap& b) { return Rotate(b, 45, true, kWhite); }},
      {"Rotate-30", [](const Bitmap& b) { return Rotate(b, -30, false, kWhite); }},
      {"Rotate90", [](const Bitmap& b) { return Rotate(b, 90, true, kWhite); }},
      {"Crop", [](const Bitmap& b) { return Crop(b, 0, 0, 2, 2); }},
      {"ResampleNoFilter", [](const Bitmap& b) { return ResampleNoFilter(b, 7, 3); }},
      {"ResampleBicubicUp", [](const Bitmap& b) { return Resample(b, 9, 5, ResampleFilter::Bicubic); }},
      {"ResampleMitchellDown", [](const Bitmap& b) { return Resample(b, 1, 1, ResampleFilter::Mitchell); }},
      {"ResampleBell", [](const Bitmap& b) { return Resample(b, b.width() * 3, 2, ResampleFilter::Bell); }},
      {"SoftShadow", [](const Bitmap& b) { return SoftShadow(b, 3, 2, -1, kBlack, 80); }},
  };
}

Bitmap pattern(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.setPixel(x, y, rgb(static_cast<std::uint8_t>(x * 53 + y), static_cast<std::uint8_t>(y * 31), static_cast<std::uint8_t>(x ^ y)));
  }
  return b;
}

TEST(EveryOperation, SurvivesTinyAndNarrowPicturesDeterministically) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {300, 2}, {2, 300}, {67, 45}}) {
    const Bitmap src = pattern(w, h);
    for (const Op& op : everyOperation()) {
      const Bitmap a = op.run(src);
      const Bitmap b = op.run(src);
      ASSERT_FALSE(a.empty()) << op.name << " " << w << "x" << h;
      EXPECT_TRUE(a.samePixels(b)) << op.name << " " << w << "x" << h;
    }
  }
}

TEST(EveryOperation, KeepsTheSizeUnlessItSaysOtherwise) {
  const Bitmap src = pattern(67, 45);
  for (const Op& op : everyOperation()) {
    const Bitmap out = op.run(src);
    if (op.name.rfind("Rotate", 0) == 0 || op.name.rfind("Resample", 0) == 0 || op.name == "Crop" || op.name == "SoftShadow") continue;
    EXPECT_EQ(out.width(), 67) << op.name;
    EXPECT_EQ(out.height(), 45) << op.name;
  }
}

}  // namespace
}  // namespace virmeya
