// The wave distortion: concentric ripples pushing pixels diagonally, sampled bilinearly.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/ops/geometry.h"
#include "imaging/parallel.h"

namespace virmeya {

namespace {

// Mirrors a position that left [0, n − 1] back into it (reflective mode).
double reflect(double p, int n) {
  if (n == 1) return 0.0;
  const double period = 2.0 * (n - 1);
  p = std::fmod(std::fabs(p), period);
  return p > n - 1 ? period - p : p;
}

}  // namespace

// The displacement depends only on the distance from the centre, through a sine: it comes from a
// 4096-step table of one period with linear interpolation (error below 10⁻⁶ of the amplitude), and
// the bilinear sample is taken in 8-bit fixed point.
void Wave(Bitmap& bitmap, int amplitude, int wavelength, double phase, bool reflective) {
  if (wavelength <= 0 || bitmap.empty()) return;
  const int w = bitmap.width(), h = bitmap.height();
  const Bitmap source = bitmap.copyPixels();
  // Coordinates are scaled to a square so the rings are circles on a non-square picture.
  double sx = 1.0, sy = 1.0;
  if (w > h) sy = static_cast<double>(w) / h;
  if (w < h) sx = static_cast<double>(h) / w;
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  constexpr int kSteps = 4096;
  std::vector<float> sine(kSteps + 1);
  for (int i = 0; i <= kSteps; ++i) sine[static_cast<std::size_t>(i)] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * i / kSteps));
  // Table position of the distance r: (π·r / L + φ) / 2π periods.
  const double perUnit = kSteps / (2.0 * wavelength);
  const double offset = std::fmod(phase / 360.0, 1.0) * kSteps + kSteps;
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* d = bitmap.row(y);
      const double dy = (y - cy) * sy;
      for (int x = 0; x < w; ++x, d += 3) {
        const double dx = (x - cx) * sx;
        const double t = std::sqrt(dx * dx + dy * dy) * perUnit + offset;
        const double whole = std::floor(t);
        const int i = static_cast<int>(static_cast<long long>(whole) % kSteps);
        const double frac = t - whole;
        const double f = sine[static_cast<std::size_t>(i)] + (sine[static_cast<std::size_t>(i) + 1] - sine[static_cast<std::size_t>(i)]) * frac;
        double px = x + f / sx, py = y + f / sy;
        if (reflective) {
          px = reflect(px, w);
          py = reflect(py, h);
        }
        const double fx0 = std::floor(px), fy0 = std::floor(py);
        const int fx = static_cast<int>((px - fx0) * 256.0 + 0.5), fy = static_cast<int>((py - fy0) * 256.0 + 0.5);
        const int ix = static_cast<int>(fx0), iy = static_cast<int>(fy0);
        const int x0 = std::clamp(ix, 0, w - 1), x1 = std::clamp(ix + 1, 0, w - 1);
        const int r0 = std::clamp(iy, 0, h - 1), r1 = std::clamp(iy + 1, 0, h - 1);
        const std::uint8_t* a = source.row(r0);
        const std::uint8_t* b = source.row(r1);
        for (int k = 0; k < 3; ++k) {
          const int top = a[3 * x0 + k] * 256 + (a[3 * x1 + k] - a[3 * x0 + k]) * fx;
          const int bottom = b[3 * x0 + k] * 256 + (b[3 * x1 + k] - b[3 * x0 + k]) * fx;
          d[k] = static_cast<std::uint8_t>((top * 256 + (bottom - top) * fy + 32768) >> 16);
        }
      }
    }
  });
}

}  // namespace virmeya
