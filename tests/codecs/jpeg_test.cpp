// JPEG reading: grey, CMYK and YCCK colours, EXIF orientation, progressive files, truncated files.
#include <cstdio>
#include <functional>

#include <jpeglib.h>

#include <gtest/gtest.h>

#include "codecs/test_pictures.h"
#include "imaging/codecs/codec_internal.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Encodes `components`-channel rows (as libjpeg takes them) with a hook to change the settings.
Bytes encodeRaw(int w, int h, int components, J_COLOR_SPACE inSpace, const std::function<std::uint8_t(int, int, int)>& sample,
                const std::function<void(jpeg_compress_struct&)>& tweak = {}) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = inSpace;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (tweak) tweak(c);
  jpeg_start_compress(&c, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * components);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int k = 0; k < components; ++k) row[static_cast<std::size_t>(x) * components + k] = sample(x, y, k);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// Inserts an APP1 EXIF block holding only the orientation tag right after the start marker.
Bytes withExifOrientation(const Bytes& jpeg, int orientation, bool bigEndian) {
  Bytes tiff;
  auto u16 = [&](unsigned v) {
    if (bigEndian) {
      tiff.push_back(static_cast<std::uint8_t>(v >> 8));
      tiff.push_back(static_cast<std::uint8_t>(v));
    } else {
      tiff.push_back(static_cast<std::uint8_t>(v));
      tiff.push_back(static_cast<std::uint8_t>(v >> 8));
    }
  };
  auto u32 = [&](std::uint32_t v) {
    if (bigEndian) {
      u16(v >> 16);
      u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF);
      u16(v >> 16);
    }
  };
  tiff.push_back(bigEndian ? 'M' : 'I');
  tiff.push_back(bigEndian ? 'M' : 'I');
  u16(42);
  u32(8);
  u16(2);  // two entries: an unrelated one first
  u16(0x010F);  // Make, ASCII, count 4, inline
  u16(2);
  u32(4);
  for (const std::uint8_t b : {'A', 'b', 'c', '\0'}) tiff.push_back(b);
  u16(0x0112);
  u16(3);
  u32(1);
  u16(static_cast<unsigned>(orientation));
  u16(0);
  u32(0);
  Bytes out;
  out.reserve(jpeg.size() + tiff.size() + 10);
  auto put = [&out](std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
  };
  const std::size_t length = 2 + 6 + tiff.size();
  put({0xFF, 0xD8, 0xFF, 0xE1, static_cast<int>(length >> 8), static_cast<int>(length & 0xFF), 'E', 'x', 'i', 'f', 0, 0});
  for (std::uint8_t b : tiff) out.push_back(b);
  for (std::size_t i = 2; i < jpeg.size(); ++i) out.push_back(jpeg[i]);
  return out;
}

// Quadrants of clearly different colours, aligned to JPEG's 16 × 16 blocks.
const Bgr kQuadrant[4] = {rgb(230, 20, 20), rgb(20, 200, 20), rgb(20, 20, 230), rgb(240, 240, 240)};
Bitmap quadrants() {
  Bitmap b(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) b.setPixel(x, y, kQuadrant[(y / 16) * 2 + x / 32]);
  }
  return b;
}

bool near(Bgr a, Bgr b, int tolerance = 12) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

TEST(JpegExif, QuarterTurnClockwiseStandsThePhotoUpright) {
  for (const bool bigEndian : {false, true}) {
    const Bytes jpeg = withExifOrientation(encodeJpeg(quadrants(), JpegOptions{95, 0, false}), 6, bigEndian);
    const DecodedPicture p = decodePicture(jpeg.data(), jpeg.size());
    EXPECT_EQ(p.orientation, 6);
    ASSERT_EQ(p.bitmap.width(), 32);
    ASSERT_EQ(p.bitmap.height(), 64);
    // Turned clockwise: the stored left column becomes the top row, the bottom-left corner the top-left.
    EXPECT_TRUE(near(p.bitmap.pixel(8, 8), kQuadrant[2]));
    EXPECT_TRUE(near(p.bitmap.pixel(24, 8), kQuadrant[0]));
    EXPECT_TRUE(near(p.bitmap.pixel(8, 56), kQuadrant[3]));
    EXPECT_TRUE(near(p.bitmap.pixel(24, 56), kQuadrant[1]));
  }
}

TEST(JpegExif, ProbeReportsTheStoredSizeAndTheOrientation) {
  testing::TempDir dir;
  const Bytes jpeg = withExifOrientation(encodeJpeg(quadrants(), JpegOptions{}), 8, false);
  const auto path = dir / "turned.jpg";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(jpeg.data(), 1, jpeg.size(), f);
  std::fclose(f);
  const PictureInfo info = probePicture(path);
  EXPECT_EQ(info.format, PictureFormat::Jpeg);
  EXPECT_EQ(info.width, 64);
  EXPECT_EQ(info.height, 32);
  EXPECT_FALSE(info.alpha);
  EXPECT_EQ(info.orientation, 8);
}

TEST(JpegExif, BrokenOrMissingBlocksMeanUpright) {
  const Bytes plain = encodeJpeg(quadrants(), JpegOptions{});
  EXPECT_EQ(decodePicture(plain.data(), plain.size()).orientation, 1);
  Bytes bogus = withExifOrientation(plain, 9, false);
  EXPECT_EQ(decodePicture(bogus.data(), bogus.size()).orientation, 1);
  const std::uint8_t junk[] = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0};
  EXPECT_EQ(codecs::exifOrientation(junk, sizeof junk), 1);
}

// The eight orientations against a plain composition of quarter turns and mirrors.
Bitmap turnClockwise(const Bitmap& s) {
  Bitmap d(s.height(), s.width());
  for (int y = 0; y < d.height(); ++y) {
    for (int x = 0; x < d.width(); ++x) d.setPixel(x, y, s.pixel(y, s.height() - 1 - x));
  }
  return d;
}
Bitmap mirror(const Bitmap& s) {
  Bitmap d(s.width(), s.height());
  for (int y = 0; y < d.height(); ++y) {
    for (int x = 0; x < d.width(); ++x) d.setPixel(x, y, s.pixel(s.width() - 1 - x, y));
  }
  return d;
}

TEST(Orientation, EveryValueMatchesTurnsAndMirrors) {
  const Bitmap stored = testing::gradientPicture(7, 4);
  std::vector<Bitmap> expected;
  expected.push_back(stored.clone());                                                      // 1
  expected.push_back(mirror(stored));                                                      // 2
  expected.push_back(turnClockwise(turnClockwise(stored)));                                // 3
  expected.push_back(mirror(turnClockwise(turnClockwise(stored))));                        // 4
  expected.push_back(mirror(turnClockwise(stored)));                                       // 5
  expected.push_back(turnClockwise(stored));                                               // 6
  expected.push_back(mirror(turnClockwise(turnClockwise(turnClockwise(stored)))));         // 7
  expected.push_back(turnClockwise(turnClockwise(turnClockwise(stored))));                 // 8
  for (int o = 1; o <= 8; ++o) {
    Bitmap b = stored.clone();
    codecs::applyOrientation(b, o);
    EXPECT_TRUE(b.samePixels(expected[o - 1])) << "orientation " << o;
  }
}

TEST(Orientation, TurnsTheAlphaPlaneAlong) {
  Bitmap b = testing::gradientPicture(5, 3, true);
  const std::uint8_t corner = b.alphaRow(2)[0];  // bottom-left goes to the top-left on a clockwise turn
  codecs::applyOrientation(b, 6);
  ASSERT_TRUE(b.hasAlpha());
  EXPECT_EQ(b.alphaRow(0)[0], corner);
}

TEST(JpegColour, GreyComesOutAsEqualChannels) {
  const Bytes jpeg = encodeRaw(16, 16, 1, JCS_GRAYSCALE, [](int x, int, int) { return static_cast<std::uint8_t>(x * 16); });
  const DecodedPicture p = decodePicture(jpeg.data(), jpeg.size());
  const Bgr c = p.bitmap.pixel(8, 8);
  EXPECT_EQ(c.r, c.g);
  EXPECT_EQ(c.g, c.b);
  EXPECT_NEAR(c.r, 128, 6);
}

struct CmykCase {
  const char* name;
  J_COLOR_SPACE stored;
  bool adobeMarker;
};

class JpegCmyk : public ::testing::TestWithParam<CmykCase> {};

// Orange-red ink (no cyan, much magenta and yellow, no black) on the left, black ink on the right.
TEST_P(JpegCmyk, ColoursAreNotInverted) {
  const CmykCase c = GetParam();
  const std::uint8_t inks[2][4] = {{0, 200, 255, 0}, {0, 0, 0, 255}};
  // Adobe's writers store inverted inks and say so with their marker; others store plain amounts.
  const Bytes jpeg = encodeRaw(
      32, 16, 4, JCS_CMYK,
      [&](int x, int, int k) {
        const std::uint8_t ink = inks[x / 16][k];
        return c.adobeMarker ? static_cast<std::uint8_t>(255 - ink) : ink;
      },
      [&](jpeg_compress_struct& cinfo) {
        jpeg_set_colorspace(&cinfo, c.stored);
        cinfo.write_Adobe_marker = c.adobeMarker ? TRUE : FALSE;
      });
  const DecodedPicture p = decodePicture(jpeg.data(), jpeg.size());
  EXPECT_TRUE(near(p.bitmap.pixel(4, 8), rgb(255, 55, 0), 16)) << c.name;
  EXPECT_TRUE(near(p.bitmap.pixel(28, 8), kBlack, 16)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegCmyk,
                         ::testing::Values(CmykCase{"CmykAdobe", JCS_CMYK, true}, CmykCase{"CmykPlain", JCS_CMYK, false},
                                           CmykCase{"YcckAdobe", JCS_YCCK, true}),
                         [](const auto& info) { return std::string(info.param.name); });

Bytes progressive(const Bitmap& b) {
  return encodeRaw(
      b.width(), b.height(), 3, JCS_EXT_BGR, [&](int x, int y, int k) { return b.row(y)[3 * x + k]; },
      [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
}

// Start of every scan (SOS marker) in a JPEG stream.
std::vector<std::size_t> scanStarts(const Bytes& jpeg) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) starts.push_back(i);
  }
  return starts;
}

TEST(JpegProgressive, DecodesLikeTheBaselineFile) {
  const Bitmap original = testing::smoothPicture(40, 24);
  const Bytes jpeg = progressive(original);
  ASSERT_GT(scanStarts(jpeg).size(), 3u);
  const DecodedPicture p = decodePicture(jpeg.data(), jpeg.size());
  EXPECT_FALSE(p.incomplete);
  EXPECT_LT(testing::meanDifference(original, p.bitmap), 1.5);
}

TEST(JpegProgressive, HundredsOfScansAreRefused) {
  Bytes jpeg = progressive(testing::smoothPicture(16, 16));
  const std::vector<std::size_t> starts = scanStarts(jpeg);
  // Repeats the last scan until the file holds far more scans than any real encoder writes.
  const Bytes lastScan(jpeg.begin() + static_cast<std::ptrdiff_t>(starts.back()), jpeg.end() - 2);
  Bytes bomb(jpeg.begin(), jpeg.end() - 2);
  for (int i = 0; i < 800; ++i) bomb.insert(bomb.end(), lastScan.begin(), lastScan.end());
  bomb.push_back(0xFF);
  bomb.push_back(0xD9);
  try {
    decodePicture(bomb.data(), bomb.size());
    FAIL() << "a file of 800 scans was decoded";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.kind(), ImagingErrorKind::CorruptData);
    EXPECT_NE(std::string(e.what()).find("проходов"), std::string::npos) << e.what();
  }
}

TEST(JpegTruncated, CutInTheMiddleLoadsWhatDecodesAndSaysSo) {
  const Bitmap original = testing::smoothPicture(64, 64);
  const Bytes jpeg = encodeJpeg(original, JpegOptions{90, 0, false});
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 6 / 10));
  const DecodedPicture p = decodePicture(cut.data(), cut.size());
  EXPECT_TRUE(p.incomplete);
  EXPECT_FALSE(p.warning.empty());
  ASSERT_EQ(p.bitmap.width(), 64);
  ASSERT_EQ(p.bitmap.height(), 64);
  EXPECT_TRUE(near(p.bitmap.pixel(2, 2), original.pixel(2, 2)));  // the top decoded
  EXPECT_EQ(p.bitmap.pixel(60, 62), rgb(128, 128, 128));           // the missing bottom is grey
}

TEST(JpegTruncated, MissingOnlyTheEndMarkerLoadsSilently) {
  for (const bool isProgressive : {false, true}) {
    const Bitmap original = testing::smoothPicture(48, 32);
    const Bytes jpeg = isProgressive ? progressive(original) : encodeJpeg(original, JpegOptions{});
    const Bytes cut(jpeg.begin(), jpeg.end() - 2);
    const DecodedPicture p = decodePicture(cut.data(), cut.size());
    EXPECT_FALSE(p.incomplete) << (isProgressive ? "progressive" : "baseline");
    EXPECT_LT(testing::meanDifference(original, p.bitmap), 3.0);
  }
}

TEST(JpegTruncated, ProgressiveCutBetweenScansIsIncomplete) {
  const Bytes jpeg = progressive(testing::smoothPicture(48, 32));
  const std::vector<std::size_t> starts = scanStarts(jpeg);
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(starts[2]));
  const DecodedPicture p = decodePicture(cut.data(), cut.size());
  EXPECT_TRUE(p.incomplete);
}

TEST(JpegTruncated, CutInsideTheHeaderIsAnError) {
  const Bytes jpeg = encodeJpeg(testing::smoothPicture(16, 16), JpegOptions{});
  for (const std::size_t keep : {std::size_t{3}, std::size_t{20}, std::size_t{100}}) {
    const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(keep));
    try {
      decodePicture(cut.data(), cut.size());
      ADD_FAILURE() << keep << " bytes decoded";
    } catch (const ImagingError& e) {
      EXPECT_EQ(e.kind(), ImagingErrorKind::CorruptData) << e.what();
    }
  }
}

}  // namespace
}  // namespace virmeya
