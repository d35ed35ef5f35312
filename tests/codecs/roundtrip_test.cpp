// Writing and reading back: lossless formats give the same pixels, JPEG stays close.
#include <gtest/gtest.h>

#include "codecs/test_pictures.h"
#include "imaging/codecs/codec_internal.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using testing::gradientPicture;
using testing::maxDifference;
using testing::meanDifference;

struct LosslessCase {
  PictureFormat format;
  bool keepsAlpha;
};

class LosslessRoundTrip : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessRoundTrip, PixelsComeBackExactly) {
  const LosslessCase c = GetParam();
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{37, 11}, std::pair{130, 5}}) {
    const Bitmap original = gradientPicture(w, h);
    const auto bytes = encodePicture(original, c.format);
    const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
    EXPECT_EQ(back.format, c.format);
    EXPECT_FALSE(back.incomplete);
    EXPECT_TRUE(back.bitmap.samePixels(original)) << formatName(c.format) << ' ' << w << "×" << h;
  }
}

TEST_P(LosslessRoundTrip, AlphaComesBackWhenTheFormatHoldsIt) {
  const LosslessCase c = GetParam();
  const Bitmap original = gradientPicture(19, 7, true);
  const auto bytes = encodePicture(original, c.format);
  const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
  if (c.keepsAlpha) {
    EXPECT_TRUE(back.bitmap.samePixels(original)) << formatName(c.format);
  } else {
    EXPECT_FALSE(back.bitmap.hasAlpha());
    EXPECT_TRUE(back.bitmap.samePixels(original.copyPixels())) << formatName(c.format);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessRoundTrip,
                         ::testing::Values(LosslessCase{PictureFormat::Png, true}, LosslessCase{PictureFormat::Bmp, true},
                                           LosslessCase{PictureFormat::Tiff, true}, LosslessCase{PictureFormat::Tga, true},
                                           LosslessCase{PictureFormat::Pcx, false}, LosslessCase{PictureFormat::Pnm, false},
                                           LosslessCase{PictureFormat::Ico, true}, LosslessCase{PictureFormat::Cur, true}),
                         [](const auto& info) { return std::string(formatName(info.param.format)); });

// A picture of few colours, with transparent pixels: GIF keeps it exactly.
Bitmap fewColours(int w, int h) {
  const Bgr colours[] = {rgb(255, 0, 0), rgb(0, 128, 0), rgb(10, 20, 250), kWhite, kBlack, rgb(200, 180, 20)};
  Bitmap b(w, h);
  b.addAlpha();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.setPixel(x, y, colours[(x / 3 + y) % 6]);
      b.alphaRow(y)[x] = (x + y) % 7 == 0 ? 0 : 255;
    }
  }
  return b;
}

TEST(GifRoundTrip, FewColoursComeBackExactlyWithTransparency) {
  Bitmap original = fewColours(23, 9);
  const auto bytes = encodePicture(original, PictureFormat::Gif);
  const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
  EXPECT_EQ(back.format, PictureFormat::Gif);
  ASSERT_TRUE(back.bitmap.hasAlpha());
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 23; ++x) {
      EXPECT_EQ(back.bitmap.alphaRow(y)[x], original.alphaRow(y)[x]);
      if (original.alphaRow(y)[x] == 255) {
        EXPECT_EQ(back.bitmap.pixel(x, y), original.pixel(x, y));
      }
    }
  }
}

TEST(GifRoundTrip, ManyColoursAreReducedCloselyTo256) {
  const Bitmap original = testing::smoothPicture(128, 96);
  const auto bytes = encodePicture(original, PictureFormat::Gif);
  const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
  EXPECT_FALSE(back.bitmap.hasAlpha());
  EXPECT_LT(meanDifference(original, back.bitmap), 4.0);
  EXPECT_LE(maxDifference(original, back.bitmap), 24);
}

TEST(IcoRoundTrip, LargePicturesAreScaledToFit256) {
  const Bitmap original(600, 300, rgb(10, 200, 30));
  const auto bytes = encodePicture(original, PictureFormat::Ico);
  const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
  EXPECT_EQ(back.bitmap.width(), 256);
  EXPECT_EQ(back.bitmap.height(), 128);
  EXPECT_EQ(back.bitmap.pixel(100, 60), rgb(10, 200, 30));
}

TEST(DecodeInto, ReusesStorageOfTheSameSizeAndEmptiesItOnFailure) {
  for (const PictureFormat format : {PictureFormat::Jpeg, PictureFormat::Png}) {
    const Bitmap original = testing::smoothPicture(40, 30);
    const auto bytes = encodePicture(original, format);
    DecodedPicture into;
    into.bitmap = gradientPicture(40, 30, true);
    into.incomplete = true;
    const std::uint8_t* storage = into.bitmap.data();
    decodePicture(bytes.data(), bytes.size(), into);
    EXPECT_EQ(into.bitmap.data(), storage) << formatName(format);
    EXPECT_FALSE(into.bitmap.hasAlpha());
    EXPECT_FALSE(into.incomplete);
    EXPECT_TRUE(into.bitmap.samePixels(decodePicture(bytes.data(), bytes.size()).bitmap));
    const auto cut = std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 30);
    EXPECT_THROW(decodePicture(cut.data(), cut.size(), into), ImagingError);
    EXPECT_TRUE(into.bitmap.empty());
  }
}

// Large files are recognised from their first 128 bytes before the rest is read.
TEST(Recognition, EveryWrittenFormatIsKnownByItsFirst128Bytes) {
  const Bitmap picture = gradientPicture(70, 60);
  for (const PictureFormat f : {PictureFormat::Jpeg, PictureFormat::Png, PictureFormat::Tiff, PictureFormat::Gif,
                                PictureFormat::Bmp, PictureFormat::Pcx, PictureFormat::Ico, PictureFormat::Cur,
                                PictureFormat::Tga, PictureFormat::Pnm}) {
    const auto bytes = encodePicture(picture, f);
    ASSERT_GE(bytes.size(), 128u);
    EXPECT_EQ(codecs::sniffFormat(bytes.data(), 128), f) << formatName(f);
  }
}

TEST(JpegRoundTrip, HighQualityStaysClose) {
  const Bitmap original = testing::smoothPicture(64, 48);
  const auto bytes = encodeJpeg(original, JpegOptions{95, 0, false});
  const DecodedPicture back = decodePicture(bytes.data(), bytes.size());
  EXPECT_EQ(back.format, PictureFormat::Jpeg);
  ASSERT_EQ(back.bitmap.width(), 64);
  ASSERT_EQ(back.bitmap.height(), 48);
  EXPECT_LT(meanDifference(original, back.bitmap), 1.5);
  EXPECT_LE(maxDifference(original, back.bitmap), 12);
  EXPECT_FALSE(back.incomplete);
  EXPECT_EQ(back.orientation, 1);
}

TEST(JpegRoundTrip, ChannelsKeepTheirOrder) {
  const Bitmap original(32, 16, rgb(220, 30, 40));
  const auto bytes = encodeJpeg(original, JpegOptions{90, 0, false});
  const Bitmap back = decodePicture(bytes.data(), bytes.size()).bitmap;
  const Bgr c = back.pixel(10, 8);
  EXPECT_NEAR(c.r, 220, 4);
  EXPECT_NEAR(c.g, 30, 4);
  EXPECT_NEAR(c.b, 40, 4);
}

TEST(JpegRoundTrip, QualityAndOptimisationChangeTheSize) {
  const Bitmap original = gradientPicture(96, 96);
  const auto low = encodeJpeg(original, JpegOptions{10, 0, false});
  const auto high = encodeJpeg(original, JpegOptions{100, 0, false});
  const auto optimised = encodeJpeg(original, JpegOptions{100, 0, true});
  EXPECT_LT(low.size(), high.size());
  EXPECT_LT(optimised.size(), high.size());
}

TEST(JpegRoundTrip, SmoothingChangesTheResult) {
  const Bitmap original = gradientPicture(64, 64);
  EXPECT_NE(encodeJpeg(original, JpegOptions{80, 0, false}), encodeJpeg(original, JpegOptions{80, 60, false}));
}

}  // namespace
}  // namespace virmeya
