// The AVX-512 kernels of hue rotation, colourise and saturation against the portable loops, byte
// for byte: every colour once, for every setting the colour-effects variants use, and rows whose
// width leaves a partial block of 64 pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bgr_vectors.h"
#include "imaging/ops/colour_adjust.h"

namespace virmeya {
namespace {

// 4096 × 4096 pixels, pixel n holding the colour with red, green, blue = bits 16–23, 8–15, 0–7 of n.
const Bitmap& everyColour() {
  static const Bitmap all = [] {
    Bitmap b = Bitmap::uninitialized(4096, 4096);
    for (int y = 0; y < 4096; ++y) {
      std::uint8_t* p = b.row(y);
      for (int x = 0; x < 4096; ++x, p += 3) {
        const std::uint32_t n = static_cast<std::uint32_t>(y) * 4096 + static_cast<std::uint32_t>(x);
        p[0] = static_cast<std::uint8_t>(n);
        p[1] = static_cast<std::uint8_t>(n >> 8);
        p[2] = static_cast<std::uint8_t>(n >> 16);
      }
    }
    return b;
  }();
  return all;
}

// A few rows of scattered colours, the extremes included, `width` pixels wide.
Bitmap scattered(int width) {
  Bitmap b(width, 3);
  std::uint32_t state = 12345u + static_cast<std::uint32_t>(width);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const std::uint8_t r = static_cast<std::uint8_t>(state >> 24), g = static_cast<std::uint8_t>(state >> 16),
                         bl = static_cast<std::uint8_t>(state >> 8);
      b.setPixel(x, y, x % 7 == 0 ? (y == 1 ? kWhite : kBlack) : rgb(r, g, bl));
    }
  }
  return b;
}

struct PortableKernels {
  PortableKernels() { simd::forcePortableKernels(true); }
  ~PortableKernels() { simd::forcePortableKernels(false); }
};

// Runs `op` on copies of `source` through both paths; the bytes must agree everywhere.
void expectSameBytes(const Bitmap& source, const std::function<void(Bitmap&)>& op, const std::string& what) {
  Bitmap fast = source.clone();
  op(fast);
  Bitmap portable = source.clone();
  {
    PortableKernels guard;
    op(portable);
  }
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(source.width());
  for (int y = 0; y < source.height(); ++y) {
    if (std::memcmp(fast.row(y), portable.row(y), rowBytes) == 0) continue;
    int x = 0;
    while (fast.pixel(x, y) == portable.pixel(x, y)) ++x;
    const Bgr in = source.pixel(x, y), got = fast.pixel(x, y), want = portable.pixel(x, y);
    FAIL() << what << ": width " << source.width() << ", pixel " << x << "," << y << " (R, G, B) = (" << +in.r
           << ", " << +in.g << ", " << +in.b << ") gives (" << +got.r << ", " << +got.g << ", " << +got.b
           << "), the portable loop (" << +want.r << ", " << +want.g << ", " << +want.b << ")";
  }
}

struct Setting {
  std::string name;
  std::function<void(Bitmap&)> op;
};

// The hue angles, colourise settings and saturation amounts of the fourteen variants, plus the
// edges of what the kernels accept.
std::vector<Setting> settings() {
  std::vector<Setting> all;
  for (int i = 0; i < 14; ++i) {
    const int degrees = 30 * i - 195;
    all.push_back({"AdjustTint " + std::to_string(degrees), [degrees](Bitmap& b) { AdjustTint(b, degrees); }});
  }
  for (double degrees : {7.5, 1000.0}) {
    all.push_back({"AdjustTint " + std::to_string(degrees), [degrees](Bitmap& b) { AdjustTint(b, degrees); }});
  }
  for (int i = 0; i < 14; ++i) {
    const int hue = 30 * i - 195, saturation = 10 * i + 20;
    all.push_back({"Colorize " + std::to_string(hue) + "," + std::to_string(saturation),
                   [=](Bitmap& b) { Colorize(b, hue, saturation, 1.5); }});
  }
  std::vector<int> amounts;
  for (int i = 0; i < 14; ++i) amounts.push_back(20 * i - 100);
  for (int amount : {-300, -101, 1, 227}) amounts.push_back(amount);
  for (int amount : amounts) {
    all.push_back({"AdjustSaturation " + std::to_string(amount), [amount](Bitmap& b) { AdjustSaturation(b, amount); }});
  }
  return all;
}

TEST(ColourKernels, MatchThePortableLoopsOnEveryColour) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
  for (const Setting& s : settings()) {
    expectSameBytes(everyColour(), s.op, s.name);
    if (HasFatalFailure()) return;
  }
}

TEST(ColourKernels, MatchThePortableLoopsOnPartialBlocks) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
  for (int width : {1, 63, 65, 130}) {
    const Bitmap source = scattered(width);
    for (const Setting& s : settings()) {
      expectSameBytes(source, s.op, s.name);
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace virmeya
