// TGA: colour-mapped, true-colour and grey, plain and run-length encoded, any origin corner;
// written as plain 24-bit (32-bit with alpha), top-down, with the version 2 footer.
#include <algorithm>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kTopDown = 0x20;
constexpr std::uint8_t kRightToLeft = 0x10;

struct TgaHeader {
  int idLength, mapType, type;
  int mapFirst, mapLength, mapEntryBits;
  int width, height, depth, descriptor;
};

TgaHeader parseHeader(const std::uint8_t* data, std::size_t size) {
  ByteReader r(data, size);
  TgaHeader h{};
  h.idLength = r.u8();
  h.mapType = r.u8();
  h.type = r.u8();
  h.mapFirst = r.u16le();
  h.mapLength = r.u16le();
  h.mapEntryBits = r.u8();
  r.skip(4);
  h.width = r.u16le();
  h.height = r.u16le();
  h.depth = r.u8();
  h.descriptor = r.u8();
  return h;
}

// One pixel of `bits` bits (15/16: 5-5-5 with the attribute bit as alpha) to B, G, R, A.
inline void unpack(const std::uint8_t* s, int bits, std::uint8_t out[4]) {
  switch (bits) {
    case 8: out[0] = out[1] = out[2] = s[0]; out[3] = 255; break;
    case 15:
    case 16: {
      const unsigned v = s[0] | s[1] << 8;
      out[0] = static_cast<std::uint8_t>(((v & 0x1F) * 255 + 15) / 31);
      out[1] = static_cast<std::uint8_t>(((v >> 5 & 0x1F) * 255 + 15) / 31);
      out[2] = static_cast<std::uint8_t>(((v >> 10 & 0x1F) * 255 + 15) / 31);
      out[3] = (bits == 16 && (v & 0x8000) == 0) ? 0 : 255;
      break;
    }
    case 24: out[0] = s[0]; out[1] = s[1]; out[2] = s[2]; out[3] = 255; break;
    default: out[0] = s[0]; out[1] = s[1]; out[2] = s[2]; out[3] = s[3]; break;
  }
}

}  // namespace

PictureInfo probeTga(const std::uint8_t* data, std::size_t size) {
  const TgaHeader h = parseHeader(data, size);
  PictureInfo info;
  info.width = h.width;
  info.height = h.height;
  info.alpha = (h.descriptor & 0x0F) != 0 && (h.depth == 32 || h.depth == 16 || h.mapEntryBits == 32);
  return info;
}

void decodeTga(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  const TgaHeader h = parseHeader(data, size);
  checkDecodeSize(h.width, h.height);
  const int base = h.type & 7;
  const bool rle = (h.type & 8) != 0;
  const bool mapped = base == 1;
  if (mapped && (h.mapType != 1 || h.mapLength == 0)) corrupt("нет палитры");
  const int pixelBits = mapped ? h.mapEntryBits : h.depth;
  if (pixelBits != 8 && pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32) {
    unsupported(std::to_string(pixelBits) + "-битный TGA");
  }
  if (mapped && h.depth != 8 && h.depth != 16) unsupported("палитровый TGA с индексами по " + std::to_string(h.depth) + " бит");
  if (base == 3 && h.depth != 8) unsupported(std::to_string(h.depth) + "-битный серый TGA");
  const int fileBytes = (h.depth + 7) / 8;  // bytes per stored pixel (or index)
  const int entryBytes = (pixelBits + 7) / 8;

  ByteReader r(data, size);
  r.seek(kHeaderSize + h.idLength);
  std::vector<std::uint8_t> map;  // the colour map as B, G, R, A
  if (h.mapType == 1) {
    const std::uint8_t* m = r.take(static_cast<std::uint64_t>(h.mapLength) * ((h.mapEntryBits + 7) / 8));
    if (mapped) {
      map.resize(static_cast<std::size_t>(h.mapLength) * 4);
      for (int i = 0; i < h.mapLength; ++i) unpack(m + i * entryBytes, pixelBits, map.data() + 4 * i);
    }
  }

  const std::size_t count = static_cast<std::size_t>(h.width) * h.height;
  // A packet covers at most 128 pixels: data too short even for that is refused before allocating.
  const std::uint64_t leastBytes = rle ? (count + 127) / 128 * (1 + static_cast<std::uint64_t>(fileBytes))
                                       : static_cast<std::uint64_t>(count) * fileBytes;
  if (leastBytes > r.remaining()) corrupt("данные изображения обрываются");
  // Plain pixels are read where they lie in the file; run-length data is expanded first.
  std::vector<std::uint8_t> expanded;
  const std::uint8_t* stored = nullptr;
  bool incomplete = false;
  if (!rle) {
    stored = r.take(static_cast<std::uint64_t>(count) * fileBytes);
  } else {
    expanded.resize(count * fileBytes);
    stored = expanded.data();
    // Packets may run on from one row into the next (many writers do so), never past the picture.
    std::size_t done = 0;
    while (done < count) {
      if (r.remaining() == 0) {
        incomplete = true;
        break;
      }
      const std::uint8_t head = r.u8();
      const std::size_t n = (head & 0x7F) + 1u;
      if (n > count - done) corrupt("серия выходит за пределы изображения");
      std::uint8_t* d = expanded.data() + done * fileBytes;
      if (head & 0x80) {
        if (r.remaining() < static_cast<std::size_t>(fileBytes)) {
          incomplete = true;
          break;
        }
        const std::uint8_t* v = r.take(fileBytes);
        for (std::size_t i = 0; i < n; ++i) std::memcpy(d + i * fileBytes, v, fileBytes);
      } else {
        if (r.remaining() < n * fileBytes) {
          incomplete = true;
          break;
        }
        std::memcpy(d, r.take(n * fileBytes), n * fileBytes);
      }
      done += n;
    }
    if (incomplete) std::fill(expanded.begin() + static_cast<std::ptrdiff_t>(done * fileBytes), expanded.end(), 0);
  }

  const bool alphaBits = (h.descriptor & 0x0F) != 0;
  const bool wantAlpha = pixelBits == 32 || (pixelBits == 16 && alphaBits);
  Bitmap bitmap = Bitmap::uninitialized(h.width, h.height);
  if (wantAlpha) bitmap.addAlpha();
  const bool topDown = (h.descriptor & kTopDown) != 0;
  const bool rightToLeft = (h.descriptor & kRightToLeft) != 0;
  const int mapCount = h.mapLength;
  bool anyAlpha = false;
  for (int sy = 0; sy < h.height; ++sy) {
    const int y = topDown ? sy : h.height - 1 - sy;
    const std::uint8_t* s = stored + static_cast<std::size_t>(sy) * h.width * fileBytes;
    std::uint8_t* d = bitmap.row(y);
    std::uint8_t* a = wantAlpha ? bitmap.alphaRow(y) : nullptr;
    if (!mapped && h.depth == 24 && !rightToLeft) {  // stored exactly as our rows
      std::memcpy(d, s, static_cast<std::size_t>(h.width) * 3);
      continue;
    }
    for (int sx = 0; sx < h.width; ++sx, s += fileBytes) {
      const int x = rightToLeft ? h.width - 1 - sx : sx;
      std::uint8_t px[4];
      if (mapped) {
        const int index = (fileBytes == 2 ? (s[0] | s[1] << 8) : s[0]) - h.mapFirst;
        if (index < 0 || index >= mapCount) corrupt("номер цвета за пределами палитры");
        std::memcpy(px, map.data() + 4 * index, 4);
      } else {
        unpack(s, h.depth, px);
      }
      d[3 * x] = px[0];
      d[3 * x + 1] = px[1];
      d[3 * x + 2] = px[2];
      if (a != nullptr) {
        a[x] = px[3];
        anyAlpha = anyAlpha || px[3] != 0;
      }
    }
  }
  // Old writers put 32-bit pixels with an unused, zero fourth byte: that is an opaque picture.
  if (wantAlpha && !anyAlpha && !alphaBits) bitmap.dropAlpha();
  picture.bitmap = std::move(bitmap);
  picture.incomplete = incomplete;
  if (incomplete) picture.warning = "файл TGA обрывается: изображение загружено не полностью";
}

void writeTga(const Bitmap& bitmap, ByteSink& sink) {
  const bool alpha = bitmap.hasAlpha();
  const int w = bitmap.width(), h = bitmap.height();
  if (w > 0xFFFF || h > 0xFFFF) unsupported("TGA больше 65535 точек по стороне");
  const int bytes = alpha ? 4 : 3;
  Bytes out;
  out.reserve(kHeaderSize);
  ByteWriter wr(out);
  wr.u8(0);
  wr.u8(0);
  wr.u8(2);  // plain true colour
  wr.zeros(5);
  wr.u16le(0);
  wr.u16le(0);
  wr.u16le(static_cast<unsigned>(w));
  wr.u16le(static_cast<unsigned>(h));
  wr.u8(alpha ? 32 : 24);
  wr.u8(kTopDown | (alpha ? 8 : 0));
  sink.put(out.data(), out.size());
  out.clear();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = sink.claim(static_cast<std::size_t>(w) * bytes);
    const std::uint8_t* s = bitmap.row(y);
    const std::uint8_t* a = alpha ? bitmap.alphaRow(y) : nullptr;
    for (int x = 0; x < w; ++x, s += 3, d += bytes) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      if (alpha) d[3] = a[x];
    }
  }
  wr.u32le(0);  // no extension area
  wr.u32le(0);  // no developer area
  for (const char c : std::string_view("TRUEVISION-XFILE.")) wr.u8(static_cast<unsigned char>(c));
  wr.u8(0);
  sink.put(out.data(), out.size());
}

Bytes encodeTga(const Bitmap& bitmap) {
  BytesSink sink(kHeaderSize + static_cast<std::size_t>(bitmap.width()) * bitmap.height() * (bitmap.hasAlpha() ? 4 : 3) + 26);
  writeTga(bitmap, sink);
  return sink.take();
}

}  // namespace virmeya::codecs
