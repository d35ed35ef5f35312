// PCX: monochrome, 16-colour (four bit planes), 256-colour (palette at the end, or grey without it)
// and 24-bit (three planes); written as run-length encoded 24-bit.
#include <algorithm>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteMarkerSize = 769;  // 0x0C followed by 256 RGB triples

struct PcxHeader {
  int version, encoding, bitsPerPixel;
  std::int64_t width, height;
  int planes;
  std::size_t bytesPerLine;
  const std::uint8_t* egaPalette;  // 16 RGB triples inside the header
};

PcxHeader parseHeader(const std::uint8_t* data, std::size_t size) {
  ByteReader r(data, size);
  PcxHeader h{};
  r.u8();
  h.version = r.u8();
  h.encoding = r.u8();
  h.bitsPerPixel = r.u8();
  const int xMin = r.u16le(), yMin = r.u16le(), xMax = r.u16le(), yMax = r.u16le();
  r.skip(4);
  h.egaPalette = r.take(48);
  r.u8();
  h.planes = r.u8();
  h.bytesPerLine = r.u16le();
  if (xMax < xMin || yMax < yMin) corrupt("отрицательный размер");
  h.width = std::int64_t{xMax} - xMin + 1;
  h.height = std::int64_t{yMax} - yMin + 1;
  return h;
}

}  // namespace

PictureInfo probePcx(const std::uint8_t* data, std::size_t size) {
  const PcxHeader h = parseHeader(data, size);
  PictureInfo info;
  info.width = static_cast<int>(h.width);
  info.height = static_cast<int>(h.height);
  return info;
}

void decodePcx(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  const PcxHeader h = parseHeader(data, size);
  checkDecodeSize(h.width, h.height);
  const int bpp = h.bitsPerPixel, planes = h.planes;
  const bool mono = bpp == 1 && planes == 1;
  const bool ega = bpp == 1 && planes == 4;
  const bool indexed = bpp == 8 && planes == 1;
  const bool trueColour = bpp == 8 && (planes == 3 || planes == 4);
  const bool nibble = bpp == 4 && planes == 1;
  if (!(mono || ega || indexed || trueColour || nibble)) {
    unsupported("PCX с " + std::to_string(planes) + " плоскостями по " + std::to_string(bpp) + " бит");
  }
  if (h.bytesPerLine == 0) corrupt("нулевая длина строки");
  if (h.bytesPerLine * 8 < static_cast<std::uint64_t>(h.width) * bpp) corrupt("строка короче ширины");
  const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
  const std::size_t lineBytes = h.bytesPerLine * planes;
  const std::uint64_t total = static_cast<std::uint64_t>(lineBytes) * ht;

  // Only 256-colour files carry the palette after the pixel data.
  std::size_t dataEnd = size;
  const std::uint8_t* palette256 = nullptr;
  if (indexed && h.version >= 5 && size >= kHeaderSize + kPaletteMarkerSize &&
      data[size - kPaletteMarkerSize] == 0x0C) {
    palette256 = data + size - 768;
    dataEnd = size - kPaletteMarkerSize;
  }

  // A run covers at most 63 bytes: data too short even for that is refused before allocating.
  const std::uint64_t available = dataEnd - kHeaderSize;
  if ((h.encoding == 0 ? total : (total + 62) / 63 * 2) > available) corrupt("данные изображения обрываются");
  std::vector<std::uint8_t> lines(total);
  bool incomplete = false;
  {
    ByteReader r(data, dataEnd);
    r.seek(kHeaderSize);
    if (h.encoding == 0) {
      if (total > r.remaining()) corrupt("данные изображения обрываются");
      std::memcpy(lines.data(), r.take(total), total);
    } else {
      std::uint64_t done = 0;
      while (done < total) {
        if (r.remaining() == 0) {
          incomplete = true;
          break;
        }
        std::uint8_t b = r.u8();
        std::uint64_t n = 1;
        if ((b & 0xC0) == 0xC0) {
          n = b & 0x3F;
          if (r.remaining() == 0) {
            incomplete = true;
            break;
          }
          b = r.u8();
        }
        if (n > total - done) corrupt("серия выходит за пределы изображения");
        std::memset(lines.data() + done, b, n);
        done += n;
      }
    }
  }

  Bitmap bitmap = Bitmap::uninitialized(w, ht);
  const bool alpha = trueColour && planes == 4;
  if (alpha) bitmap.addAlpha();
  for (int y = 0; y < ht; ++y) {
    const std::uint8_t* line = lines.data() + lineBytes * y;
    std::uint8_t* d = bitmap.row(y);
    const std::size_t bpl = h.bytesPerLine;
    for (int x = 0; x < w; ++x, d += 3) {
      if (trueColour) {
        d[2] = line[x];
        d[1] = line[bpl + x];
        d[0] = line[2 * bpl + x];
        if (alpha) bitmap.alphaRow(y)[x] = line[3 * bpl + x];
      } else if (mono) {
        d[0] = d[1] = d[2] = ((line[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
      } else {
        int index = 0;
        if (ega) {
          for (int p = 0; p < 4; ++p) index |= ((line[p * bpl + x / 8] >> (7 - x % 8)) & 1) << p;
        } else if (nibble) {
          index = (line[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
        } else {
          index = line[x];
        }
        if (indexed && palette256 == nullptr) {
          d[0] = d[1] = d[2] = static_cast<std::uint8_t>(index);
        } else {
          const std::uint8_t* c = (indexed ? palette256 : h.egaPalette) + 3 * index;
          d[0] = c[2];
          d[1] = c[1];
          d[2] = c[0];
        }
      }
    }
  }
  picture.bitmap = std::move(bitmap);
  picture.incomplete = incomplete;
  if (incomplete) picture.warning = "файл PCX обрывается: изображение загружено не полностью";
}

namespace {

// Run-length encodes one plane line; runs never cross lines (as readers expect).
void encodeLine(const std::uint8_t* s, std::size_t n, Bytes& out) {
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    while (i + run < n && run < 63 && s[i + run] == s[i]) ++run;
    if (run > 1 || (s[i] & 0xC0) == 0xC0) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | run));
    }
    out.push_back(s[i]);
    i += run;
  }
}

}  // namespace

Bytes encodePcx(const Bitmap& bitmap) {
  const int w = bitmap.width(), h = bitmap.height();
  if (w > 0xFFFF || h > 0xFFFF) unsupported("PCX больше 65535 точек по стороне");
  const std::size_t bpl = (static_cast<std::size_t>(w) + 1) & ~std::size_t{1};  // even, as the format asks
  Bytes out;
  out.reserve(kHeaderSize + static_cast<std::size_t>(h) * bpl * 3 / 2);
  ByteWriter wr(out);
  wr.u8(0x0A);
  wr.u8(5);
  wr.u8(1);
  wr.u8(8);
  wr.u16le(0);
  wr.u16le(0);
  wr.u16le(static_cast<unsigned>(w - 1));
  wr.u16le(static_cast<unsigned>(h - 1));
  wr.u16le(72);
  wr.u16le(72);
  wr.zeros(48);
  wr.u8(0);
  wr.u8(3);
  wr.u16le(static_cast<unsigned>(bpl));
  wr.u16le(1);
  wr.zeros(kHeaderSize - out.size());
  std::vector<std::uint8_t> plane(bpl, 0);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = bitmap.row(y);
    for (int c = 2; c >= 0; --c) {  // red, green, blue planes
      for (int x = 0; x < w; ++x) plane[x] = s[3 * x + c];
      encodeLine(plane.data(), bpl, out);
    }
  }
  return out;
}

}  // namespace virmeya::codecs
