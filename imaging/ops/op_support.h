// Shared plumbing of the image operations: per-channel lookup tables over a whole picture, integer
// rounding rules and the per-channel means several operations start from.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/bitmap.h"

// Hot loops are compiled for AVX-512, AVX2 and plain x86-64 and the best one is picked when the
// program starts; elsewhere they are compiled once for the target.
#if defined(__x86_64__) && defined(__GNUC__)
#define VIRMEYA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define VIRMEYA_VECTOR_CLONES
#endif

namespace virmeya::ops {

using Lut = std::array<std::uint8_t, 256>;

// Every pixel's blue, green and red through their own table, rows split across the cores.
void applyLuts(Bitmap& bitmap, const Lut& blue, const Lut& green, const Lut& red);
// The same table for all three channels.
void applyLut(Bitmap& bitmap, const Lut& lut);

// n / d rounded to the nearest integer, halves to the even neighbour (d > 0).
constexpr int roundDivEven(int n, int d) noexcept {
  int q = n / d;
  int r = n % d;
  if (r < 0) {  // make it a floor division first
    q -= 1;
    r += d;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

// Floor division for a positive divisor.
constexpr int floorDiv(int n, int d) noexcept { return (n >= 0) ? n / d : -((-n + d - 1) / d); }

struct ChannelMeans {
  int blue = 0, green = 0, red = 0;
};
// Each channel's mean the way the contrast operation takes it: every row's sum divided by the width
// (integer), these row averages summed and divided by the height (integer).
ChannelMeans channelMeans(const Bitmap& bitmap);

}  // namespace virmeya::ops
