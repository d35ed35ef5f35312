// Hostile and broken files, made in code: each class gives a typed error (never a crash, a hang or a
// huge allocation), and truncated or bit-flipped copies of every format never do worse.
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "codecs/byte_builder.h"
#include "codecs/test_pictures.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using testing::ByteBuilder;
using testing::bmpHeader;
using testing::markBmpPixels;
using Bytes = std::vector<std::uint8_t>;
using Kind = ImagingErrorKind;

struct BadCase {
  const char* name;
  Bytes bytes;
  Kind kind;
  const char* reason;  // a piece of the message
};

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

std::vector<BadCase> badCases() {
  std::vector<BadCase> all;
  all.push_back({"Empty", {}, Kind::CorruptData, "файл пуст"});
  all.push_back({"Text", text("hello, this is not a picture\n"), Kind::UnknownFormat, "формат файла не распознан"});
  all.push_back({"JpegStartOnly", {0xFF, 0xD8, 0xFF}, Kind::CorruptData, "повреждён"});
  all.push_back({"PngSignatureOnly", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, Kind::CorruptData, "повреждён"});
  all.push_back({"GifHeaderOnly", text("GIF89a"), Kind::CorruptData, "повреждён"});
  all.push_back({"TiffHeaderOnly", {'I', 'I', 42, 0, 8, 0, 0, 0}, Kind::CorruptData, "повреждён"});
  {
    ByteBuilder b = bmpHeader(0, 5, 24, 0);
    markBmpPixels(b);
    all.push_back({"BmpZeroWidth", b.bytes(), Kind::CorruptData, "нулевой или отрицательный размер"});
  }
  {
    ByteBuilder b = bmpHeader(-4, 5, 24, 0);
    markBmpPixels(b);
    all.push_back({"BmpNegativeWidth", b.bytes(), Kind::CorruptData, "нулевой или отрицательный размер"});
  }
  {
    ByteBuilder b = bmpHeader(40000, 2, 24, 0);
    markBmpPixels(b);
    all.push_back({"BmpTooWide", b.bytes(), Kind::TooLarge, "слишком велико"});
  }
  {
    ByteBuilder b = bmpHeader(25000, 25000, 24, 0);
    markBmpPixels(b);
    all.push_back({"BmpTooManyPixels", b.bytes(), Kind::TooLarge, "слишком велико"});
  }
  {
    ByteBuilder b = bmpHeader(0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u), 24, 0);
    markBmpPixels(b);
    all.push_back({"BmpExtremeSides", b.bytes(), Kind::TooLarge, "слишком велико"});
  }
  {
    ByteBuilder b = bmpHeader(2, 2, 24, 0);
    b.patch32(10, 0x7FFFFFF0);
    all.push_back({"BmpOffsetPastEnd", b.bytes(), Kind::CorruptData, "за концом файла"});
  }
  {
    ByteBuilder b = bmpHeader(100, 100, 24, 0);
    markBmpPixels(b);
    b.zeros(50);
    all.push_back({"BmpPixelsCut", b.bytes(), Kind::CorruptData, "обрываются"});
  }
  {
    ByteBuilder b = bmpHeader(2, 1, 8, 0, 2);
    b.u32(0).u32(0xFFFFFF);
    markBmpPixels(b);
    b.raw({1, 7, 0, 0});
    all.push_back({"BmpIndexBeyondPalette", b.bytes(), Kind::CorruptData, "за пределами палитры"});
  }
  {
    ByteBuilder b = bmpHeader(4, 1, 8, 1, 1);
    b.u32(0);
    markBmpPixels(b);
    b.raw({9, 0, 0, 1});
    all.push_back({"BmpRunCrossesRow", b.bytes(), Kind::CorruptData, "серия выходит за строку"});
  }
  {
    ByteBuilder b = bmpHeader(4, 1, 8, 1, 1);
    b.u32(0);
    markBmpPixels(b);
    b.raw({0, 2, 200, 200, 0, 1});
    all.push_back({"BmpJumpOutside", b.bytes(), Kind::CorruptData, "за пределами изображения"});
  }
  {
    ByteBuilder b = bmpHeader(2, 2, 0, 0);
    markBmpPixels(b);
    b.zeros(16);
    all.push_back({"BmpZeroDepth", b.bytes(), Kind::CorruptData, "нулевая глубина цвета"});
  }
  {
    ByteBuilder b = bmpHeader(2, 2, 16, 3);
    b.u32(0).u32(0x07E0).u32(0x001F);
    markBmpPixels(b);
    b.zeros(8);
    all.push_back({"BmpZeroMask", b.bytes(), Kind::CorruptData, "нулевая битовая маска"});
  }
  {
    ByteBuilder b = bmpHeader(2, 2, 256, 0);
    markBmpPixels(b);
    all.push_back({"BmpOddDepth", b.bytes(), Kind::Unsupported, "не поддерживается"});
  }
  {  // TGA: a run reaching past the last pixel
    ByteBuilder b;
    b.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(2).u16(1).u8(24).u8(0);
    b.raw({0x85, 1, 2, 3});
    all.push_back({"TgaRunPastEnd", b.bytes(), Kind::CorruptData, "за пределы изображения"});
  }
  {
    ByteBuilder b;
    b.u8(0).u8(1).u8(1).u16(0).u16(2).u8(24).u16(0).u16(0).u16(2).u16(1).u8(8).u8(0x20);
    b.raw({0, 0, 255, 255, 0, 0, 1, 9});
    all.push_back({"TgaIndexBeyondMap", b.bytes(), Kind::CorruptData, "за пределами палитры"});
  }
  {
    ByteBuilder b;
    b.u8(0).u8(0).u8(2).zeros(5).u16(0).u16(0).u16(0).u16(0).u8(24).u8(0);
    all.push_back({"TgaZeroSize", b.bytes(), Kind::CorruptData, "нулевой или отрицательный размер"});
  }
  {  // PCX whose right edge lies left of its left edge
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(8).u16(10).u16(0).u16(2).u16(5).zeros(52).u8(0).u8(1).u16(4).u16(1);
    b.zeros(128 - b.size());
    all.push_back({"PcxNegativeSize", b.bytes(), Kind::CorruptData, "отрицательный размер"});
  }
  {
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(3).u16(0).zeros(52).u8(0).u8(1).u16(0).u16(1);
    b.zeros(128 - b.size());
    all.push_back({"PcxZeroLine", b.bytes(), Kind::CorruptData, "нулевая длина строки"});
  }
  {
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(1).u16(0).zeros(52).u8(0).u8(1).u16(2).u16(1);
    b.zeros(128 - b.size());
    b.raw({0xFF, 7});
    all.push_back({"PcxRunPastEnd", b.bytes(), Kind::CorruptData, "за пределы изображения"});
  }
  {  // ICO whose only image lies beyond the end of the file
    ByteBuilder b;
    b.u16(0).u16(1).u16(1).u8(16).u8(16).u8(0).u8(0).u16(1).u16(32).u32(1000).u32(22);
    all.push_back({"IcoEntryPastEnd", b.bytes(), Kind::CorruptData, "за концом файла"});
  }
  all.push_back({"PnmHugeNumber", text("P6\n99999999999 1\n255\n"), Kind::CorruptData, "слишком большое число"});
  all.push_back({"PnmZeroMax", text("P5\n1 1\n0\n\n"), Kind::CorruptData, "недопустимое наибольшее значение"});
  all.push_back({"PnmValueAboveMax", text("P2\n1 1\n10\n11\n"), Kind::CorruptData, "значение больше наибольшего"});
  all.push_back({"PnmRawCut", text("P6\n4 4\n255\nabc"), Kind::CorruptData, "обрываются"});
  // Sizes within the limits but far beyond the data: refused before the bitmap is allocated.
  all.push_back({"PnmHugeButShort", text("P6\n30000 10000\n255\nabc"), Kind::CorruptData, "обрываются"});
  all.push_back({"PbmTextHugeButShort", text("P1\n30000 10000\n0 1 0\n"), Kind::CorruptData, "обрываются"});
  {
    ByteBuilder b = bmpHeader(30000, 10000, 24, 0);
    markBmpPixels(b);
    b.zeros(10);
    all.push_back({"BmpHugeButShort", b.bytes(), Kind::CorruptData, "обрываются"});
  }
  {
    ByteBuilder b;
    b.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(30000).u16(10000).u8(24).u8(0);
    b.raw({0xFF, 1, 2, 3});
    all.push_back({"TgaHugeButShort", b.bytes(), Kind::CorruptData, "обрываются"});
  }
  {
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(29999).u16(9999).zeros(52).u8(0).u8(3).u16(30000).u16(1);
    b.zeros(128 - b.size());
    b.raw({0xFF, 7});
    all.push_back({"PcxHugeButShort", b.bytes(), Kind::CorruptData, "обрываются"});
  }
  all.push_back({"PnmTooLarge", text("P6\n30001 1\n255\n"), Kind::TooLarge, "слишком велико"});
  return all;
}

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, GivesATypedErrorWithAReason) {
  const BadCase& c = GetParam();
  try {
    decodePicture(c.bytes.data(), c.bytes.size());
    FAIL() << c.name << " was decoded";
  } catch (const ImagingError& e) {
    EXPECT_EQ(static_cast<int>(e.kind()), static_cast<int>(c.kind)) << e.what();
    EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Classes, BadInput, ::testing::ValuesIn(badCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SizeLimits, TheEnvironmentMovesTheLimit) {
  const Bitmap picture = testing::gradientPicture(120, 10);
  const Bytes png = encodePicture(picture, PictureFormat::Png);
  ::setenv("VIRMEYA_MAX_SIDE", "100", 1);
  try {
    decodePicture(png.data(), png.size());
    ADD_FAILURE() << "a 120-pixel side passed a limit of 100";
  } catch (const ImagingError& e) {
    EXPECT_EQ(e.kind(), Kind::TooLarge) << e.what();
  }
  ::setenv("VIRMEYA_MAX_SIDE", "200", 1);
  EXPECT_EQ(decodePicture(png.data(), png.size()).bitmap.width(), 120);
  ::unsetenv("VIRMEYA_MAX_SIDE");
}

// Every prefix and many single-byte corruptions of a valid file: only ImagingError may come out.
void survivesDamage(const Bytes& valid, const char* name) {
  std::mt19937 random(12345);
  auto attempt = [&](const Bytes& damaged) {
    try {
      const DecodedPicture p = decodePicture(damaged.data(), damaged.size());
      EXPECT_FALSE(p.bitmap.empty()) << name;
    } catch (const ImagingError&) {
    }
  };
  const std::size_t step = std::max<std::size_t>(1, valid.size() / 150);
  for (std::size_t n = 0; n < valid.size(); n += step) attempt(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n)));
  for (int i = 0; i < 300; ++i) {
    Bytes damaged = valid;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < flips; ++k) {
      const std::size_t at = random() % std::min<std::size_t>(damaged.size(), 200 + (i % 2) * damaged.size());
      damaged[at] = static_cast<std::uint8_t>(random());
    }
    attempt(damaged);
  }
}

TEST(Damage, EveryFormatSurvivesTruncationAndFlippedBytes) {
  const Bitmap picture = testing::gradientPicture(23, 17, true);
  for (const PictureFormat f : {PictureFormat::Png, PictureFormat::Bmp, PictureFormat::Tiff, PictureFormat::Gif,
                                PictureFormat::Pcx, PictureFormat::Ico, PictureFormat::Tga, PictureFormat::Pnm}) {
    survivesDamage(encodePicture(picture, f), formatName(f));
  }
  survivesDamage(encodeJpeg(testing::smoothPicture(40, 24), JpegOptions{}), "JPEG");
}

TEST(Damage, SmallFormatsWithRunLengthSurviveToo) {
  ByteBuilder bmp = bmpHeader(6, 3, 8, 1, 3);
  bmp.u32(0xFF).u32(0xFF00).u32(0xFF0000);
  markBmpPixels(bmp);
  bmp.raw({6, 1, 0, 0, 0, 4, 0, 1, 2, 1, 2, 2, 0, 0, 3, 1, 0, 0, 0, 1});
  survivesDamage(bmp.bytes(), "RLE8");
  ByteBuilder tga;
  tga.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(4).u16(2).u8(32).u8(8);
  tga.raw({0x83, 1, 2, 3, 4, 0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  survivesDamage(tga.bytes(), "TGA RLE");
}

// A write that fails half-way (here: the file-size limit, which binds root too) leaves the old file.
TEST(WritePicture, FailureHalfWayLeavesTheTargetUntouched) {
  testing::TempDir dir;
  const auto target = dir / "keep.bmp";
  const Bitmap original = testing::gradientPicture(4, 4);
  writePicture(original, target);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    writePicture(testing::gradientPicture(200, 200), target);
  } catch (const ImagingError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_NE(message.find("не удалось записать «" + target.string() + "»: файл слишком велик"), std::string::npos)
      << message;
  EXPECT_TRUE(readPicture(target).bitmap.samePixels(original));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace virmeya
