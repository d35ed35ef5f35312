// Soft drop shadow and inner shadow.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "imaging/ops/blur_internal.h"
#include "imaging/ops/filters.h"
#include "imaging/parallel.h"

namespace virmeya {

// The shadow's fall-off: the outline is blurred by a Gaussian with σ = radius / 2, so the shadow
// fades to nothing (under 0.01 %) at 2.5 · radius from the outline — exactly the room the grown
// canvas leaves on each side, round(5 · radius) / 2, plus the offset.
Bitmap SoftShadow(const Bitmap& source, int radius, int offsetX, int offsetY, Bgr colour, int intensity) {
  const int w = source.width(), h = source.height();
  const int r = std::max(0, radius);
  const int e = std::max(2 * std::max(std::abs(offsetX), std::abs(offsetY)) + roundEvenInt(5.0 * r), 1);
  const int ow = w + e, oh = h + e;
  const int px = e / 2, py = e / 2;
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(ow) * oh, 0);
  const double sigma = r / 2.0;
  if (!source.hasAlpha() && r > 0) {
    // An opaque photo's outline is a rectangle, and a Gaussian blur of a rectangle is the product
    // of two blurred edges: Φ-differences per column and per row, no convolution needed.
    auto profile = [sigma](int n, int from, int to) {
      std::vector<double> f(static_cast<std::size_t>(n));
      auto phi = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
      for (int i = 0; i < n; ++i) f[static_cast<std::size_t>(i)] = phi((i + 0.5 - from) / sigma) - phi((i + 0.5 - to) / sigma);
      return f;
    };
    const std::vector<double> fx = profile(ow, px + offsetX, px + offsetX + w);
    const std::vector<double> fy = profile(oh, py + offsetY, py + offsetY + h);
    parallelRows(oh, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        std::uint8_t* m = mask.data() + static_cast<std::size_t>(y) * ow;
        const double ry = fy[static_cast<std::size_t>(y)] * 255.0;
        for (int x = 0; x < ow; ++x) m[x] = static_cast<std::uint8_t>(std::lrint(ry * fx[static_cast<std::size_t>(x)]));
      }
    });
  } else {
    for (int y = 0; y < h; ++y) {
      const int my = y + py + offsetY;
      if (my < 0 || my >= oh) continue;
      for (int x = 0; x < w; ++x) {
        const int mx = x + px + offsetX;
        if (mx < 0 || mx >= ow) continue;
        mask[static_cast<std::size_t>(my) * ow + mx] = source.hasAlpha() ? source.alphaRow(y)[x] : 255;
      }
    }
    ops::blurPlane(mask.data(), ow, ow, oh, 1, gaussianWeights(sigma));
  }
  const int strength = std::clamp(intensity, 0, 100);
  Bitmap out = Bitmap::uninitialized(ow, oh);
  out.addAlpha(0);
  parallelRows(oh, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* d = out.row(y);
      std::uint8_t* da = out.alphaRow(y);
      const std::uint8_t* m = mask.data() + static_cast<std::size_t>(y) * ow;
      const int sy = y - py;
      for (int x = 0; x < ow; ++x, d += 3) {
        const int shadow = (m[x] * strength + 50) / 100;
        const int sx = x - px;
        const bool inside = sy >= 0 && sy < h && sx >= 0 && sx < w;
        const int photoAlpha = inside ? (source.hasAlpha() ? source.alphaRow(sy)[sx] : 255) : 0;
        if (photoAlpha == 255) {
          const std::uint8_t* s = source.row(sy) + 3 * sx;
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
          da[x] = 255;
          continue;
        }
        // The photo over the shadow ("over" compositing of two partly transparent layers).
        const int shadowPart = shadow * (255 - photoAlpha);  // in 255ths of alpha
        const int total = photoAlpha * 255 + shadowPart;
        da[x] = static_cast<std::uint8_t>((total + 127) / 255);
        if (total == 0) {
          d[0] = colour.b;
          d[1] = colour.g;
          d[2] = colour.r;
          continue;
        }
        const std::uint8_t* s = inside ? source.row(sy) + 3 * sx : nullptr;
        const std::uint8_t shadowBgr[3] = {colour.b, colour.g, colour.r};
        for (int k = 0; k < 3; ++k) {
          const int photo = s ? s[k] : 0;
          d[k] = static_cast<std::uint8_t>((photo * photoAlpha * 255 + shadowBgr[k] * shadowPart + total / 2) / total);
        }
      }
    }
  });
  return out;
}

// The frame around the picture is an opaque surround; blurring the picture's rectangle by a
// Gaussian with σ = radius / 2 and taking what is lost gives the shadow's strength. The blurred
// rectangle is separable — the product of two blurred steps, Φ-functions of the distance to each
// edge — so the strength is two small tables: about half at the edge pixels, three quarters in the
// corners, fading to nothing a radius inside.
void InnerShadow(Bitmap& bitmap, int radius, Bgr colour) {
  if (radius <= 0 || bitmap.empty()) return;
  const double sigma = radius / 2.0;
  auto inside = [sigma](int n) {
    std::vector<double> f(static_cast<std::size_t>(n));
    auto phi = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
    for (int i = 0; i < n; ++i) f[static_cast<std::size_t>(i)] = phi((i + 0.5) / sigma) + phi((n - i - 0.5) / sigma) - 1.0;
    return f;
  };
  const std::vector<double> fx = inside(bitmap.width());
  const std::vector<double> fy = inside(bitmap.height());
  const int w = bitmap.width();
  const int target[3] = {colour.b, colour.g, colour.r};
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    std::vector<int> weight(static_cast<std::size_t>(w));
    for (int y = y0; y < y1; ++y) {
      for (int x = 0; x < w; ++x) {
        weight[static_cast<std::size_t>(x)] = static_cast<int>(std::lrint((1.0 - fx[static_cast<std::size_t>(x)] * fy[static_cast<std::size_t>(y)]) * 256.0));
      }
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const int a = weight[static_cast<std::size_t>(x)];
        if (a == 0) continue;
        for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(p[k] + (((target[k] - p[k]) * a) >> 8));
      }
    }
  });
}

}  // namespace virmeya
