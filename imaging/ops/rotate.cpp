// Turning by any angle: exact quarter turns, otherwise inverse mapping onto a grown canvas.
#include <algorithm>
#include <cmath>

#include "imaging/ops/geometry.h"
#include "imaging/ops/transform_internal.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

constexpr int kFracBits = 16;
constexpr long long kOne = 1LL << kFracBits;

// Every target pixel centre is turned back onto the source (inverse mapping, so no holes). Without
// antialiasing it takes the source pixel it falls in. With antialiasing it interpolates bilinearly
// between the four nearest source pixels, and neighbours outside the picture count as the
// background, which softens the picture's edges against the corners. Positions advance in 16.16
// fixed point along each row; each row starts from an exact double-precision position.
template <int C>
void rotatePlane(const std::uint8_t* src, std::ptrdiff_t srcStride, int w, int h, std::uint8_t* dst,
                 std::ptrdiff_t dstStride, int ow, int oh, const std::uint8_t* background, bool antialias,
                 double c, double s) {
  parallelRows(oh, [&](int y0, int y1) {
    const long long stepU = std::llround(c * kOne);
    const long long stepV = std::llround(s * kOne);
    for (int y = y0; y < y1; ++y) {
      const double dy = y + 0.5 - oh / 2.0;
      const double dx0 = 0.5 - ow / 2.0;
      // Source position of this row's first pixel centre, in pixel-index coordinates.
      const double u0 = c * dx0 - s * dy + w / 2.0 - 0.5;
      const double v0 = s * dx0 + c * dy + h / 2.0 - 0.5;
      std::uint8_t* d = dst + y * dstStride;
      if (!antialias) {
        long long u = std::llround((u0 + 0.5) * kOne), v = std::llround((v0 + 0.5) * kOne);
        for (int x = 0; x < ow; ++x, u += stepU, v += stepV, d += C) {
          const long long ix = u >> kFracBits, iy = v >> kFracBits;
          const std::uint8_t* p = (ix >= 0 && ix < w && iy >= 0 && iy < h) ? src + iy * srcStride + ix * C : background;
          for (int k = 0; k < C; ++k) d[k] = p[k];
        }
        continue;
      }
      // The columns whose 2 × 2 neighbourhood lies inside the source (solved from the two linear
      // position equations, a column narrower on each side against fixed-point drift) need no
      // checks at all.
      double lo = 0, hi = ow - 1;
      auto inside = [&](double start, double step, double maxPos) {
        if (step > 1e-12) {
          lo = std::max(lo, std::ceil(-start / step));
          hi = std::min(hi, std::floor((maxPos - start) / step));
        } else if (step < -1e-12) {
          lo = std::max(lo, std::ceil((maxPos - start) / step));
          hi = std::min(hi, std::floor(-start / step));
        } else if (start < 0 || start > maxPos) {
          hi = -1;
        }
      };
      inside(u0, c, w - 1.01);
      inside(v0, s, h - 1.01);
      const int fastFrom = static_cast<int>(lo) + 1, fastTo = static_cast<int>(hi) - 1;
      long long u = std::llround(u0 * kOne), v = std::llround(v0 * kOne);
      for (int x = 0; x < ow; ++x, u += stepU, v += stepV, d += C) {
        const long long ix = u >> kFracBits, iy = v >> kFracBits;
        if (x >= fastFrom && x <= fastTo) {
          const int fx = static_cast<int>((u >> 8) & 0xFF), fy = static_cast<int>((v >> 8) & 0xFF);
          const std::uint8_t* p00 = src + iy * srcStride + ix * C;
          const std::uint8_t* p01 = p00 + srcStride;
          for (int k = 0; k < C; ++k) {
            const int top = p00[k] * 256 + (p00[k + C] - p00[k]) * fx;
            const int bottom = p01[k] * 256 + (p01[k + C] - p01[k]) * fx;
            d[k] = static_cast<std::uint8_t>((top * 256 + (bottom - top) * fy + 32768) >> 16);
          }
          continue;
        }
        if (ix < -1 || iy < -1 || ix >= w || iy >= h) {
          for (int k = 0; k < C; ++k) d[k] = background[k];
          continue;
        }
        const int fx = static_cast<int>((u >> 8) & 0xFF), fy = static_cast<int>((v >> 8) & 0xFF);
        const int w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy), w01 = (256 - fx) * fy, w11 = fx * fy;
        const std::uint8_t *p00, *p10, *p01, *p11;
        if (ix >= 0 && iy >= 0 && ix + 1 < w && iy + 1 < h) {
          p00 = src + iy * srcStride + ix * C;
          p10 = p00 + C;
          p01 = p00 + srcStride;
          p11 = p01 + C;
        } else {
          auto at = [&](long long px, long long py) {
            return (px >= 0 && px < w && py >= 0 && py < h) ? src + py * srcStride + px * C : background;
          };
          p00 = at(ix, iy);
          p10 = at(ix + 1, iy);
          p01 = at(ix, iy + 1);
          p11 = at(ix + 1, iy + 1);
        }
        for (int k = 0; k < C; ++k) {
          d[k] = static_cast<std::uint8_t>((p00[k] * w00 + p10[k] * w10 + p01[k] * w01 + p11[k] * w11 + 32768) >> 16);
        }
      }
    }
  });
}

}  // namespace

Bitmap Rotate(const Bitmap& source, double degrees, bool antialias, Bgr background) {
  double a = std::fmod(degrees, 360.0);
  if (a < 0) a += 360.0;
  if (std::fmod(a, 90.0) == 0.0) return ops::rotateQuarter(source, static_cast<int>(a / 90.0));
  const double t = a * M_PI / 180.0;
  const double c = std::cos(t), s = std::sin(t);
  const int w = source.width(), h = source.height();
  // The canvas just holds the turned rectangle (a hair of tolerance keeps exact fits exact).
  const int ow = std::max(1, static_cast<int>(std::ceil(w * std::fabs(c) + h * std::fabs(s) - 1e-6)));
  const int oh = std::max(1, static_cast<int>(std::ceil(w * std::fabs(s) + h * std::fabs(c) - 1e-6)));
  Bitmap out = Bitmap::uninitialized(ow, oh);
  const std::uint8_t bg[3] = {background.b, background.g, background.r};
  rotatePlane<3>(source.data(), source.stride(), w, h, out.data(), out.stride(), ow, oh, bg, antialias, c, s);
  if (source.hasAlpha()) {
    out.addAlpha();
    const std::uint8_t clear[1] = {0};
    rotatePlane<1>(source.alphaData(), w, w, h, out.alphaData(), ow, ow, oh, clear, antialias, c, s);
  }
  return out;
}

}  // namespace virmeya
