// Apply: the effect from the committed photo, the processing areas and the opacity blend.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "algorithms/colour_effects.h"
#include "effects/apply.h"
#include "effects/thumbnails.h"
#include "imaging/codecs/codecs.h"

namespace virmeya {
namespace {

constexpr EffectChoice kSolarize20{0, 4, 0};   // step 20
constexpr EffectChoice kGreyed{0, 3, 0};       // saturation −100

Bitmap makePhoto(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y, rgb(static_cast<std::uint8_t>((x * 37 + y * 11) % 256), static_cast<std::uint8_t>((x * 5 + y * 29) % 256),
                           static_cast<std::uint8_t>((x * 13 + y * 3 + 100) % 256)));
  return b;
}

Bitmap solarized(const Bitmap& photo) {
  Bitmap b = photo.clone();
  SolarizeEffect(b, 20, false);
  return b;
}

// effect + floor(w · (photo − effect) / 256) per channel.
Bgr blend(Bgr effect, Bgr photo, int w) {
  auto one = [w](int e, int p) { return static_cast<std::uint8_t>(e + ((w * (p - e)) >> 8)); };
  return Bgr{one(effect.b, photo.b), one(effect.g, photo.g), one(effect.r, photo.r)};
}

struct Fixture : ::testing::Test {
  Fixture() {
    content.dir = std::filesystem::temp_directory_path() /
                  (std::string("virmeya-apply-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(content.dir);
  }
  ~Fixture() override { std::filesystem::remove_all(content.dir); }
  void putArea(const char* name, const Bitmap& picture) {
    const auto path = content.area(name);
    std::filesystem::create_directories(path.parent_path());
    const auto bytes = encodePicture(picture, PictureFormat::Png);  // recognised by content, whatever the name
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ApplyOutcome apply(LayeredImage& doc, const Bitmap& committed, EffectChoice choice) {
    return applyEffect(doc, committed, choice, EffectContext{panel, setup, content});
  }
  EffectsPanel panel;
  FilterSetupValues setup;
  ContentRoot content;
};

TEST(BorderArea, BandAndContourWidthsRoundHalvesToEven) {
  struct Case {
    int width, e;
  };
  for (Case c : {Case{7, 0}, Case{8, 1}, Case{50, 4}, Case{100, 7}, Case{150, 10}, Case{151, 11}, Case{6000, 420}}) {
    EXPECT_EQ(borderBand(c.width), c.e) << c.width;
  }
  EXPECT_EQ(contourWidth(10), 0);   // 0.5 → 0
  EXPECT_EQ(contourWidth(11), 1);
  EXPECT_EQ(contourWidth(30), 2);   // 1.5 → 2
  EXPECT_EQ(contourWidth(50), 2);   // 2.5 → 2
  EXPECT_EQ(contourWidth(420), 21);
}

TEST(AreaMasks, FileNamesAreThoseOfTheOppositeRegion) {
  EXPECT_STREQ(areaMaskFile(ProcessingArea::Upper), "Down.jpg");
  EXPECT_STREQ(areaMaskFile(ProcessingArea::Lower), "Up.jpg");
  EXPECT_STREQ(areaMaskFile(ProcessingArea::Centre), "Edges.jpg");
  EXPECT_STREQ(areaMaskFile(ProcessingArea::Oval), "VinMax.jpg");
  EXPECT_STREQ(areaMaskFile(ProcessingArea::Borders), "");
}

TEST_F(Fixture, WholePhotoWithoutOpacityIsTheEffectAlone) {
  const Bitmap committed = makePhoto(20, 10);
  LayeredImage doc;
  doc.setPhoto(makePhoto(3, 3));  // an earlier, not yet accepted result
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  EXPECT_TRUE(doc.photo().bitmap.samePixels(solarized(committed)));
  EXPECT_EQ(doc.layerCount(), 1);
  panel.opasCheck = true;  // checked with OpasBar at 0: still no blend
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  EXPECT_TRUE(doc.photo().bitmap.samePixels(solarized(committed)));
}

TEST_F(Fixture, TwoAppliesInARowShowOnlyTheSecond) {
  const Bitmap committed = makePhoto(16, 9);
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kGreyed));
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  EXPECT_TRUE(doc.photo().bitmap.samePixels(solarized(committed)));
}

TEST_F(Fixture, OpacityBlendsTheUntouchedPhotoOver) {
  const Bitmap committed = makePhoto(24, 12);
  const Bitmap effect = solarized(committed);
  panel.opasCheck = true;
  panel.opasBar = 100;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 24; ++x)
      ASSERT_EQ(doc.photo().bitmap.pixel(x, y), blend(effect.pixel(x, y), committed.pixel(x, y), 100));
}

TEST_F(Fixture, Opacity255IsWithinOneLevelOfThePhoto) {
  const Bitmap committed = makePhoto(40, 20);
  const Bitmap effect = solarized(committed);
  panel.opasCheck = true;
  panel.opasBar = 255;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      const Bgr r = doc.photo().bitmap.pixel(x, y), p = committed.pixel(x, y), e = effect.pixel(x, y);
      const std::uint8_t rc[] = {r.b, r.g, r.r}, pc[] = {p.b, p.g, p.r}, ec[] = {e.b, e.g, e.r};
      for (int c = 0; c < 3; ++c) {
        // One level below, and only where the photo is brighter than the effect.
        EXPECT_EQ(rc[c], pc[c] > ec[c] ? pc[c] - 1 : pc[c]);
      }
    }
  }
}

TEST_F(Fixture, AreasIgnoreTheOpacity) {
  const Bitmap committed = makePhoto(60, 30);
  panel.areaBox = 5;
  LayeredImage plain;
  ASSERT_TRUE(apply(plain, committed, kSolarize20));
  panel.opasCheck = true;
  panel.opasBar = 200;
  LayeredImage withOpacity;
  ASSERT_TRUE(apply(withOpacity, committed, kSolarize20));
  EXPECT_TRUE(plain.photo().bitmap.samePixels(withOpacity.photo().bitmap));
}

TEST_F(Fixture, BordersKeepTheInnerRectangleIncludingBothCorners) {
  // A portrait photo: e = round(0.07 · 60) = 4 on all four sides, from the width alone.
  const Bitmap committed = makePhoto(60, 100);
  const Bitmap effect = solarized(committed);
  panel.areaBox = 5;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  const Bitmap& r = doc.photo().bitmap;
  const int e = 4;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 60; ++x) {
      const bool inside = x >= e && x <= 60 - e && y >= e && y <= 100 - e;
      ASSERT_EQ(r.pixel(x, y), blend(effect.pixel(x, y), committed.pixel(x, y), inside ? 255 : 0)) << x << "," << y;
    }
  }
}

TEST_F(Fixture, BordersOnANarrowPhotoKeepEverything) {
  const Bitmap committed = makePhoto(7, 30);  // e = 0: the whole mask is white
  const Bitmap effect = solarized(committed);
  panel.areaBox = 5;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(doc.photo().bitmap.pixel(x, y), blend(effect.pixel(x, y), committed.pixel(x, y), 255));
}

TEST_F(Fixture, ContourOfZeroWidthEqualsBorders) {
  const Bitmap committed = makePhoto(150, 40);  // e = 10, v = round(0.5) = 0
  panel.areaBox = 5;
  LayeredImage borders;
  ASSERT_TRUE(apply(borders, committed, kSolarize20));
  panel.areaBox = 6;
  LayeredImage contour;
  ASSERT_TRUE(apply(contour, committed, kSolarize20));
  EXPECT_TRUE(borders.photo().bitmap.samePixels(contour.photo().bitmap));
}

TEST_F(Fixture, ContourIsAWhiteLineJustOutsideTheKeptRectangle) {
  const Bitmap committed = makePhoto(400, 300);  // e = 28, v = round(1.4) = 1
  const Bitmap effect = solarized(committed);
  panel.areaBox = 6;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  const Bitmap& r = doc.photo().bitmap;
  EXPECT_EQ(r.pixel(26, 150), effect.pixel(26, 150));  // the effect band
  EXPECT_EQ(r.pixel(27, 150), kWhite);                 // the contour, v = 1 wide
  EXPECT_EQ(r.pixel(373, 150), kWhite);                // W − e + v
  EXPECT_EQ(r.pixel(150, 27), kWhite);
  EXPECT_EQ(r.pixel(150, 273), kWhite);                // H − e + v
  EXPECT_EQ(r.pixel(374, 150), effect.pixel(374, 150));
  // Inside, the photo lies over white at weight 255: white + floor(255 · (p − 255) / 256) = p.
  EXPECT_EQ(r.pixel(28, 150), committed.pixel(28, 150));
  EXPECT_EQ(r.pixel(200, 100), committed.pixel(200, 100));
}

TEST_F(Fixture, MaskFilesAreStretchedWithoutFiltering) {
  Bitmap mask(2, 2);
  mask.setPixel(0, 0, rgb(0, 9, 9));
  mask.setPixel(1, 0, rgb(255, 9, 9));
  mask.setPixel(0, 1, rgb(100, 9, 9));
  mask.setPixel(1, 1, rgb(200, 9, 9));
  putArea("Down.jpg", mask);
  const Bitmap committed = makePhoto(5, 4);
  const Bitmap effect = solarized(committed);
  panel.areaBox = 1;
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, kSolarize20));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const int w = mask.pixel(x * 2 / 5, y * 2 / 4).r;  // the red channel is the weight
      ASSERT_EQ(doc.photo().bitmap.pixel(x, y), blend(effect.pixel(x, y), committed.pixel(x, y), w));
    }
  }
  EXPECT_TRUE(areaMask(ProcessingArea::Upper, 5, 4, &mask).samePixels([&] {
    Bitmap m(5, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        const std::uint8_t v = mask.pixel(x * 2 / 5, y * 2 / 4).r;
        m.setPixel(x, y, Bgr{v, v, v});
      }
    return m;
  }()));
}

TEST_F(Fixture, AMissingMaskChangesNothingAndNamesTheFile) {
  const Bitmap committed = makePhoto(10, 10);
  LayeredImage doc;
  doc.setPhoto(makePhoto(4, 4));
  const Bitmap before = doc.photo().bitmap.clone();
  panel.areaBox = 4;
  const ApplyOutcome outcome = apply(doc, committed, kSolarize20);
  EXPECT_FALSE(outcome);
  EXPECT_NE(outcome.message.find("VinMax.jpg"), std::string::npos);
  EXPECT_TRUE(doc.photo().bitmap.samePixels(before));
}

TEST_F(Fixture, AMissingOverlayChangesNothingAndNamesTheFile) {
  const Bitmap committed = makePhoto(10, 10);
  LayeredImage doc;
  doc.setPhoto(makePhoto(4, 4));
  const Bitmap before = doc.photo().bitmap.clone();
  const ApplyOutcome outcome = apply(doc, committed, EffectChoice{0, 2, 6});
  EXPECT_FALSE(outcome);
  EXPECT_NE(outcome.message.find("6.jpg"), std::string::npos);
  EXPECT_TRUE(doc.photo().bitmap.samePixels(before));
  setup.gradientNat = true;  // the offset tint reads the full-size set
  EXPECT_FALSE(apply(doc, committed, EffectChoice{0, 2, 6}));
  EXPECT_TRUE(doc.photo().bitmap.samePixels(before));
}

TEST_F(Fixture, GradientNatSwitchesToTheOffsetTint) {
  std::filesystem::create_directories(content.overlay(kGradientsKind, false, 1).parent_path());
  const auto bytes = encodePicture(Bitmap(4, 4, rgb(255, 180, 0)), PictureFormat::Png);
  std::ofstream(content.overlay(kGradientsKind, false, 1), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const Bitmap committed(6, 6, rgb(100, 100, 100));
  LayeredImage doc;
  ASSERT_TRUE(apply(doc, committed, EffectChoice{0, 2, 1}));
  EXPECT_EQ(doc.photo().bitmap.pixel(3, 3), rgb(128, 90, 0));  // brightness tint: S = 300, x = ½
  setup.gradientNat = true;
  ASSERT_TRUE(apply(doc, committed, EffectChoice{0, 2, 1}));
  EXPECT_EQ(doc.photo().bitmap.pixel(3, 3), rgb(160, 100, 0));  // offset tint, strength 80
}

TEST_F(Fixture, UnbuiltEffectsAndBadChoicesAreRefused) {
  const Bitmap committed = makePhoto(10, 10);
  LayeredImage doc;
  doc.setPhoto(committed.clone());
  const ApplyOutcome unbuilt = apply(doc, committed, EffectChoice{2, 0, 3});
  EXPECT_FALSE(unbuilt);
  EXPECT_EQ(unbuilt.message, kNotAvailableYet);
  EXPECT_FALSE(apply(doc, committed, EffectChoice{0, 0, 14}));  // fourteen variants, 0..13
  EXPECT_FALSE(apply(doc, committed, EffectChoice{9, 0, 0}));
  EXPECT_EQ(apply(doc, committed, EffectChoice{1, 3, 0}).message, kNotAvailableYet);  // ColorNat off
  EXPECT_TRUE(doc.photo().bitmap.samePixels(committed));
}

TEST(LimitEffect, AResultOfAnotherSizeMergesOverTheLargerExtent) {
  // An effect that turned the photo: layer 0 is 3 × 5, the committed photo 5 × 3.
  const Bitmap committed = makePhoto(5, 3);
  LayeredImage doc;
  doc.setBackground(rgb(1, 2, 3));
  doc.setPhoto(Bitmap(3, 5, kBlack));
  EffectsPanel panel;
  panel.opasCheck = true;
  panel.opasBar = 128;
  limitEffect(doc, committed, panel, nullptr);
  const Bitmap& r = doc.photo().bitmap;
  ASSERT_EQ(r.width(), 5);
  ASSERT_EQ(r.height(), 5);
  EXPECT_EQ(r.pixel(4, 4), rgb(1, 2, 3));                               // covered by neither
  EXPECT_EQ(r.pixel(0, 4), kBlack);                                     // the effect alone
  EXPECT_EQ(r.pixel(1, 1), blend(kBlack, committed.pixel(1, 1), 128));  // both
  EXPECT_EQ(r.pixel(4, 0), blend(rgb(1, 2, 3), committed.pixel(4, 0), 128));
}

TEST(Thumbnails, BaseSizeAndCellFit) {
  EXPECT_EQ(thumbnailBaseSize(6000, 4000), std::make_pair(200, 133));
  EXPECT_EQ(thumbnailBaseSize(500, 500), std::make_pair(200, 200));
  EXPECT_EQ(thumbnailBaseSize(3000, 4000), std::make_pair(150, 200));
  EXPECT_EQ(thumbnailBaseSize(10000, 20), std::make_pair(200, 1));
  EXPECT_EQ(stripCellSize(200, 133), std::make_pair(127, 84));
  EXPECT_EQ(stripCellSize(150, 200), std::make_pair(75, 100));
  EXPECT_EQ(stripCellSize(1, 1), std::make_pair(100, 100));
}

TEST(Thumbnails, AStripHoldsOneThumbnailPerVariantInOrder) {
  const Bitmap photo = makePhoto(300, 120);
  EffectsPanel panel;
  FilterSetupValues setup;
  ContentRoot content;
  const EffectContext context{panel, setup, content};
  const StripContent strip = fillStrip(photo, 0, 3, context);
  ASSERT_EQ(strip.thumbnails.size(), 14u);
  EXPECT_TRUE(strip.error.empty());
  const Bitmap base = thumbnailBase(photo);
  EXPECT_EQ(base.width(), 200);
  EXPECT_EQ(base.height(), 80);
  EXPECT_TRUE(strip.thumbnails[5].samePixels(base));  // saturation 0
  Bitmap expected = base.clone();
  SaturationVariant(expected, 9);
  EXPECT_TRUE(strip.thumbnails[9].samePixels(expected));
  EXPECT_TRUE(fillStrip(photo, 3, 3, context).thumbnails.empty());  // a panel effect
}

TEST(Thumbnails, AMissingOverlayIsReportedOnceAndTheSlotsStayFilled) {
  const Bitmap photo = makePhoto(50, 40);
  EffectsPanel panel;
  FilterSetupValues setup;
  ContentRoot content{std::filesystem::temp_directory_path() / "virmeya-no-content-here"};
  const StripContent strip = fillStrip(photo, 0, 2, EffectContext{panel, setup, content});
  EXPECT_EQ(strip.thumbnails.size(), 14u);
  EXPECT_NE(strip.error.find("Small"), std::string::npos);
}

}  // namespace
}  // namespace virmeya
