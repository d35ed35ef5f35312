// The benchmarks' 24-megapixel test photo (6000 × 4000), made in code once per program.
#pragma once

#include <cmath>
#include <cstdint>

#include "imaging/bitmap.h"

namespace virmeya {

// A photo-like picture: smooth colour fields with edges and fine grain (a flat picture would
// flatter the codecs, the histogram-based operations and the quantiser).
inline const Bitmap& benchPhoto() {
  static const Bitmap picture = [] {
    constexpr int w = 6000, h = 4000;
    Bitmap b = Bitmap::uninitialized(w, h);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
      std::uint8_t* p = b.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = static_cast<int>((seed >> 24) % 17) - 8;
        const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
        const bool object = (x / 700 + y / 500) % 3 == 0;
        const int r = static_cast<int>(120 + 100 * std::sin(6 * u + 2 * v)) + (object ? 40 : 0);
        const int g = static_cast<int>(110 + 90 * std::cos(4 * v - 3 * u));
        const int bl = static_cast<int>(100 + 80 * std::sin(9 * u * v + 1)) - (object ? 50 : 0);
        p[0] = ClampByte(bl + grain);
        p[1] = ClampByte(g + grain);
        p[2] = ClampByte(r + grain);
      }
    }
    return b;
  }();
  return picture;
}

}  // namespace virmeya
