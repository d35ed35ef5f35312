// PNG and TIFF kinds written with libpng and libtiff directly: 16-bit, grey, grey with alpha,
// palette with transparency, 1-bit, CMYK, tiles and the orientation tag.
#include <png.h>
#include <tiffio.h>

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "codecs/test_pictures.h"
#include "imaging/codecs/codecs.h"
#include "imaging/errors.h"

namespace virmeya {
namespace {

using Bytes = std::vector<std::uint8_t>;

void appendPng(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// A PNG of the given colour type and depth; `row` fills one stored row.
Bytes makePng(int w, int h, int colourType, int depth, const std::function<void(int, std::vector<std::uint8_t>&)>& row,
              const std::function<void(png_structp, png_infop)>& extra = {}) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, appendPng, nullptr);
  png_set_IHDR(png, info, w, h, depth, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (extra) extra(png, info);
  png_write_info(png, info);
  std::vector<std::uint8_t> line(png_get_rowbytes(png, info));
  for (int y = 0; y < h; ++y) {
    std::fill(line.begin(), line.end(), 0);
    row(y, line);
    png_write_row(png, line.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngKinds, SixteenBitRgbIsScaledTo8Bits) {
  const Bytes file = makePng(1, 1, PNG_COLOR_TYPE_RGB, 16, [](int, auto& l) {
    const std::uint8_t v[] = {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00};
    std::copy(std::begin(v), std::end(v), l.begin());
  });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  EXPECT_EQ(p.bitmap.pixel(0, 0), rgb(255, 128, 0));
  EXPECT_FALSE(p.bitmap.hasAlpha());
}

TEST(PngKinds, GreyAndGreyWithAlpha) {
  const Bytes grey = makePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, [](int, auto& l) { l[0] = 10, l[1] = 200; });
  const DecodedPicture g = decodePicture(grey.data(), grey.size());
  EXPECT_EQ(g.bitmap.pixel(1, 0), rgb(200, 200, 200));
  EXPECT_FALSE(g.bitmap.hasAlpha());
  const Bytes greyAlpha = makePng(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, [](int, auto& l) {
    const std::uint8_t v[] = {0x40, 0x00, 0x80, 0x00};
    std::copy(std::begin(v), std::end(v), l.begin());
  });
  const DecodedPicture ga = decodePicture(greyAlpha.data(), greyAlpha.size());
  ASSERT_TRUE(ga.bitmap.hasAlpha());
  EXPECT_EQ(ga.bitmap.pixel(0, 0), rgb(64, 64, 64));
  EXPECT_EQ(ga.bitmap.alphaRow(0)[0], 128);
}

TEST(PngKinds, PaletteWithTransparencyGivesAlpha) {
  const Bytes file = makePng(
      3, 1, PNG_COLOR_TYPE_PALETTE, 4, [](int, auto& l) { l[0] = 0x01, l[1] = 0x20; },
      [](png_structp png, png_infop info) {
        static png_color palette[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        static png_byte alpha[] = {0, 255, 90};
        png_set_PLTE(png, info, palette, 3);
        png_set_tRNS(png, info, alpha, 3, nullptr);
      });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  ASSERT_TRUE(p.bitmap.hasAlpha());
  EXPECT_EQ(p.bitmap.pixel(1, 0), rgb(0, 255, 0));
  EXPECT_EQ(p.bitmap.pixel(2, 0), rgb(0, 0, 255));
  EXPECT_EQ(p.bitmap.alphaRow(0)[0], 0);
  EXPECT_EQ(p.bitmap.alphaRow(0)[1], 255);
  EXPECT_EQ(p.bitmap.alphaRow(0)[2], 90);
}

TEST(PngKinds, OneBitGrey) {
  const Bytes file = makePng(3, 2, PNG_COLOR_TYPE_GRAY, 1, [](int y, auto& l) { l[0] = y == 0 ? 0xA0 : 0x40; });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  EXPECT_EQ(p.bitmap.pixel(0, 0), kWhite);
  EXPECT_EQ(p.bitmap.pixel(1, 0), kBlack);
  EXPECT_EQ(p.bitmap.pixel(1, 1), kWhite);
}

TEST(PngKinds, OversizedHeaderIsRefusedBeforeDecoding) {
  // 40 000 pixels wide: beyond the side limit; the row data is never reached.
  const Bytes file = makePng(1, 1, PNG_COLOR_TYPE_GRAY, 8, [](int, auto&) {});
  Bytes big = file;
  big[16] = 0, big[17] = 0, big[18] = 0x9C, big[19] = 0x40;  // IHDR width (its CRC now fails too)
  EXPECT_THROW(decodePicture(big.data(), big.size()), ImagingError);
}

// A TIFF written by libtiff into a temporary file and read back as bytes.
Bytes makeTiff(int w, int h, const std::function<void(TIFF*)>& tags, const std::function<void(int, std::vector<std::uint8_t>&)>& row,
               bool tiled = false) {
  testing::TempDir dir;
  const auto path = dir / "t.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  tags(tif);
  if (tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    for (int ty = 0; ty < h; ty += 16) {
      for (int tx = 0; tx < w; tx += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        const std::size_t pixel = tile.size() / 256;
        std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif)));
        for (int y = ty; y < std::min(h, ty + 16); ++y) {
          row(y, line);
          for (int x = tx; x < std::min(w, tx + 16); ++x) {
            std::copy_n(line.begin() + x * pixel, pixel, tile.begin() + ((y - ty) * 16 + (x - tx)) * pixel);
          }
        }
        TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
      }
    }
  } else {
    std::vector<std::uint8_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    for (int y = 0; y < h; ++y) {
      std::fill(line.begin(), line.end(), 0);
      row(y, line);
      TIFFWriteScanline(tif, line.data(), y, 0);
    }
  }
  TIFFClose(tif);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  Bytes out(static_cast<std::size_t>(std::filesystem::file_size(path)));
  EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
  std::fclose(f);
  return out;
}

void samples(TIFF* tif, int perPixel, int bits, int photometric) {
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, perPixel);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
}

TEST(TiffKinds, OneBitBothPolarities) {
  for (const int photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
    const Bytes file = makeTiff(2, 1, [&](TIFF* t) { samples(t, 1, 1, photometric); }, [](int, auto& l) { l[0] = 0x80; });
    const DecodedPicture p = decodePicture(file.data(), file.size());
    EXPECT_EQ(p.format, PictureFormat::Tiff);
    EXPECT_EQ(p.bitmap.pixel(0, 0), photometric == PHOTOMETRIC_MINISBLACK ? kWhite : kBlack);
    EXPECT_EQ(p.bitmap.pixel(1, 0), photometric == PHOTOMETRIC_MINISBLACK ? kBlack : kWhite);
  }
}

TEST(TiffKinds, SixteenBitRgb) {
  const Bytes file = makeTiff(1, 1, [](TIFF* t) { samples(t, 3, 16, PHOTOMETRIC_RGB); }, [](int, auto& l) {
    const std::uint16_t v[] = {0xFFFF, 0x0000, 0x8080};
    std::memcpy(l.data(), v, sizeof v);
  });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  EXPECT_EQ(p.bitmap.pixel(0, 0), rgb(255, 0, 128));
}

TEST(TiffKinds, PaletteGreyAndCmyk) {
  const Bytes palette = makeTiff(
      2, 1,
      [](TIFF* t) {
        samples(t, 1, 8, PHOTOMETRIC_PALETTE);
        static std::uint16_t r[256] = {}, g[256] = {}, b[256] = {};
        r[1] = 0xFFFF;
        b[2] = 0xFFFF;
        TIFFSetField(t, TIFFTAG_COLORMAP, r, g, b);
      },
      [](int, auto& l) { l[0] = 1, l[1] = 2; });
  const DecodedPicture pp = decodePicture(palette.data(), palette.size());
  EXPECT_EQ(pp.bitmap.pixel(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(pp.bitmap.pixel(1, 0), rgb(0, 0, 255));

  const Bytes grey = makeTiff(1, 1, [](TIFF* t) { samples(t, 1, 8, PHOTOMETRIC_MINISBLACK); }, [](int, auto& l) { l[0] = 77; });
  EXPECT_EQ(decodePicture(grey.data(), grey.size()).bitmap.pixel(0, 0), rgb(77, 77, 77));

  const Bytes cmyk = makeTiff(
      1, 1, [](TIFF* t) { samples(t, 4, 8, PHOTOMETRIC_SEPARATED); },
      [](int, auto& l) { l[0] = 0, l[1] = 255, l[2] = 255, l[3] = 0; });
  EXPECT_EQ(decodePicture(cmyk.data(), cmyk.size()).bitmap.pixel(0, 0), rgb(255, 0, 0));
}

TEST(TiffKinds, TiledPictureReadsWhole) {
  const Bitmap original = testing::gradientPicture(40, 20);
  const Bytes file = makeTiff(
      40, 20, [](TIFF* t) { samples(t, 3, 8, PHOTOMETRIC_RGB); },
      [&](int y, auto& l) {
        for (int x = 0; x < 40; ++x) {
          const Bgr c = original.pixel(x, y);
          l[3 * x] = c.r, l[3 * x + 1] = c.g, l[3 * x + 2] = c.b;
        }
      },
      true);
  const DecodedPicture back = decodePicture(file.data(), file.size());
  EXPECT_FALSE(back.incomplete);
  EXPECT_TRUE(back.bitmap.samePixels(original));
}

TEST(TiffKinds, OrientationTagIsApplied) {
  const Bytes file = makeTiff(
      2, 1,
      [](TIFF* t) {
        samples(t, 3, 8, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
      },
      [](int, auto& l) { l[0] = 255, l[5] = 255; });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  EXPECT_EQ(p.orientation, 6);
  ASSERT_EQ(p.bitmap.width(), 1);
  ASSERT_EQ(p.bitmap.height(), 2);
  EXPECT_EQ(p.bitmap.pixel(0, 0), rgb(255, 0, 0));
  EXPECT_EQ(p.bitmap.pixel(0, 1), rgb(0, 0, 255));
}

TEST(TiffKinds, GreyWithAlpha) {
  const Bytes file = makeTiff(
      2, 1,
      [](TIFF* t) {
        samples(t, 2, 8, PHOTOMETRIC_MINISBLACK);
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
      },
      [](int, auto& l) { l[0] = 90, l[1] = 255, l[2] = 200, l[3] = 0; });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  ASSERT_TRUE(p.bitmap.hasAlpha());
  EXPECT_EQ(p.bitmap.pixel(0, 0), rgb(90, 90, 90));
  EXPECT_EQ(p.bitmap.pixel(1, 0), rgb(200, 200, 200));
  EXPECT_EQ(p.bitmap.alphaRow(0)[0], 255);
  EXPECT_EQ(p.bitmap.alphaRow(0)[1], 0);
}

TEST(TiffKinds, AssociatedAlphaComesOutUnpremultiplied) {
  const Bytes file = makeTiff(
      1, 1,
      [](TIFF* t) {
        samples(t, 4, 8, PHOTOMETRIC_RGB);
        const std::uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
      },
      [](int, auto& l) { l[0] = 100, l[1] = 50, l[2] = 0, l[3] = 200; });
  const DecodedPicture p = decodePicture(file.data(), file.size());
  ASSERT_TRUE(p.bitmap.hasAlpha());
  EXPECT_EQ(p.bitmap.alphaRow(0)[0], 200);
  EXPECT_EQ(p.bitmap.pixel(0, 0), rgb(128, 64, 0));
}

}  // namespace
}  // namespace virmeya
