// BMP (and the BMP images inside ICO/CUR files): 1/4/8/16/24/32-bit, RLE4/RLE8, bit fields,
// bottom-up and top-down; written as 24-bit, or 32-bit with an alpha mask when the picture has alpha.
#include <algorithm>
#include <array>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV4HeaderSize = 108;

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  std::uint8_t get(std::uint32_t v) const {
    if (bits == 0) return 255;
    const std::uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(x >> (bits - 8));
    const std::uint32_t top = (1u << bits) - 1;
    return static_cast<std::uint8_t>((x * 255 + top / 2) / top);
  }
};

Channel channelFor(std::uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  while (((mask >> c.shift) & 1u) == 0) ++c.shift;
  while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1u) != 0) ++c.bits;
  if ((mask >> c.shift) != ((c.bits == 32) ? 0xFFFFFFFFu : ((1u << c.bits) - 1))) corrupt("разрывная битовая маска");
  return c;
}

struct Dib {
  std::int64_t width = 0, height = 0;  // height already positive
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = kBiRgb;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  bool hasMasks = false;
  std::vector<Bgr> palette;
};

// Parses the header at `offset` and the palette after it. `ico`: the header's height counts the
// colour rows and the mask rows.
Dib parseDib(const std::uint8_t* data, std::size_t size, std::size_t offset, bool ico) {
  ByteReader r(data, size);
  r.seek(offset);
  const std::uint32_t headerSize = r.u32le();
  Dib dib;
  if (headerSize == kCoreHeaderSize) {
    dib.width = r.u16le();
    dib.height = r.u16le();
    r.u16le();
    dib.bpp = r.u16le();
  } else if (headerSize >= kInfoHeaderSize && headerSize <= 4096) {
    dib.width = r.i32le();
    dib.height = r.i32le();
    r.u16le();
    dib.bpp = r.u16le();
    dib.compression = r.u32le();
    r.skip(12);
    const std::uint32_t coloursUsed = r.u32le();
    r.u32le();
    if (coloursUsed > 0 && dib.bpp <= 8) {
      if (coloursUsed > 256) corrupt("слишком большая палитра");
      dib.palette.resize(coloursUsed);
    }
    if (headerSize >= 52) {
      for (int i = 0; i < (headerSize >= 56 ? 4 : 3); ++i) dib.masks[i] = r.u32le();
      dib.hasMasks = true;
    }
    r.seek(offset + headerSize);
    if (headerSize == kInfoHeaderSize && (dib.compression == kBiBitfields || dib.compression == kBiAlphaBitfields)) {
      for (int i = 0; i < (dib.compression == kBiAlphaBitfields ? 4 : 3); ++i) dib.masks[i] = r.u32le();
      dib.hasMasks = true;
    }
  } else {
    corrupt("неизвестный заголовок BMP");
  }
  if (dib.height < 0) {
    dib.topDown = true;
    dib.height = -dib.height;
  }
  if (ico) dib.height /= 2;
  if (dib.bpp == 0) corrupt("нулевая глубина цвета");
  if (dib.bpp != 1 && dib.bpp != 4 && dib.bpp != 8 && dib.bpp != 16 && dib.bpp != 24 && dib.bpp != 32) {
    unsupported(std::to_string(dib.bpp) + "-битный BMP");
  }
  switch (dib.compression) {
    case kBiRgb: break;
    case kBiRle8: require(dib.bpp == 8 && !dib.topDown, "неверное сжатие RLE8"); break;
    case kBiRle4: require(dib.bpp == 4 && !dib.topDown, "неверное сжатие RLE4"); break;
    case kBiBitfields:
    case kBiAlphaBitfields: require(dib.bpp == 16 || dib.bpp == 32, "битовые маски при этой глубине"); break;
    default: unsupported("сжатие BMP № " + std::to_string(dib.compression));
  }
  checkDecodeSize(dib.width, dib.height);
  if (dib.bpp <= 8) {
    if (dib.palette.empty()) dib.palette.resize(std::size_t{1} << dib.bpp);
    const std::size_t entry = headerSize == kCoreHeaderSize ? 3 : 4;
    const std::uint8_t* p = r.take(entry * dib.palette.size());
    for (Bgr& c : dib.palette) {
      c = Bgr{p[0], p[1], p[2]};
      p += entry;
    }
  }
  if (dib.bpp == 16 || dib.bpp == 32) {
    if (!dib.hasMasks || (dib.compression == kBiRgb && dib.bpp == 16)) {
      // Without bit fields: 16-bit is 5-5-5, 32-bit is B, G, R, unused.
      dib.masks = dib.bpp == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                                : std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0};
    } else if (dib.compression == kBiRgb) {
      dib.masks = {0xFF0000, 0xFF00, 0xFF, headerSize >= 56 ? dib.masks[3] : 0};
    }
    if (dib.masks[0] == 0 || dib.masks[1] == 0 || dib.masks[2] == 0) corrupt("нулевая битовая маска");
  }
  return dib;
}

std::int64_t rowBytes(std::int64_t width, int bpp) { return (width * bpp + 31) / 32 * 4; }

// RLE4/RLE8 into one palette index per pixel (bottom-up rows as stored). Returns false when the
// data ended before the end-of-picture code.
bool decodeRle(const Dib& dib, ByteReader& r, std::vector<std::uint8_t>& indices) {
  const std::int64_t w = dib.width, h = dib.height;
  std::int64_t x = 0, y = 0;
  const bool four = dib.compression == kBiRle4;
  while (true) {
    if (r.remaining() < 2) return false;
    const int count = r.u8();
    const int value = r.u8();
    if (count > 0) {
      if (y >= h || x + count > w) corrupt("серия выходит за строку");
      std::uint8_t* d = indices.data() + y * w + x;
      for (int i = 0; i < count; ++i) d[i] = four ? static_cast<std::uint8_t>((i & 1) ? value & 0x0F : value >> 4)
                                                  : static_cast<std::uint8_t>(value);
      x += count;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return true;
    } else if (value == 2) {  // jump
      if (r.remaining() < 2) return false;
      x += r.u8();
      y += r.u8();
      if (x > w || y > h) corrupt("смещение за пределами изображения");
    } else {  // literal pixels, padded to two bytes
      const int n = value;
      const std::size_t bytes = four ? static_cast<std::size_t>((n + 1) / 2) : static_cast<std::size_t>(n);
      if (y >= h || x + n > w) corrupt("серия выходит за строку");
      if (r.remaining() < bytes + (bytes & 1)) return false;
      const std::uint8_t* s = r.take(bytes);
      std::uint8_t* d = indices.data() + y * w + x;
      for (int i = 0; i < n; ++i) d[i] = four ? static_cast<std::uint8_t>((i & 1) ? s[i / 2] & 0x0F : s[i / 2] >> 4) : s[i];
      x += n;
      r.skip(bytes & 1);
    }
    if (y > h) corrupt("строка за пределами изображения");
  }
}

// Decodes the pixel rows of `dib` starting at `pixelOffset`. Sets `alphaUsed` when the 32-bit data
// carried an alpha channel; `incomplete` when RLE data ended early.
Bitmap decodeDibPixels(const std::uint8_t* data, std::size_t size, const Dib& dib, std::size_t pixelOffset,
                       bool wantAlpha, bool& incomplete) {
  const int w = static_cast<int>(dib.width), h = static_cast<int>(dib.height);
  ByteReader r(data, size);
  r.seek(pixelOffset);
  const bool rle = dib.compression == kBiRle4 || dib.compression == kBiRle8;
  const std::int64_t stride = rowBytes(dib.width, dib.bpp);
  if (!rle && static_cast<std::uint64_t>(stride) * h > r.remaining()) corrupt("данные изображения обрываются");
  Bitmap bitmap = Bitmap::uninitialized(w, h);
  auto outRow = [&](std::int64_t storedRow) { return static_cast<int>(dib.topDown ? storedRow : h - 1 - storedRow); };
  const std::size_t paletteSize = dib.palette.size();
  auto colour = [&](unsigned index) {
    if (index >= paletteSize) corrupt("номер цвета за пределами палитры");
    return dib.palette[index];
  };

  if (rle) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h, 0);
    incomplete = !decodeRle(dib, r, indices);
    for (int sy = 0; sy < h; ++sy) {
      std::uint8_t* d = bitmap.row(outRow(sy));
      const std::uint8_t* s = indices.data() + static_cast<std::size_t>(sy) * w;
      for (int x = 0; x < w; ++x, d += 3) {
        const Bgr c = colour(s[x]);
        d[0] = c.b;
        d[1] = c.g;
        d[2] = c.r;
      }
    }
    return bitmap;
  }

  const Channel red = channelFor(dib.masks[0]), green = channelFor(dib.masks[1]), blue = channelFor(dib.masks[2]);
  const Channel alpha = channelFor(wantAlpha ? dib.masks[3] : 0);
  const bool withAlpha = (dib.bpp == 16 || dib.bpp == 32) && alpha.bits > 0;
  if (withAlpha) bitmap.addAlpha();
  for (int sy = 0; sy < h; ++sy) {
    const std::uint8_t* s = r.here() + sy * stride;
    const int y = outRow(sy);
    std::uint8_t* d = bitmap.row(y);
    switch (dib.bpp) {
      case 1:
      case 4:
      case 8: {
        const int perByte = 8 / dib.bpp;
        const unsigned mask = (1u << dib.bpp) - 1;
        for (int x = 0; x < w; ++x, d += 3) {
          const int shift = (perByte - 1 - x % perByte) * dib.bpp;
          const Bgr c = colour((s[x / perByte] >> shift) & mask);
          d[0] = c.b;
          d[1] = c.g;
          d[2] = c.r;
        }
        break;
      }
      case 24:
        std::memcpy(d, s, static_cast<std::size_t>(w) * 3);
        break;
      default: {
        std::uint8_t* a = withAlpha ? bitmap.alphaRow(y) : nullptr;
        const int bytes = dib.bpp / 8;
        for (int x = 0; x < w; ++x, d += 3, s += bytes) {
          const std::uint32_t v = bytes == 2 ? std::uint32_t{s[0]} | std::uint32_t{s[1]} << 8
                                             : std::uint32_t{s[0]} | std::uint32_t{s[1]} << 8 |
                                                   std::uint32_t{s[2]} << 16 | std::uint32_t{s[3]} << 24;
          d[0] = blue.get(v);
          d[1] = green.get(v);
          d[2] = red.get(v);
          if (a != nullptr) a[x] = alpha.get(v);
        }
      }
    }
  }
  return bitmap;
}

}  // namespace

PictureInfo probeBmp(const std::uint8_t* data, std::size_t size) {
  const Dib dib = parseDib(data, size, kFileHeaderSize, false);
  PictureInfo info;
  info.width = static_cast<int>(dib.width);
  info.height = static_cast<int>(dib.height);
  info.alpha = (dib.bpp == 16 || dib.bpp == 32) && dib.masks[3] != 0;
  return info;
}

void decodeBmp(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  ByteReader r(data, size);
  r.skip(10);
  const std::uint32_t pixelOffset = r.u32le();
  const Dib dib = parseDib(data, size, kFileHeaderSize, false);
  picture.bitmap = decodeDibPixels(data, size, dib, pixelOffset, true, picture.incomplete);
  // Some writers declare an alpha mask and leave every alpha byte at zero: that is an opaque picture.
  if (picture.bitmap.hasAlpha()) {
    const Bitmap& b = picture.bitmap;
    bool allZero = true;
    for (int y = 0; allZero && y < b.height(); ++y) {
      allZero = std::all_of(b.alphaRow(y), b.alphaRow(y) + b.width(), [](std::uint8_t v) { return v == 0; });
    }
    if (allZero) picture.bitmap.dropAlpha();
  }
  if (picture.incomplete) picture.warning = "файл BMP обрывается: изображение загружено не полностью";
}

Bitmap decodeIcoBitmap(const std::uint8_t* data, std::size_t size) {
  Dib dib = parseDib(data, size, 0, true);
  require(dib.compression == kBiRgb || dib.compression == kBiBitfields, "сжатие в значке");
  std::size_t pixelOffset = ByteReader(data, size).u32le();  // the header size
  if (dib.compression == kBiBitfields && pixelOffset == kInfoHeaderSize) pixelOffset += 12;
  pixelOffset += dib.palette.size() * 4;
  // 32-bit icons keep alpha in the fourth byte even without bit fields.
  if (dib.bpp == 32 && dib.masks[3] == 0) dib.masks[3] = 0xFF000000;
  bool incomplete = false;
  Bitmap bitmap = decodeDibPixels(data, size, dib, pixelOffset, true, incomplete);
  const int w = bitmap.width(), h = bitmap.height();
  bool alphaAllZero = bitmap.hasAlpha();
  for (int y = 0; alphaAllZero && y < h; ++y) {
    const std::uint8_t* a = bitmap.alphaRow(y);
    alphaAllZero = std::all_of(a, a + w, [](std::uint8_t v) { return v == 0; });
  }
  if (bitmap.hasAlpha() && !alphaAllZero) return bitmap;
  // The 1-bit AND mask follows the colour rows: 1 = transparent. Old icons may omit it.
  const std::size_t maskOffset = pixelOffset + static_cast<std::size_t>(rowBytes(w, dib.bpp)) * h;
  const std::size_t maskStride = static_cast<std::size_t>(rowBytes(w, 1));
  bitmap.addAlpha(255);
  if (maskOffset + maskStride * h > size) return bitmap;
  for (int sy = 0; sy < h; ++sy) {
    const std::uint8_t* m = data + maskOffset + maskStride * sy;
    std::uint8_t* a = bitmap.alphaRow(dib.topDown ? sy : h - 1 - sy);
    for (int x = 0; x < w; ++x) a[x] = ((m[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
  }
  return bitmap;
}

void writeBmp(const Bitmap& bitmap, ByteSink& sink) {
  const bool alpha = bitmap.hasAlpha();
  const int w = bitmap.width(), h = bitmap.height();
  const std::uint64_t stride = static_cast<std::uint64_t>(rowBytes(w, alpha ? 32 : 24));
  const std::uint32_t headerSize = alpha ? kV4HeaderSize : kInfoHeaderSize;
  const std::uint64_t pixelOffset = kFileHeaderSize + headerSize;
  const std::uint64_t fileSize = pixelOffset + stride * h;
  if (fileSize > 0xFFFFFFFFu) unsupported("BMP больше 4 ГБ");
  Bytes out;
  out.reserve(pixelOffset);
  ByteWriter wr(out);
  wr.u8('B');
  wr.u8('M');
  wr.u32le(static_cast<std::uint32_t>(fileSize));
  wr.u32le(0);
  wr.u32le(static_cast<std::uint32_t>(pixelOffset));
  wr.u32le(headerSize);
  wr.u32le(static_cast<std::uint32_t>(w));
  wr.u32le(static_cast<std::uint32_t>(h));
  wr.u16le(1);
  wr.u16le(alpha ? 32 : 24);
  wr.u32le(alpha ? kBiBitfields : kBiRgb);
  wr.u32le(static_cast<std::uint32_t>(stride * h));
  wr.u32le(2835);  // 72 dpi in pixels per metre
  wr.u32le(2835);
  wr.u32le(0);
  wr.u32le(0);
  if (alpha) {
    wr.u32le(0x00FF0000);
    wr.u32le(0x0000FF00);
    wr.u32le(0x000000FF);
    wr.u32le(0xFF000000);
    wr.u32le(0x73524742);  // 'sRGB'
    wr.zeros(kV4HeaderSize - 60);
  }
  sink.put(out.data(), out.size());
  const std::size_t pixelBytes = static_cast<std::size_t>(w) * (alpha ? 4 : 3);
  for (int y = h - 1; y >= 0; --y) {  // bottom-up
    std::uint8_t* d = sink.claim(stride);
    std::memset(d + pixelBytes, 0, stride - pixelBytes);
    const std::uint8_t* s = bitmap.row(y);
    if (!alpha) {
      std::memcpy(d, s, pixelBytes);
      continue;
    }
    const std::uint8_t* a = bitmap.alphaRow(y);
    for (int x = 0; x < w; ++x, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = a[x];
    }
  }
}

Bytes encodeBmp(const Bitmap& bitmap) {
  BytesSink sink(static_cast<std::size_t>(rowBytes(bitmap.width(), bitmap.hasAlpha() ? 32 : 24)) * bitmap.height() + 128);
  writeBmp(bitmap, sink);
  return sink.take();
}

}  // namespace virmeya::codecs
