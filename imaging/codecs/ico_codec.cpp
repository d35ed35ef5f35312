// ICO and CUR: the largest image of the directory is read (BMP or PNG inside); written as one 32-bit
// image of at most 256 × 256, scaled down by area averaging when the picture is larger.
#include <algorithm>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr std::size_t kDirHeader = 6;
constexpr std::size_t kEntrySize = 16;
constexpr int kMaxIconSide = 256;

struct IconEntry {
  int width, height, bpp;
  std::uint32_t size, offset;
};

std::vector<IconEntry> readDirectory(const std::uint8_t* data, std::size_t size) {
  ByteReader r(data, size);
  r.skip(4);
  const int count = r.u16le();
  if (count == 0) corrupt("в файле нет изображений");
  std::vector<IconEntry> entries;
  for (int i = 0; i < count; ++i) {
    IconEntry e{};
    e.width = r.u8();
    e.height = r.u8();
    r.skip(4);  // colour count, reserved, planes or hot spot x
    e.bpp = r.u16le();
    e.size = r.u32le();
    e.offset = r.u32le();
    if (e.width == 0) e.width = 256;
    if (e.height == 0) e.height = 256;
    if (e.offset < kDirHeader || e.size == 0 || std::uint64_t{e.offset} + e.size > size) {
      corrupt("изображение значка за концом файла");
    }
    entries.push_back(e);
  }
  return entries;
}

const IconEntry& largest(const std::vector<IconEntry>& entries) {
  return *std::max_element(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& b) {
    const long long pa = static_cast<long long>(a.width) * a.height, pb = static_cast<long long>(b.width) * b.height;
    return pa != pb ? pa < pb : a.bpp < b.bpp;
  });
}

bool isPng(const std::uint8_t* p, std::size_t n) { return n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0; }

bool fullyOpaque(const Bitmap& b) {
  for (int y = 0; y < b.height(); ++y) {
    const std::uint8_t* a = b.alphaRow(y);
    if (!std::all_of(a, a + b.width(), [](std::uint8_t v) { return v == 255; })) return false;
  }
  return true;
}

// Area average into dw × dh; colours weighted by alpha so transparent pixels do not darken edges.
Bitmap shrink(const Bitmap& src, int dw, int dh) {
  Bitmap out(dw, dh);
  const bool alpha = src.hasAlpha();
  if (alpha) out.addAlpha();
  const int sw = src.width(), sh = src.height();
  for (int y = 0; y < dh; ++y) {
    const int y0 = static_cast<int>(static_cast<long long>(y) * sh / dh);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * sh / dh));
    for (int x = 0; x < dw; ++x) {
      const int x0 = static_cast<int>(static_cast<long long>(x) * sw / dw);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * sw / dw));
      std::uint64_t sum[3] = {0, 0, 0}, weight = 0, alphaSum = 0, n = 0;
      for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* p = src.row(sy);
        for (int sx = x0; sx < x1; ++sx) {
          const unsigned a = alpha ? src.alphaRow(sy)[sx] : 255;
          for (int c = 0; c < 3; ++c) sum[c] += std::uint64_t{p[3 * sx + c]} * a;
          weight += a;
          alphaSum += a;
          ++n;
        }
      }
      std::uint8_t* d = out.row(y) + 3 * x;
      for (int c = 0; c < 3; ++c) d[c] = weight ? static_cast<std::uint8_t>((sum[c] + weight / 2) / weight) : 0;
      if (alpha) out.alphaRow(y)[x] = static_cast<std::uint8_t>((alphaSum + n / 2) / n);
    }
  }
  return out;
}

}  // namespace

void decodeIco(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  const IconEntry e = largest(readDirectory(data, size));
  const std::uint8_t* p = data + e.offset;
  if (isPng(p, e.size)) {
    DecodedPicture inner;
    decodePng(p, e.size, inner);
    picture.bitmap = std::move(inner.bitmap);
  } else {
    picture.bitmap = decodeIcoBitmap(p, e.size);
  }
  if (picture.bitmap.hasAlpha() && fullyOpaque(picture.bitmap)) picture.bitmap.dropAlpha();
}

// Icons are small: the probe decodes the chosen image, since only its pixels tell whether it has
// any transparency.
PictureInfo probeIco(const std::uint8_t* data, std::size_t size) {
  DecodedPicture picture;
  decodeIco(data, size, picture);
  PictureInfo info;
  info.width = picture.bitmap.width();
  info.height = picture.bitmap.height();
  info.alpha = picture.bitmap.hasAlpha();
  return info;
}

Bytes encodeIco(const Bitmap& bitmap, bool cursor) {
  const Bitmap* source = &bitmap;
  Bitmap scaled;
  if (bitmap.width() > kMaxIconSide || bitmap.height() > kMaxIconSide) {
    const double k = std::min(static_cast<double>(kMaxIconSide) / bitmap.width(),
                              static_cast<double>(kMaxIconSide) / bitmap.height());
    const int dw = std::clamp(static_cast<int>(bitmap.width() * k + 0.5), 1, kMaxIconSide);
    const int dh = std::clamp(static_cast<int>(bitmap.height() * k + 0.5), 1, kMaxIconSide);
    scaled = shrink(bitmap, dw, dh);
    source = &scaled;
  }
  const Bitmap& b = *source;
  const int w = b.width(), h = b.height();
  const std::size_t maskStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(40 + static_cast<std::size_t>(w) * h * 4 + maskStride * h);
  Bytes out;
  ByteWriter wr(out);
  wr.u16le(0);
  wr.u16le(cursor ? 2 : 1);
  wr.u16le(1);
  wr.u8(w == 256 ? 0 : static_cast<unsigned>(w));
  wr.u8(h == 256 ? 0 : static_cast<unsigned>(h));
  wr.u8(0);
  wr.u8(0);
  wr.u16le(cursor ? 0 : 1);   // planes, or the hot spot's x for a cursor
  wr.u16le(cursor ? 0 : 32);  // bits per pixel, or the hot spot's y
  wr.u32le(imageBytes);
  wr.u32le(static_cast<std::uint32_t>(kDirHeader + kEntrySize));
  wr.u32le(40);
  wr.u32le(static_cast<std::uint32_t>(w));
  wr.u32le(static_cast<std::uint32_t>(2 * h));
  wr.u16le(1);
  wr.u16le(32);
  wr.zeros(24);
  for (int y = h - 1; y >= 0; --y) {
    const std::uint8_t* s = b.row(y);
    for (int x = 0; x < w; ++x, s += 3) {
      wr.u8(s[0]);
      wr.u8(s[1]);
      wr.u8(s[2]);
      wr.u8(b.hasAlpha() ? b.alphaRow(y)[x] : 255);
    }
  }
  // The AND mask: 1 marks a transparent pixel, for readers that ignore the alpha byte.
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> mask(maskStride, 0);
    if (b.hasAlpha()) {
      const std::uint8_t* a = b.alphaRow(y);
      for (int x = 0; x < w; ++x) {
        if (a[x] < 128) mask[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    wr.bytes(mask.data(), mask.size());
  }
  return out;
}

}  // namespace virmeya::codecs
