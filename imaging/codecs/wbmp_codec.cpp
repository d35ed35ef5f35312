// WBMP (wireless bitmap): type 0 only, one bit per pixel, 1 is white.
#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

struct WbmpHeader {
  std::uint64_t width = 0, height = 0;
  std::size_t dataOffset = 0;
};

std::uint64_t multiByte(ByteReader& r) {
  std::uint64_t v = 0;
  for (int i = 0; i < 5; ++i) {
    const std::uint8_t b = r.u8();
    v = v << 7 | (b & 0x7F);
    if ((b & 0x80) == 0) return v;
  }
  corrupt("слишком длинное число в заголовке");
}

WbmpHeader parseHeader(const std::uint8_t* data, std::size_t size) {
  ByteReader r(data, size);
  if (r.u8() != 0) unsupported("WBMP этого типа");
  if (r.u8() != 0) unsupported("WBMP с расширенным заголовком");
  WbmpHeader h;
  h.width = multiByte(r);
  h.height = multiByte(r);
  h.dataOffset = r.pos();
  return h;
}

}  // namespace

PictureInfo probeWbmp(const std::uint8_t* data, std::size_t size) {
  const WbmpHeader h = parseHeader(data, size);
  PictureInfo info;
  info.width = static_cast<int>(h.width);
  info.height = static_cast<int>(h.height);
  return info;
}

void decodeWbmp(const std::uint8_t* data, std::size_t size, DecodedPicture& picture) {
  const WbmpHeader h = parseHeader(data, size);
  checkDecodeSize(static_cast<std::int64_t>(h.width), static_cast<std::int64_t>(h.height));
  const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
  const std::size_t rowBytes = (static_cast<std::size_t>(w) + 7) / 8;
  if (rowBytes * ht > size - h.dataOffset) corrupt("данные изображения обрываются");
  Bitmap bitmap = Bitmap::uninitialized(w, ht);
  for (int y = 0; y < ht; ++y) {
    const std::uint8_t* s = data + h.dataOffset + rowBytes * y;
    std::uint8_t* d = bitmap.row(y);
    for (int x = 0; x < w; ++x, d += 3) d[0] = d[1] = d[2] = ((s[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
  }
  picture.bitmap = std::move(bitmap);
}

}  // namespace virmeya::codecs
