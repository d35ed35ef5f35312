// The AVX-512 overlay tints against the portable ones, byte for byte, on photos and overlays of
// awkward sizes, and the wide brightness tint against the rounding rule for every pair it meets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "algorithms/colour_effects.h"
#include "imaging/bgr_vectors.h"

namespace virmeya {
namespace {

// Switches the vector kernels off for its lifetime.
struct PortableKernels {
  PortableKernels() { simd::forcePortableKernels(true); }
  ~PortableKernels() { simd::forcePortableKernels(false); }
  PortableKernels(const PortableKernels&) = delete;
  PortableKernels& operator=(const PortableKernels&) = delete;
};

// Every byte drawn from a small linear congruential generator, so a fault shows on any channel.
Bitmap noise(int width, int height, std::uint32_t seed) {
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* r = b.row(y);
    for (int i = 0; i < 3 * width; ++i) {
      seed = seed * 1664525u + 1013904223u;
      r[i] = static_cast<std::uint8_t>(seed >> 24);
    }
  }
  return b;
}

// The first differing pixel, or "" when both pictures are the same.
std::string firstDifference(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return "sizes differ";
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const Bgr p = a.pixel(x, y), q = b.pixel(x, y);
      if (p != q) {
        return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(p.b) + " " + std::to_string(p.g) +
               " " + std::to_string(p.r) + " against " + std::to_string(q.b) + " " + std::to_string(q.g) + " " +
               std::to_string(q.r);
      }
    }
  }
  return "";
}

struct Size {
  int width, height;
};

// Photos of widths around the 64-pixel block (1, 63, 65, 130, 1037) and heights that split into
// bands or not; overlays enlarged, of the same size, shrunk by less than half (the permute window
// still reaches) and by more (the pixel-by-pixel columns).
struct Case {
  Size photo, overlay;
};
std::vector<Case> cases() {
  std::vector<Case> out;
  for (const Size photo : {Size{1, 5}, Size{63, 70}, Size{65, 33}, Size{130, 97}, Size{1037, 66}}) {
    const auto scaled = [&](int num, int den) {
      return Size{std::max(1, photo.width * num / den), std::max(1, photo.height * num / den)};
    };
    for (const Size overlay : {Size{7, 3}, scaled(1, 3), photo, scaled(8, 5), scaled(5, 2), Size{photo.width + 1, 1}}) {
      out.push_back({photo, overlay});
    }
  }
  return out;
}

#define REQUIRE_WIDE_KERNELS() \
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes"

TEST(OverlayTintsWide, BrightnessTintMatchesThePortableKernelAtEverySize) {
  REQUIRE_WIDE_KERNELS();
  std::uint32_t seed = 1;
  for (const Case& c : cases()) {
    const Bitmap photo = noise(c.photo.width, c.photo.height, ++seed);
    const Bitmap overlay = noise(c.overlay.width, c.overlay.height, ++seed);
    Bitmap wide = photo.clone(), portable = photo.clone();
    brightnessTint(wide, overlay);
    {
      PortableKernels off;
      brightnessTint(portable, overlay);
    }
    ASSERT_EQ(firstDifference(wide, portable), "") << "photo " << c.photo.width << "×" << c.photo.height << ", overlay "
                                                   << c.overlay.width << "×" << c.overlay.height;
    ASSERT_FALSE(wide.samePixels(photo)) << "the tint changed nothing";
  }
}

TEST(OverlayTintsWide, OffsetTintMatchesThePortableKernelAtEverySizeAndStrength) {
  REQUIRE_WIDE_KERNELS();
  std::uint32_t seed = 100;
  // 80 is what Apply passes; 125 has halves; 300 moves past the whole byte range; −60 inverts.
  for (const int strength : {80, 125, 300, -60, 0}) {
    for (const Case& c : cases()) {
      const Bitmap photo = noise(c.photo.width, c.photo.height, ++seed);
      const Bitmap overlay = noise(c.overlay.width, c.overlay.height, ++seed);
      Bitmap wide = photo.clone(), portable = photo.clone();
      offsetTint(wide, overlay, strength);
      {
        PortableKernels off;
        offsetTint(portable, overlay, strength);
      }
      ASSERT_EQ(firstDifference(wide, portable), "") << "strength " << strength << ", photo " << c.photo.width << "×"
                                                     << c.photo.height << ", overlay " << c.overlay.width << "×"
                                                     << c.overlay.height;
      if (strength == 0) {
        ASSERT_TRUE(wide.samePixels(photo)) << "no strength, no change";
      } else {
        ASSERT_FALSE(wide.samePixels(photo)) << "the tint changed nothing";
      }
    }
  }
}

// The rounded quotient n / 600, halves to the even neighbour, by long division.
int roundedBy600(int n) {
  int q = n / 600;
  const int r = n % 600;
  if (2 * r > 600 || (2 * r == 600 && q % 2 != 0)) ++q;
  return std::min(q, 255);
}

TEST(OverlayTintsWide, BrightnessTintOfEveryOverlayValueAndSumFollowsTheRule) {
  REQUIRE_WIDE_KERNELS();
  // Row = overlay value, column = S; the channels hold S in three different splits.
  Bitmap photo(766, 256), overlay(766, 256);
  for (int y = 0; y < 256; ++y) {
    for (int s = 0; s <= 765; ++s) {
      const int a = std::min(s, 255), b = std::min(s - a, 255), c = s - a - b;
      const auto u8 = [](int v) { return static_cast<std::uint8_t>(v); };
      photo.setPixel(s, y, y % 3 == 0 ? rgb(u8(a), u8(b), u8(c)) : y % 3 == 1 ? rgb(u8(c), u8(a), u8(b)) : rgb(u8(b), u8(c), u8(a)));
      overlay.setPixel(s, y, rgb(u8(y), u8(255 - y), u8((y + s) & 255)));
    }
  }
  Bitmap wide = photo.clone(), portable = photo.clone();
  brightnessTint(wide, overlay);
  {
    PortableKernels off;
    brightnessTint(portable, overlay);
  }
  ASSERT_EQ(firstDifference(wide, portable), "");
  for (int y = 0; y < 256; ++y) {
    for (int s = 0; s <= 765; ++s) {
      const Bgr o = overlay.pixel(s, y);
      const Bgr want{static_cast<std::uint8_t>(roundedBy600(o.b * s)), static_cast<std::uint8_t>(roundedBy600(o.g * s)),
                     static_cast<std::uint8_t>(roundedBy600(o.r * s))};
      ASSERT_EQ(wide.pixel(s, y), want) << "overlay row " << y << ", S " << s;
    }
  }
}

}  // namespace
}  // namespace virmeya
