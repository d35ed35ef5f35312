// Our own decoders on hand-made files: every BMP depth and compression, TGA, PCX, PNM and WBMP kinds.
#include <gtest/gtest.h>

#include "codecs/byte_builder.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using testing::ByteBuilder;
using testing::bmpHeader;
using testing::markBmpPixels;

constexpr Bgr kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0), kBlue = rgb(0, 0, 255);

struct Expect {
  int x, y;
  Bgr colour;
};

struct FileCase {
  const char* name;
  PictureFormat format;
  std::vector<std::uint8_t> bytes;
  int width, height;
  std::vector<Expect> pixels;
};

// Palette entries as BMP stores them: blue, green, red, reserved.
void bmpPalette(ByteBuilder& b, std::initializer_list<Bgr> colours) {
  for (const Bgr& c : colours) b.u8(c.b).u8(c.g).u8(c.r).u8(0);
}

std::vector<FileCase> cases() {
  std::vector<FileCase> all;
  {  // 1-bit, bottom-up: the first stored row is the bottom one
    ByteBuilder b = bmpHeader(2, 2, 1, 0, 2);
    bmpPalette(b, {kBlack, kWhite});
    markBmpPixels(b);
    b.raw({0x80, 0, 0, 0, 0x40, 0, 0, 0});
    all.push_back({"Bmp1", PictureFormat::Bmp, b.bytes(), 2, 2, {{0, 0, kBlack}, {1, 0, kWhite}, {0, 1, kWhite}, {1, 1, kBlack}}});
  }
  {
    ByteBuilder b = bmpHeader(2, 2, 4, 0, 3);
    bmpPalette(b, {kRed, kGreen, kBlue});
    markBmpPixels(b);
    b.raw({0x02, 0, 0, 0, 0x21, 0, 0, 0});
    all.push_back({"Bmp4", PictureFormat::Bmp, b.bytes(), 2, 2, {{0, 0, kBlue}, {1, 0, kGreen}, {0, 1, kRed}, {1, 1, kBlue}}});
  }
  {
    ByteBuilder b = bmpHeader(3, 1, 8, 0, 3);
    bmpPalette(b, {kRed, kGreen, kBlue});
    markBmpPixels(b);
    b.raw({2, 0, 1, 0});
    all.push_back({"Bmp8", PictureFormat::Bmp, b.bytes(), 3, 1, {{0, 0, kBlue}, {1, 0, kRed}, {2, 0, kGreen}}});
  }
  {  // RLE8: bottom row a run, top row literal pixels then a run
    ByteBuilder b = bmpHeader(4, 2, 8, 1, 3);
    bmpPalette(b, {kRed, kGreen, kBlue});
    markBmpPixels(b);
    b.raw({4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 1, 2, 0, 1});
    all.push_back({"BmpRle8", PictureFormat::Bmp, b.bytes(), 4, 2,
                   {{0, 0, kBlue}, {1, 0, kRed}, {2, 0, kGreen}, {3, 0, kBlue}, {0, 1, kGreen}, {3, 1, kGreen}}});
  }
  {  // RLE4: a run alternating two nibbles, then a jump leaving pixels at colour 0
    ByteBuilder b = bmpHeader(5, 2, 4, 2, 3);
    bmpPalette(b, {kRed, kGreen, kBlue});
    markBmpPixels(b);
    b.raw({4, 0x12, 0, 0, 0, 2, 1, 0, 1, 0x20, 0, 1});
    all.push_back({"BmpRle4", PictureFormat::Bmp, b.bytes(), 5, 2,
                   {{0, 1, kGreen}, {1, 1, kBlue}, {2, 1, kGreen}, {3, 1, kBlue}, {4, 1, kRed},
                    {0, 0, kRed}, {1, 0, kBlue}}});
  }
  {  // 16-bit without bit fields is 5-5-5
    ByteBuilder b = bmpHeader(2, 1, 16, 0);
    markBmpPixels(b);
    b.u16(0x7C00).u16(0x001F);
    all.push_back({"Bmp16", PictureFormat::Bmp, b.bytes(), 2, 1, {{0, 0, kRed}, {1, 0, kBlue}}});
  }
  {  // 16-bit 5-6-5 through bit fields
    ByteBuilder b = bmpHeader(2, 1, 16, 3);
    b.u32(0xF800).u32(0x07E0).u32(0x001F);
    markBmpPixels(b);
    b.u16(0x07E0).u16(0xFFFF);
    all.push_back({"Bmp565", PictureFormat::Bmp, b.bytes(), 2, 1, {{0, 0, kGreen}, {1, 0, kWhite}}});
  }
  {
    ByteBuilder b = bmpHeader(2, 1, 32, 0);
    markBmpPixels(b);
    b.raw({255, 0, 0, 0, 0, 0, 255, 0});
    all.push_back({"Bmp32", PictureFormat::Bmp, b.bytes(), 2, 1, {{0, 0, kBlue}, {1, 0, kRed}}});
  }
  {  // negative height: rows stored top first
    ByteBuilder b = bmpHeader(1, -2, 24, 0);
    markBmpPixels(b);
    b.raw({0, 0, 255, 0, 255, 0, 0, 0});
    all.push_back({"BmpTopDown", PictureFormat::Bmp, b.bytes(), 1, 2, {{0, 0, kRed}, {0, 1, kBlue}}});
  }
  {  // the old 12-byte header with 3-byte palette entries
    ByteBuilder b;
    b.text("BM").u32(0).u32(0).u32(0);
    b.u32(12).u16(2).u16(1).u16(1).u16(1);
    b.raw({0, 255, 0, 255, 255, 255});
    markBmpPixels(b);
    b.raw({0x40, 0, 0, 0});
    all.push_back({"BmpCore", PictureFormat::Bmp, b.bytes(), 2, 1, {{0, 0, kGreen}, {1, 0, kWhite}}});
  }
  {  // TGA, run-length true colour, bottom-up: a run of red below a literal packet
    ByteBuilder b;
    b.u8(0).u8(0).u8(10).zeros(5).u16(0).u16(0).u16(3).u16(2).u8(24).u8(0);
    b.raw({0x82, 0, 0, 255, 0x02, 0, 255, 0, 255, 0, 0, 255, 255, 255});
    all.push_back({"TgaRle", PictureFormat::Tga, b.bytes(), 3, 2,
                   {{0, 1, kRed}, {2, 1, kRed}, {0, 0, kGreen}, {1, 0, kBlue}, {2, 0, kWhite}}});
  }
  {  // TGA, colour-mapped with a first index of 5, top-down
    ByteBuilder b;
    b.u8(0).u8(1).u8(1).u16(5).u16(2).u8(24).u16(0).u16(0).u16(2).u16(1).u8(8).u8(0x20);
    b.raw({0, 0, 255, 255, 0, 0});
    b.raw({6, 5});
    all.push_back({"TgaMapped", PictureFormat::Tga, b.bytes(), 2, 1, {{0, 0, kBlue}, {1, 0, kRed}}});
  }
  {
    ByteBuilder b;
    b.u8(0).u8(0).u8(3).zeros(5).u16(0).u16(0).u16(2).u16(1).u8(8).u8(0x20);
    b.raw({0, 200});
    all.push_back({"TgaGrey", PictureFormat::Tga, b.bytes(), 2, 1, {{0, 0, kBlack}, {1, 0, rgb(200, 200, 200)}}});
  }
  {  // PCX, 256 colours: a literal line and a run, the palette after the data
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(8).u16(0).u16(0).u16(1).u16(1).u16(72).u16(72).zeros(48).u8(0).u8(1).u16(2).u16(1);
    b.zeros(128 - b.size());
    b.raw({1, 2, 0xC2, 3});
    b.u8(0x0C);
    std::vector<Bgr> palette(256, kBlack);
    palette[1] = kRed;
    palette[2] = kGreen;
    palette[3] = kBlue;
    for (const Bgr& c : palette) b.u8(c.r).u8(c.g).u8(c.b);
    all.push_back({"Pcx256", PictureFormat::Pcx, b.bytes(), 2, 2, {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}, {1, 1, kBlue}}});
  }
  {
    ByteBuilder b;
    b.u8(0x0A).u8(5).u8(1).u8(1).u16(0).u16(0).u16(1).u16(0).u16(72).u16(72).zeros(48).u8(0).u8(1).u16(2).u16(1);
    b.zeros(128 - b.size());
    b.raw({0x80, 0});
    all.push_back({"PcxMono", PictureFormat::Pcx, b.bytes(), 2, 1, {{0, 0, kWhite}, {1, 0, kBlack}}});
  }
  {
    ByteBuilder b;
    b.text("P1\n2 2\n1 0\n01\n");
    all.push_back({"PbmText", PictureFormat::Pnm, b.bytes(), 2, 2, {{0, 0, kBlack}, {1, 0, kWhite}, {0, 1, kWhite}, {1, 1, kBlack}}});
  }
  {
    ByteBuilder b;
    b.text("P2\n# a comment\n2 1\n15\n0 15\n");
    all.push_back({"PgmText", PictureFormat::Pnm, b.bytes(), 2, 1, {{0, 0, kBlack}, {1, 0, kWhite}}});
  }
  {
    ByteBuilder b;
    b.text("P3 1 1 255 255 0 0\n");
    all.push_back({"PpmText", PictureFormat::Pnm, b.bytes(), 1, 1, {{0, 0, kRed}}});
  }
  {
    ByteBuilder b;
    b.text("P4\n3 1\n").u8(0xA0);
    all.push_back({"PbmRaw", PictureFormat::Pnm, b.bytes(), 3, 1, {{0, 0, kBlack}, {1, 0, kWhite}, {2, 0, kBlack}}});
  }
  {  // 16-bit samples are big-endian
    ByteBuilder b;
    b.text("P5 2 1 65535\n").raw({0x80, 0x00, 0xFF, 0xFF});
    all.push_back({"Pgm16", PictureFormat::Pnm, b.bytes(), 2, 1, {{0, 0, rgb(128, 128, 128)}, {1, 0, kWhite}}});
  }
  {
    ByteBuilder b;
    b.raw({0, 0, 2, 1, 0x80});
    all.push_back({"Wbmp", PictureFormat::Wbmp, b.bytes(), 2, 1, {{0, 0, kWhite}, {1, 0, kBlack}}});
  }
  return all;
}

class SmallFormats : public ::testing::TestWithParam<FileCase> {};

TEST_P(SmallFormats, DecodeToTheExpectedPixels) {
  const FileCase& c = GetParam();
  const DecodedPicture p = decodePicture(c.bytes.data(), c.bytes.size());
  EXPECT_EQ(p.format, c.format);
  ASSERT_EQ(p.bitmap.width(), c.width);
  ASSERT_EQ(p.bitmap.height(), c.height);
  EXPECT_FALSE(p.incomplete);
  for (const Expect& e : c.pixels) {
    const Bgr got = p.bitmap.pixel(e.x, e.y);
    EXPECT_EQ(got, e.colour) << "(" << e.x << ", " << e.y << ") is " << int(got.r) << "," << int(got.g) << "," << int(got.b);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SmallFormats, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Bmp, AlphaMaskInAVersion4HeaderGivesAnAlphaPlane) {
  ByteBuilder b;
  b.text("BM").u32(0).u32(0).u32(0);
  b.u32(108).i32(2).i32(1).u16(1).u16(32).u32(3).u32(0).u32(0).u32(0).u32(0).u32(0);
  b.u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF).u32(0xFF000000);
  b.zeros(108 - 56);
  markBmpPixels(b);
  b.raw({0, 0, 255, 128, 255, 0, 0, 255});
  const DecodedPicture p = decodePicture(b.bytes().data(), b.size());
  ASSERT_TRUE(p.bitmap.hasAlpha());
  EXPECT_EQ(p.bitmap.alphaRow(0)[0], 128);
  EXPECT_EQ(p.bitmap.alphaRow(0)[1], 255);
  EXPECT_EQ(p.bitmap.pixel(0, 0), kRed);
}

// Two single-image icons joined into one directory, the smaller first.
TEST(Ico, TheLargestImageIsRead) {
  const auto small = encodePicture(Bitmap(16, 16, kRed), PictureFormat::Ico);
  const auto large = encodePicture(Bitmap(32, 24, kBlue), PictureFormat::Ico);
  constexpr std::size_t kHeader = 6 + 16;  // each file: directory header and one entry
  const std::uint32_t smallSize = static_cast<std::uint32_t>(small.size() - kHeader);
  const std::uint32_t largeSize = static_cast<std::uint32_t>(large.size() - kHeader);
  ByteBuilder b;
  b.u16(0).u16(1).u16(2);
  b.u8(16).u8(16).u8(0).u8(0).u16(1).u16(32).u32(smallSize).u32(6 + 32);
  b.u8(32).u8(24).u8(0).u8(0).u16(1).u16(32).u32(largeSize).u32(6 + 32 + smallSize);
  std::vector<std::uint8_t> file = b.bytes();
  file.insert(file.end(), small.begin() + kHeader, small.end());
  file.insert(file.end(), large.begin() + kHeader, large.end());
  const DecodedPicture p = decodePicture(file.data(), file.size());
  EXPECT_EQ(p.format, PictureFormat::Ico);
  ASSERT_EQ(p.bitmap.width(), 32);
  ASSERT_EQ(p.bitmap.height(), 24);
  EXPECT_EQ(p.bitmap.pixel(5, 5), kBlue);
  EXPECT_FALSE(p.bitmap.hasAlpha());
}

TEST(Bmp, RleThatEndsWithoutItsEndCodeIsIncomplete) {
  ByteBuilder b = bmpHeader(4, 2, 8, 1, 2);
  bmpPalette(b, {kRed, kGreen});
  markBmpPixels(b);
  b.raw({4, 1, 0, 0});
  const DecodedPicture p = decodePicture(b.bytes().data(), b.size());
  EXPECT_TRUE(p.incomplete);
  EXPECT_EQ(p.bitmap.pixel(0, 1), kGreen);
}

}  // namespace
}  // namespace virmeya
