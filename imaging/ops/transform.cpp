// Exact pixel moves: flips, quarter and half turns, crop.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/errors.h"
#include "imaging/ops/geometry.h"
#include "imaging/ops/transform_internal.h"
#include "imaging/parallel.h"

namespace virmeya {

void Flip(Bitmap& bitmap, FlipDirection direction) {
  const int w = bitmap.width();
  const int h = bitmap.height();
  if (direction == FlipDirection::Vertical) {
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    parallelRows(h / 2, [&](int y0, int y1) {
      std::vector<std::uint8_t> tmp(rowBytes);
      for (int y = y0; y < y1; ++y) {
        std::memcpy(tmp.data(), bitmap.row(y), rowBytes);
        std::memcpy(bitmap.row(y), bitmap.row(h - 1 - y), rowBytes);
        std::memcpy(bitmap.row(h - 1 - y), tmp.data(), rowBytes);
        if (bitmap.hasAlpha()) std::swap_ranges(bitmap.alphaRow(y), bitmap.alphaRow(y) + w, bitmap.alphaRow(h - 1 - y));
      }
    });
    return;
  }
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int a = 0, b = w - 1; a < b; ++a, --b) {
        std::swap(p[3 * a], p[3 * b]);
        std::swap(p[3 * a + 1], p[3 * b + 1]);
        std::swap(p[3 * a + 2], p[3 * b + 2]);
      }
      if (bitmap.hasAlpha()) std::reverse(bitmap.alphaRow(y), bitmap.alphaRow(y) + w);
    }
  });
}

namespace ops {

// Quarter turns move tiles of 64 × 64 pixels so both the reads and the writes stay in cache.
Bitmap rotateQuarter(const Bitmap& source, int quarters) {
  quarters = ((quarters % 4) + 4) % 4;
  const int w = source.width();
  const int h = source.height();
  if (quarters == 0) return source.clone();
  if (quarters == 2) {
    Bitmap out = source.clone();
    Flip(out, FlipDirection::Horizontal);
    Flip(out, FlipDirection::Vertical);
    return out;
  }
  // 1 = counter-clockwise: source (x, y) → (y, W − 1 − x); 3 = clockwise: (x, y) → (H − 1 − y, x).
  Bitmap out = Bitmap::uninitialized(h, w);
  if (source.hasAlpha()) out.addAlpha();
  constexpr int kTile = 64;
  const bool ccw = quarters == 1;
  parallelRows((w + kTile - 1) / kTile, [&](int t0, int t1) {
    for (int tx = t0 * kTile; tx < std::min(w, t1 * kTile); tx += kTile) {
      for (int ty = 0; ty < h; ty += kTile) {
        const int xe = std::min(w, tx + kTile), ye = std::min(h, ty + kTile);
        for (int x = tx; x < xe; ++x) {
          const int oy = ccw ? w - 1 - x : x;
          std::uint8_t* d = out.row(oy);
          std::uint8_t* da = source.hasAlpha() ? out.alphaRow(oy) : nullptr;
          for (int y = ty; y < ye; ++y) {
            const int ox = ccw ? y : h - 1 - y;
            const std::uint8_t* s = source.row(y) + 3 * x;
            d[3 * ox] = s[0];
            d[3 * ox + 1] = s[1];
            d[3 * ox + 2] = s[2];
            if (da) da[ox] = source.alphaRow(y)[x];
          }
        }
      }
    }
  }, 1);
  return out;
}

}  // namespace ops

Bitmap Crop(const Bitmap& source, int x, int y, int width, int height) {
  const long long x0 = std::max(0, x), y0 = std::max(0, y);
  const long long x1 = std::min<long long>(source.width(), static_cast<long long>(x) + std::max(0, width));
  const long long y1 = std::min<long long>(source.height(), static_cast<long long>(y) + std::max(0, height));
  if (x1 <= x0 || y1 <= y0) {
    throw ImagingError(ImagingErrorKind::InvalidArgument, "прямоугольник кадрирования не пересекается с изображением");
  }
  const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
  Bitmap out = Bitmap::uninitialized(w, h);
  for (int r = 0; r < h; ++r) {
    std::memcpy(out.row(r), source.row(static_cast<int>(y0) + r) + 3 * x0, static_cast<std::size_t>(w) * 3);
  }
  if (source.hasAlpha()) {
    out.addAlpha();
    for (int r = 0; r < h; ++r) {
      std::memcpy(out.alphaRow(r), source.alphaRow(static_cast<int>(y0) + r) + x0, static_cast<std::size_t>(w));
    }
  }
  return out;
}

}  // namespace virmeya
