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

void Wave(Bitmap& bitmap, int amplitude, int wavelength, double phase, bool reflective) {
  if (wavelength <= 0 || bitmap.empty()) return;
  const int w = bitmap.width(), h = bitmap.height();
  const Bitmap source = bitmap.copyPixels();
  // Coordinates are scaled to a square so the rings are circles on a non-square picture.
  double sx = 1.0, sy = 1.0;
  if (w > h) sy = static_cast<double>(w) / h;
  if (w < h) sx = static_cast<double>(h) / w;
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  const double phi = phase * M_PI / 180.0;
  parallelRows(h, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* d = bitmap.row(y);
      const double dy = (y - cy) * sy;
      for (int x = 0; x < w; ++x, d += 3) {
        const double dx = (x - cx) * sx;
        const double f = amplitude * std::sin(M_PI * std::sqrt(dx * dx + dy * dy) / wavelength + phi);
        double px = x + f / sx, py = y + f / sy;
        if (reflective) {
          px = reflect(px, w);
          py = reflect(py, h);
        }
        const double fx0 = std::floor(px), fy0 = std::floor(py);
        const double fx = px - fx0, fy = py - fy0;
        const int x0 = std::clamp(static_cast<int>(fx0), 0, w - 1), x1 = std::clamp(static_cast<int>(fx0) + 1, 0, w - 1);
        const int yy0 = std::clamp(static_cast<int>(fy0), 0, h - 1), yy1 = std::clamp(static_cast<int>(fy0) + 1, 0, h - 1);
        const std::uint8_t* r0 = source.row(yy0);
        const std::uint8_t* r1 = source.row(yy1);
        for (int k = 0; k < 3; ++k) {
          const double top = r0[3 * x0 + k] + (r0[3 * x1 + k] - r0[3 * x0 + k]) * fx;
          const double bottom = r1[3 * x0 + k] + (r1[3 * x1 + k] - r1[3 * x0 + k]) * fx;
          d[k] = clampRound(top + (bottom - top) * fy);
        }
      }
    }
  });
}

}  // namespace virmeya
