// Recognising a picture format from its first bytes. Formats with a magic number come first; TGA and
// WBMP have none, so they are recognised last by a consistent header.
#include <cctype>

#include "imaging/codecs/codec_internal.h"

namespace virmeya::codecs {

namespace {

bool startsWith(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

bool looksLikePcx(const std::uint8_t* d, std::size_t size) {
  if (size < 128 || d[0] != 0x0A) return false;
  const bool version = d[1] == 0 || d[1] == 2 || d[1] == 3 || d[1] == 4 || d[1] == 5;
  const bool encoding = d[2] == 0 || d[2] == 1;
  const bool bits = d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8;
  return version && encoding && bits;
}

bool looksLikeTga(const std::uint8_t* d, std::size_t size) {
  static const char kFooter[] = "TRUEVISION-XFILE.";
  if (size >= 18 + 26 && std::memcmp(d + size - 18, kFooter, sizeof kFooter) == 0) return true;
  if (size < 18) return false;
  const int mapType = d[1], type = d[2], mapEntryBits = d[7], depth = d[16];
  if (mapType > 1) return false;
  const int base = type & ~8;
  if (type != base + 8 && type != base) return false;
  if (base < 1 || base > 3) return false;
  if (base == 1 && (mapType != 1 || (depth != 8 && depth != 16))) return false;
  if (base == 2 && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
  if (base == 3 && depth != 8 && depth != 16) return false;
  if (mapType == 1 && mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32) {
    return false;
  }
  return (d[17] & 0xC0) == 0;  // the interleave bits are never set in practice
}

// Reads a WBMP multi-byte integer (seven bits per byte, high bit = more follows).
bool wbmpNumber(const std::uint8_t* d, std::size_t size, std::size_t& pos, std::uint64_t& value) {
  value = 0;
  for (int i = 0; i < 5; ++i) {
    if (pos >= size) return false;
    const std::uint8_t b = d[pos++];
    value = value << 7 | (b & 0x7F);
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

// WBMP: type 0, fixed header 0, width, height, then exactly the rows; without magic we insist
// that the size matches.
bool looksLikeWbmp(const std::uint8_t* d, std::size_t size) {
  if (size < 4 || d[0] != 0 || d[1] != 0) return false;
  std::size_t pos = 2;
  std::uint64_t w = 0, h = 0;
  if (!wbmpNumber(d, size, pos, w) || !wbmpNumber(d, size, pos, h)) return false;
  if (w == 0 || h == 0) return false;
  return pos + (w + 7) / 8 * h == size;
}

}  // namespace

PictureFormat sniffFormat(const std::uint8_t* d, std::size_t size) {
  if (size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return PictureFormat::Jpeg;
  if (startsWith(d, size, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
  if (startsWith(d, size, "II*\0", 4) || startsWith(d, size, "MM\0*", 4) ||
      startsWith(d, size, "II+\0", 4) || startsWith(d, size, "MM\0+", 4)) {
    return PictureFormat::Tiff;
  }
  if (startsWith(d, size, "GIF87a", 6) || startsWith(d, size, "GIF89a", 6)) return PictureFormat::Gif;
  if (startsWith(d, size, "BM", 2) && size >= 14 + 12) return PictureFormat::Bmp;
  if (size >= 6 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0 && (d[4] | d[5]) != 0) {
    return d[2] == 1 ? PictureFormat::Ico : PictureFormat::Cur;
  }
  if (size >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6' && std::isspace(d[2])) return PictureFormat::Pnm;
  if (looksLikePcx(d, size)) return PictureFormat::Pcx;
  if (looksLikeWbmp(d, size)) return PictureFormat::Wbmp;
  if (looksLikeTga(d, size)) return PictureFormat::Tga;
  return PictureFormat::Unknown;
}

}  // namespace virmeya::codecs
