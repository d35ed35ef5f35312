// The content generator's shared pieces: the output root, the list of content sets and the small
// painting helpers every set draws with. Everything is deterministic: the same build draws the same
// pictures.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/parallel.h"

namespace virmeya::contentgen {

// Where the pictures go, and how many were written.
class Output {
 public:
  explicit Output(std::filesystem::path root) : root_(std::move(root)) {}
  const std::filesystem::path& root() const { return root_; }
  // Writes a JPEG (folders made as needed) at root / relative.
  void jpeg(const Bitmap& picture, const std::string& relative, int quality = 92);
  int written() const { return written_; }

 private:
  std::filesystem::path root_;
  int written_ = 0;
};

// One content set per function; main runs them in order.
void drawAreaMasks(Output& out);
void drawGradients(Output& out);
void drawColorLights(Output& out);
void drawCatalogueSamples(Output& out);

// The two sizes of an overlay set: "Full" for the photo, "Small" for the thumbnails.
inline constexpr int kFullWidth = 1600, kFullHeight = 1200;
inline constexpr int kSmallWidth = 200, kSmallHeight = 150;

// ---- painting

struct Rgb {
  double r = 0, g = 0, b = 0;  // 0..255
};
inline Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
inline Rgb greyRgb(double v) { return {v, v, v}; }

inline double clamp01(double x) { return std::clamp(x, 0.0, 1.0); }
inline double smoothstep(double e0, double e1, double x) {
  const double t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// A gradient through evenly spaced colour stops, straight between stops (easing would leave a flat
// band at every stop).
template <std::size_t N>
Rgb stops(const Rgb (&colours)[N], double t) {
  t = clamp01(t) * (N - 1);
  const std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(t), N - 2);
  const double f = t - static_cast<double>(i);
  return mix(colours[i], colours[i + 1], f);
}

// A fixed pseudo-random value in [−1, 1] per pixel: a whisper of grain that keeps smooth gradients
// from banding after JPEG compression.
inline double grain(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

// Paints a picture from a function of the normalised position (u, v in [0, 1], centres of pixels)
// and the aspect ratio, so that the same design comes out at any size.
template <class Paint>
Bitmap paint(int width, int height, std::uint32_t seed, Paint&& f) {
  Bitmap b(width, height);
  const double aspect = static_cast<double>(width) / height;
  parallelRows(height, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = b.row(y);
      const double v = (y + 0.5) / height;
      for (int x = 0; x < width; ++x, p += 3) {
        const double u = (x + 0.5) / width;
        const Rgb c = f(u, v, aspect);
        const double n = 0.6 * grain(x, y, seed);
        p[0] = static_cast<std::uint8_t>(std::clamp(std::lround(c.b + n), 0L, 255L));
        p[1] = static_cast<std::uint8_t>(std::clamp(std::lround(c.g + n), 0L, 255L));
        p[2] = static_cast<std::uint8_t>(std::clamp(std::lround(c.r + n), 0L, 255L));
      }
    }
  });
  return b;
}

}  // namespace virmeya::contentgen
