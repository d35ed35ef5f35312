// The merge rule, merge extents, alpha from a mask and alpha flattening, with their own numbers.
#include <gtest/gtest.h>

#include "imaging/errors.h"
#include "imaging/layered_image.h"

using namespace virmeya;

namespace {

LayeredImage twoLayers(Bgr below, Bgr above, int transparency, BlendOp op = BlendOp::Copy) {
  LayeredImage doc;
  doc.setPhoto(Bitmap(4, 3, below));
  Layer& l = doc.addLayer(Bitmap(4, 3, above));
  l.transparency = transparency;
  l.op = op;
  return doc;
}

}  // namespace

TEST(MergeRule, WeightedCopyFloorsTowardMinusInfinity) {
  // result = below + floor(w · (above − below) / 256)
  struct Case { int below, above, w, expected; };
  const Case cases[] = {
      {100, 200, 255, 100 + (255 * 100) / 256},  // 199: full weight loses one level
      {200, 100, 255, 200 - 100},                // floor(−99.6) = −100 → exact
      {50, 50, 128, 50},
      {0, 255, 128, 127},                        // floor(127.5)
      {255, 0, 128, 127},                        // 255 + floor(−127.5) = 255 − 128
      {10, 20, 0, 10},                           // weight 0 is the identity
  };
  for (const Case& c : cases) {
    LayeredImage doc = twoLayers(Bgr{std::uint8_t(c.below), std::uint8_t(c.below), std::uint8_t(c.below)},
                                 Bgr{std::uint8_t(c.above), std::uint8_t(c.above), std::uint8_t(c.above)}, c.w);
    doc.mergeAll();
    EXPECT_EQ(doc.layerCount(), 1);
    EXPECT_EQ(doc.photo().bitmap.pixel(2, 1).g, c.expected) << c.below << " " << c.above << " " << c.w;
  }
}

TEST(MergeRule, OpacityFullLeavesAtMostOneLevel) {
  for (int below = 0; below < 256; below += 5) {
    for (int above = 0; above < 256; above += 7) {
      LayeredImage doc = twoLayers(Bgr{std::uint8_t(below), 0, 0}, Bgr{std::uint8_t(above), 0, 0}, 255);
      doc.mergeAll();
      const int got = doc.photo().bitmap.pixel(0, 0).b;
      EXPECT_LE(std::abs(got - above), 1);
      if (above <= below) {
        EXPECT_EQ(got, above);  // only a brighter layer above loses the level
      }
    }
  }
}

TEST(MergeRule, ScreenWithBlackOverlayLeavesPixelUnchanged) {
  // screen(0, d) = 255 − (255 − d) = d, so the weighted difference is 0.
  LayeredImage doc = twoLayers(rgb(10, 128, 250), kBlack, 255, BlendOp::Screen);
  doc.mergeAll();
  EXPECT_EQ(doc.photo().bitmap.pixel(1, 1), rgb(10, 128, 250));
}

TEST(MergeRule, BlendOperationsTable) {
  struct Case { BlendOp op; int s, d, expected; };
  const Case cases[] = {
      {BlendOp::Lighten, 30, 90, 90},   {BlendOp::Darken, 30, 90, 30},
      {BlendOp::Minimum, 200, 90, 90},  {BlendOp::HardLight, 200, 100, 255 - (155 * 55) / 128},
      {BlendOp::HardLight, 100, 100, 100 * 100 / 128},
      {BlendOp::Screen, 100, 100, 255 - (155 * 155) / 256},
      {BlendOp::ColorDodge, 255, 3, 255}, {BlendOp::ColorDodge, 128, 100, std::min(255, 100 * 256 / 127)},
      {BlendOp::ColorDodge, 55, 100, 100 * 256 / 200},
  };
  for (const Case& c : cases) EXPECT_EQ(blendChannel(c.op, c.s, c.d), c.expected);
}

TEST(MergeRule, PerPixelAlphaTakesTheSmallerOfAlphaAndTransparency) {
  LayeredImage doc = twoLayers(Bgr{0, 0, 0}, Bgr{255, 255, 255}, 100);
  doc.layer(1).bitmap.addAlpha(200);
  doc.layer(1).bitmap.alphaRow(0)[0] = 50;
  doc.mergeAll();
  EXPECT_EQ(doc.photo().bitmap.pixel(0, 0).r, (50 * 255) >> 8);   // alpha 50 < 100
  EXPECT_EQ(doc.photo().bitmap.pixel(1, 0).r, (100 * 255) >> 8);  // transparency 100 < 200
  EXPECT_FALSE(doc.photo().bitmap.hasAlpha());
}

TEST(MergeRule, InvisibleLayersDoNotMerge) {
  LayeredImage doc = twoLayers(rgb(1, 2, 3), kWhite, 255);
  doc.layer(1).visible = false;
  doc.mergeAll();
  EXPECT_EQ(doc.photo().bitmap.pixel(0, 0), rgb(1, 2, 3));
}

TEST(MergeExtents, UnionOfUncroppedLayersWithBackgroundFill) {
  LayeredImage doc;
  doc.setBackground(rgb(9, 8, 7));
  doc.setPhoto(Bitmap(10, 10, kBlack));
  doc.addLayer(Bitmap(5, 5, kWhite), 8, 3);        // reaches to (13, 8)
  Layer& cropped = doc.addLayer(Bitmap(30, 30, rgb(200, 0, 0)), -5, -5);
  cropped.cropped = true;                          // ignored for the size, clipped to layer 0
  doc.mergeAll();
  const Bitmap& out = doc.photo().bitmap;
  ASSERT_EQ(out.width(), 13);
  ASSERT_EQ(out.height(), 10);
  EXPECT_EQ(out.pixel(12, 0), rgb(9, 8, 7));       // outside every layer: background
  EXPECT_EQ(out.pixel(12, 5).r, 254);               // white layer at weight 255 over background 9
  EXPECT_EQ(out.pixel(0, 0).r, 199);                // cropped red layer over black: floor(255·200/256)
  EXPECT_EQ(out.pixel(11, 9), rgb(9, 8, 7));        // cropped layer does not reach beyond layer 0
}

TEST(MergeExtents, ScaledLayerIsDrawnAtItsDisplaySize) {
  LayeredImage doc;
  doc.setPhoto(Bitmap(8, 8, kBlack));
  Bitmap small(2, 2, kBlack);
  small.setPixel(1, 1, kWhite);
  Layer& l = doc.addLayer(std::move(small));
  l.displayWidth = 8;
  l.displayHeight = 8;
  doc.mergeAll();
  EXPECT_EQ(doc.photo().bitmap.pixel(3, 3), kBlack);
  EXPECT_EQ(doc.photo().bitmap.pixel(4, 4).r, 254);
  EXPECT_EQ(doc.photo().bitmap.pixel(7, 7).r, 254);
}

TEST(Mask, CopyMaskToAlphaTakesRedAndRefusesSmallMask) {
  Bitmap target(3, 2, kBlack);
  Bitmap mask(4, 2, rgb(77, 1, 2));
  CopyMaskToAlpha(target, mask);
  ASSERT_TRUE(target.hasAlpha());
  EXPECT_EQ(target.alphaRow(1)[2], 77);
  Bitmap tiny(2, 2);
  EXPECT_THROW(CopyMaskToAlpha(target, tiny), ImagingError);
}

TEST(Mask, FlattenOntoWhite) {
  // c' = 255 − ceil((255 − c) · α / 256)
  Bitmap b(3, 1, rgb(0, 100, 255));
  b.addAlpha(0);
  b.alphaRow(0)[1] = 255;
  b.alphaRow(0)[2] = 128;
  b.setPixel(2, 0, rgb(0, 100, 200));
  flattenAlphaOntoWhite(b);
  EXPECT_FALSE(b.hasAlpha());
  EXPECT_EQ(b.pixel(0, 0), kWhite);                       // α = 0 → white
  EXPECT_EQ(b.pixel(1, 0), rgb(0, 100, 255));             // α = 255 → ceil keeps c
  EXPECT_EQ(b.pixel(2, 0), rgb(255 - 128, 255 - 78, 255 - 28));  // ceil(255·128/256)=128, ceil(155/2)=78, ceil(27.5)=28
}

TEST(Canvas, ResizeKeepsTopLeftAndFillsTheRest) {
  Bitmap b(2, 2, rgb(1, 2, 3));
  resizeCanvas(b, 3, 1, kWhite);
  EXPECT_EQ(b.width(), 3);
  EXPECT_EQ(b.height(), 1);
  EXPECT_EQ(b.pixel(1, 0), rgb(1, 2, 3));
  EXPECT_EQ(b.pixel(2, 0), kWhite);
}

TEST(BitmapCopies, PixelsOnlyDropsAlphaCloneKeepsIt) {
  Bitmap b(2, 2, rgb(5, 6, 7));
  b.addAlpha(9);
  EXPECT_FALSE(b.copyPixels().hasAlpha());
  Bitmap c = b.clone();
  ASSERT_TRUE(c.hasAlpha());
  EXPECT_TRUE(c.samePixels(b));
}

TEST(MergeRule, FastRowsAgreeWithTheOperationTableForEveryPair) {
  // Every (above, below) pair through the row kernels equals the rule applied to blendChannel.
  for (BlendOp op : {BlendOp::Lighten, BlendOp::Darken, BlendOp::HardLight, BlendOp::Screen,
                     BlendOp::ColorDodge, BlendOp::Minimum}) {
    LayeredImage doc;
    Bitmap below(256, 256), above(256, 256);
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        below.setPixel(x, y, Bgr{std::uint8_t(y), std::uint8_t(y), std::uint8_t(y)});
        above.setPixel(x, y, Bgr{std::uint8_t(x), std::uint8_t(x), std::uint8_t(x)});
      }
    }
    doc.setPhoto(std::move(below));
    Layer& l = doc.addLayer(std::move(above));
    l.op = op;
    l.transparency = 200;
    doc.mergeAll();
    int mismatches = 0;
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        const int expected = y + ((200 * (blendChannel(op, x, y) - y)) >> 8);
        mismatches += doc.photo().bitmap.pixel(x, y).r != expected;
      }
    }
    EXPECT_EQ(mismatches, 0) << static_cast<int>(op);
  }
}
