// EXIF orientation: reading the tag from a TIFF-structured EXIF block, and turning a decoded picture
// upright according to it.
#include <algorithm>

#include "imaging/codecs/codec_internal.h"
#include "imaging/parallel.h"

namespace virmeya::codecs {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kIfdEntrySize = 12;

struct Endian {
  bool little;
  std::uint16_t u16(const std::uint8_t* p) const {
    return little ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  }
  std::uint32_t u32(const std::uint8_t* p) const {
    return little ? (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                     std::uint32_t{p[3]} << 24)
                  : (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
                     std::uint32_t{p[3]});
  }
};

// Where the source pixel of output (x, y) lies, as sx = x0 + ax·x + ay·y (same for sy), for the
// output picture of the eight orientations. w, h: the stored size.
struct Mapping {
  int sx0, sxx, sxy;
  int sy0, syx, syy;
  bool swapsSides;
};

Mapping mappingFor(int orientation, int w, int h) {
  switch (orientation) {
    case 2: return {w - 1, -1, 0, 0, 0, 1, false};           // mirrored left-right
    case 3: return {w - 1, -1, 0, h - 1, 0, -1, false};      // upside down
    case 4: return {0, 1, 0, h - 1, 0, -1, false};           // mirrored top-bottom
    case 5: return {0, 0, 1, 0, 1, 0, true};                 // transposed
    case 6: return {0, 0, 1, h - 1, -1, 0, true};            // needs a quarter turn clockwise
    case 7: return {w - 1, 0, -1, h - 1, -1, 0, true};       // transversed
    case 8: return {w - 1, 0, -1, 0, 1, 0, true};            // needs a quarter turn anticlockwise
    default: return {0, 1, 0, 0, 0, 1, false};
  }
}

}  // namespace

int exifOrientation(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 1;
  Endian e{};
  if (data[0] == 'I' && data[1] == 'I') {
    e.little = true;
  } else if (data[0] == 'M' && data[1] == 'M') {
    e.little = false;
  } else {
    return 1;
  }
  if (e.u16(data + 2) != 42) return 1;
  const std::uint64_t ifd = e.u32(data + 4);
  if (ifd + 2 > size) return 1;
  const unsigned count = e.u16(data + ifd);
  for (unsigned i = 0; i < count; ++i) {
    const std::uint64_t entry = ifd + 2 + std::uint64_t{i} * kIfdEntrySize;
    if (entry + kIfdEntrySize > size) return 1;
    const std::uint8_t* p = data + entry;
    if (e.u16(p) != kOrientationTag) continue;
    if (e.u16(p + 2) != kTypeShort || e.u32(p + 4) < 1) return 1;
    const int value = e.u16(p + 8);
    return (value >= 1 && value <= 8) ? value : 1;
  }
  return 1;
}

void applyOrientation(Bitmap& bitmap, int orientation) {
  if (orientation <= 1 || orientation > 8 || bitmap.empty()) return;
  const int w = bitmap.width(), h = bitmap.height();
  const Mapping m = mappingFor(orientation, w, h);
  const int ow = m.swapsSides ? h : w;
  const int oh = m.swapsSides ? w : h;
  Bitmap out = Bitmap::uninitialized(ow, oh);
  if (bitmap.hasAlpha()) out.addAlpha();
  const std::ptrdiff_t stride = bitmap.stride();
  const std::ptrdiff_t pixelStep = 3 * static_cast<std::ptrdiff_t>(m.sxx) + stride * m.syx;
  const std::ptrdiff_t alphaStep = m.sxx + static_cast<std::ptrdiff_t>(w) * m.syx;
  const Bitmap& src = bitmap;
  parallelRows(oh, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      const int sx = m.sx0 + m.sxy * y;
      const int sy = m.sy0 + m.syy * y;
      const std::uint8_t* s = src.row(sy) + 3 * static_cast<std::ptrdiff_t>(sx);
      std::uint8_t* d = out.row(y);
      for (int x = 0; x < ow; ++x, s += pixelStep, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
      if (src.hasAlpha()) {
        const std::uint8_t* a = src.alphaRow(sy) + sx;
        std::uint8_t* da = out.alphaRow(y);
        for (int x = 0; x < ow; ++x, a += alphaStep) da[x] = *a;
      }
    }
  });
  bitmap = std::move(out);
}

}  // namespace virmeya::codecs
