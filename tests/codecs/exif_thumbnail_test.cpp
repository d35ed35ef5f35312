// The EXIF thumbnail of written JPEG files: where standard readers look for it, what it holds, that the
// main picture and its orientation read as before, and that a thumbnail too big for its marker is left
// out rather than cut.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <gtest/gtest.h>

#include "codecs/exif_reader.h"
#include "codecs/test_pictures.h"
#include "imaging/codecs/codecs.h"

namespace virmeya {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ExifFound;
using testing::findExif;

Bitmap noisePicture(int width, int height) {
  std::mt19937 random(7);
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 3 * width; ++x) b.row(y)[x] = static_cast<std::uint8_t>(random());
  }
  return b;
}

const JpegOptions kMain{85, 0, false};

TEST(ExifThumbnail, StandardReadersFindADecodableThumbnailInIfd1) {
  const Bitmap picture = testing::smoothPicture(400, 300);
  const Bitmap thumbnail = testing::smoothPicture(160, 120);
  const Bytes jpeg = encodeJpeg(picture, kMain, &thumbnail);

  const std::optional<ExifFound> exif = findExif(jpeg);
  ASSERT_TRUE(exif.has_value());
  EXPECT_TRUE(exif->firstAfterStart);
  EXPECT_EQ(exif->orientation, 1);
  EXPECT_EQ(exif->compression, 6);
  ASSERT_FALSE(exif->thumbnail.empty());
  EXPECT_EQ(exif->thumbnail[0], 0xFF);
  EXPECT_EQ(exif->thumbnail[1], 0xD8);
  const DecodedPicture small = decodePicture(exif->thumbnail.data(), exif->thumbnail.size());
  EXPECT_EQ(small.format, PictureFormat::Jpeg);
  EXPECT_EQ(small.bitmap.width(), 160);
  EXPECT_EQ(small.bitmap.height(), 120);
  EXPECT_LE(testing::maxDifference(small.bitmap, thumbnail), 24);
}

TEST(ExifThumbnail, MainPictureDecodesAsWithoutIt) {
  const Bitmap picture = testing::smoothPicture(200, 90);
  const Bitmap thumbnail = testing::smoothPicture(160, 72);
  const Bytes withBytes = encodeJpeg(picture, kMain, &thumbnail);
  const DecodedPicture with = decodePicture(withBytes.data(), withBytes.size());
  const Bytes plainBytes = encodeJpeg(picture, kMain);
  const DecodedPicture plain = decodePicture(plainBytes.data(), plainBytes.size());
  EXPECT_EQ(with.orientation, 1);
  EXPECT_FALSE(with.incomplete);
  ASSERT_EQ(with.bitmap.width(), 200);
  ASSERT_EQ(with.bitmap.height(), 90);
  EXPECT_EQ(testing::maxDifference(with.bitmap, plain.bitmap), 0);
}

TEST(ExifThumbnail, NoThumbnailWritesThePlainFile) {
  const Bitmap picture = testing::smoothPicture(40, 30);
  const Bitmap empty;
  EXPECT_EQ(encodeJpeg(picture, kMain, nullptr), encodeJpeg(picture, kMain));
  EXPECT_EQ(encodeJpeg(picture, kMain, &empty), encodeJpeg(picture, kMain));
  EXPECT_FALSE(findExif(encodeJpeg(picture, kMain)).has_value());
}

// Our reader takes the orientation from IFD0 only; the thumbnail's directory must not hide it.
TEST(ExifThumbnail, OrientationInIfd0StillHonoured) {
  const Bitmap picture = testing::smoothPicture(48, 32);
  const Bitmap thumbnail = testing::smoothPicture(160, 107);
  Bytes jpeg = encodeJpeg(picture, kMain, &thumbnail);
  const std::optional<ExifFound> exif = findExif(jpeg);
  ASSERT_TRUE(exif.has_value());
  ASSERT_NE(exif->orientationAt, 0u);
  jpeg[exif->orientationAt] = 0;  // big-endian SHORT 6: a quarter turn clockwise
  jpeg[exif->orientationAt + 1] = 6;
  const DecodedPicture turned = decodePicture(jpeg.data(), jpeg.size());
  EXPECT_EQ(turned.orientation, 6);
  EXPECT_EQ(turned.bitmap.width(), 32);
  EXPECT_EQ(turned.bitmap.height(), 48);
}

// Whatever the thumbnail, the file stays valid: either a whole thumbnail within one marker or none.
TEST(ExifThumbnail, TooBigIsLeftOutNeverCut) {
  struct Case {
    const char* what;
    Bitmap thumbnail;
    bool expected;  // whether it can be kept
  };
  Case cases[] = {
      {"smooth", testing::smoothPicture(160, 120), true},
      {"noise", noisePicture(160, 120), true},
      {"tall noise, kept at a lower quality", noisePicture(160, 1200), true},
      {"very tall noise", noisePicture(160, 4000), false},
      {"beyond the size worth encoding", testing::smoothPicture(160, 7000), false},
  };
  // At the usual quality the tall noise would not fit a marker (64 KB less the directories).
  ASSERT_GT(encodeJpeg(cases[2].thumbnail, JpegOptions{75, 0, true}).size(), 65533u - 126u);
  const Bitmap picture = testing::smoothPicture(64, 48);
  const Bytes plainBytes = encodeJpeg(picture, kMain);
  const DecodedPicture plain = decodePicture(plainBytes.data(), plainBytes.size());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes jpeg = encodeJpeg(picture, kMain, &c.thumbnail);
    const DecodedPicture decoded = decodePicture(jpeg.data(), jpeg.size());
    EXPECT_FALSE(decoded.incomplete);
    EXPECT_EQ(testing::maxDifference(decoded.bitmap, plain.bitmap), 0);
    const std::optional<ExifFound> exif = findExif(jpeg);
    EXPECT_EQ(exif.has_value(), c.expected);
    if (!exif) {
      EXPECT_EQ(jpeg, plainBytes);
      continue;
    }
    EXPECT_LE(exif->markerLength, 65535u);
    const DecodedPicture small = decodePicture(exif->thumbnail.data(), exif->thumbnail.size());
    EXPECT_EQ(small.bitmap.width(), c.thumbnail.width());
    EXPECT_EQ(small.bitmap.height(), c.thumbnail.height());
  }
}

Bytes fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ExifThumbnail, WritePictureCarriesItIntoJpegOnly) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "virmeya_exif_thumbnail_test";
  std::filesystem::create_directories(dir);
  const Bitmap picture = testing::smoothPicture(80, 40);
  const Bitmap thumbnail = testing::smoothPicture(160, 80);
  WriteOptions options;
  options.jpeg = kMain;
  options.thumbnail = &thumbnail;

  writePicture(picture, dir / "a.jpg", options);
  const std::optional<ExifFound> exif = findExif(fileBytes(dir / "a.jpg"));
  ASSERT_TRUE(exif.has_value());
  EXPECT_EQ(decodePicture(exif->thumbnail.data(), exif->thumbnail.size()).bitmap.width(), 160);
  EXPECT_EQ(readPicture(dir / "a.jpg").bitmap.width(), 80);

  writePicture(picture, dir / "a.png", options);
  EXPECT_EQ(fileBytes(dir / "a.png"), encodePicture(picture, PictureFormat::Png));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace virmeya
