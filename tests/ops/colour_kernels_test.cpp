// The AVX-512 and AVX2 kernels of hue rotation, colourise and saturation against the portable
// loops, byte for byte: every colour once, for every setting the colour-effects variants use, and
// rows whose width leaves a partial block of 64 or 32 pixels.
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

// Kernels up to one level while in scope.
struct KernelLimit {
  explicit KernelLimit(simd::KernelLevel highest) { simd::limitKernels(highest); }
  ~KernelLimit() { simd::forcePortableKernels(false); }
};

// Runs `op` on copies of `source` through the portable loops and at each of `levels`; the bytes
// must agree everywhere.
void expectSameBytes(const Bitmap& source, const std::function<void(Bitmap&)>& op, const std::string& what,
                     const std::vector<simd::KernelLevel>& levels) {
  Bitmap portable = source.clone();
  {
    KernelLimit guard(simd::KernelLevel::Portable);
    op(portable);
  }
  for (simd::KernelLevel level : levels) {
    Bitmap fast = source.clone();
    {
      KernelLimit guard(level);
      ASSERT_EQ(simd::kernelLevel(), level) << what;
      op(fast);
    }
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(source.width());
    for (int y = 0; y < source.height(); ++y) {
      if (std::memcmp(fast.row(y), portable.row(y), rowBytes) == 0) continue;
      int x = 0;
      while (fast.pixel(x, y) == portable.pixel(x, y)) ++x;
      const Bgr in = source.pixel(x, y), got = fast.pixel(x, y), want = portable.pixel(x, y);
      FAIL() << what << (level == simd::KernelLevel::Avx2 ? " (AVX2)" : " (AVX-512)") << ": width "
             << source.width() << ", pixel " << x << "," << y << " (R, G, B) = (" << +in.r << ", " << +in.g << ", "
             << +in.b << ") gives (" << +got.r << ", " << +got.g << ", " << +got.b << "), the portable loop ("
             << +want.r << ", " << +want.g << ", " << +want.b << ")";
    }
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

// The kernel levels this processor runs.
std::vector<simd::KernelLevel> levelsHere() {
  std::vector<simd::KernelLevel> levels;
  for (simd::KernelLevel level : {simd::KernelLevel::Avx2, simd::KernelLevel::Avx512}) {
    simd::limitKernels(level);
    if (simd::kernelLevel() == level) levels.push_back(level);
  }
  simd::forcePortableKernels(false);
  return levels;
}

TEST(ColourKernels, MatchThePortableLoopsOnEveryColour) {
  const auto levels = levelsHere();
  if (levels.empty()) GTEST_SKIP() << "this processor runs no vector kernels";
  for (const Setting& s : settings()) {
    expectSameBytes(everyColour(), s.op, s.name, levels);
    if (HasFatalFailure()) return;
  }
}

TEST(ColourKernels, MatchThePortableLoopsOnPartialBlocks) {
  const auto levels = levelsHere();
  if (levels.empty()) GTEST_SKIP() << "this processor runs no vector kernels";
  for (int width : {1, 31, 33, 63, 65, 130}) {
    const Bitmap source = scattered(width);
    for (const Setting& s : settings()) {
      expectSameBytes(source, s.op, s.name, levels);
      if (HasFatalFailure()) return;
    }
  }
}

// Limits take effect and lift again; the old switch keeps its meaning.
TEST(ColourKernels, LevelsCanBeLimitedAndRestored) {
  const simd::KernelLevel full = simd::kernelLevel();
  simd::limitKernels(simd::KernelLevel::Portable);
  EXPECT_EQ(simd::kernelLevel(), simd::KernelLevel::Portable);
  EXPECT_FALSE(simd::useAvx512Vbmi());
  EXPECT_FALSE(simd::useAvx2());
  simd::limitKernels(simd::KernelLevel::Avx2);
  EXPECT_LE(simd::kernelLevel(), simd::KernelLevel::Avx2);
  EXPECT_FALSE(simd::useAvx512Vbmi());
  simd::forcePortableKernels(true);
  EXPECT_EQ(simd::kernelLevel(), simd::KernelLevel::Portable);
  simd::forcePortableKernels(false);
  EXPECT_EQ(simd::kernelLevel(), full);
  EXPECT_EQ(simd::useAvx512Vbmi(), full == simd::KernelLevel::Avx512);
}

}  // namespace
}  // namespace virmeya
