#include "imaging/bgr_vectors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace virmeya {
namespace {

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX512_KERNELS_BEGIN
// Swaps blue and red and adds one to green through the planes: every byte must land back at its
// own pixel and channel, whole blocks and the partial last block alike.
void swapAndBump(std::uint8_t* row, int width) {
  simd::forEachPixelBlock(row, width, [](simd::Planes& p) {
    std::swap(p.b, p.r);
    p.g = _mm512_add_epi8(p.g, _mm512_set1_epi8(1));
  });
}

std::vector<std::uint8_t> roundTripWidened(const std::vector<std::uint8_t>& row) {
  std::vector<std::uint8_t> out(row);
  simd::forEachPixelBlock(out.data(), static_cast<int>(row.size() / 3), [](simd::Planes& p) {
    p.g = simd::narrowClamped(_mm512_add_epi16(simd::widenLow(p.g), _mm512_set1_epi16(100)),
                              _mm512_sub_epi16(simd::widenHigh(p.g), _mm512_set1_epi16(100)));
  });
  return out;
}
// The 16-bit lanes of 64 pixels, written out lane by lane, and a kernel that lifts the green lanes
// past 255 and sinks the red ones below 0 before the clamping write.
std::vector<std::uint16_t> wideLanes(const std::uint8_t* pixels) {
  const simd::WidePlanes w = simd::loadPixels64Wide(pixels);
  std::vector<std::uint16_t> lanes(3 * 2 * 32);
  for (int c = 0; c < 3; ++c)
    for (int h = 0; h < 2; ++h) _mm512_storeu_si512(lanes.data() + 32 * (2 * c + h), w.plane[c][h]);
  return lanes;
}
void shiftWide(std::uint8_t* pixels) {
  simd::WidePlanes w = simd::loadPixels64Wide(pixels);
  for (int h = 0; h < 2; ++h) {
    w.plane[1][h] = _mm512_add_epi16(w.plane[1][h], _mm512_set1_epi16(200));
    w.plane[2][h] = _mm512_sub_epi16(w.plane[2][h], _mm512_set1_epi16(200));
  }
  simd::storePixels64Narrowed(pixels, w);
}

// Green becomes min(255, blue + red) from the byte pairs (blue, red), blue becomes max(0, blue − 100)
// from blue widened alone: the pairs must join bytes of the same pixel and packClamped must put
// every pixel back in place, whole blocks and the partial last block alike.
void pairedArithmetic(std::uint8_t* row, int width) {
  simd::forEachPixelBlock(row, width, [](simd::Planes& p) {
    const __m512i zero = _mm512_setzero_si512();
    auto sum = [](__m512i pairs) {
      return _mm512_add_epi16(_mm512_and_si512(pairs, _mm512_set1_epi16(0xFF)), _mm512_srli_epi16(pairs, 8));
    };
    auto darker = [](__m512i words) { return _mm512_sub_epi16(words, _mm512_set1_epi16(100)); };
    p.g = simd::packClamped(sum(simd::pairsLow(p.b, p.r)), sum(simd::pairsHigh(p.b, p.r)));
    p.b = simd::packClamped(darker(simd::pairsLow(p.b, zero)), darker(simd::pairsHigh(p.b, zero)));
  });
}
VIRMEYA_AVX512_KERNELS_END

VIRMEYA_AVX2_KERNELS_BEGIN
// The same two checks on the 32-pixel planes: blue and red swapped, green bumped; and green made
// min(255, blue + red), blue max(0, blue − 100), through the byte pairs and the clamped pack.
void swapAndBump32(std::uint8_t* row, int width) {
  simd::forEachPixelBlock32(row, width, [](simd::Planes32& p) {
    std::swap(p.b, p.r);
    p.g = _mm256_add_epi8(p.g, _mm256_set1_epi8(1));
  });
}
void pairedArithmetic32(std::uint8_t* row, int width) {
  simd::forEachPixelBlock32(row, width, [](simd::Planes32& p) {
    const __m256i zero = _mm256_setzero_si256();
    auto sum = [](__m256i pairs) {
      return _mm256_add_epi16(_mm256_and_si256(pairs, _mm256_set1_epi16(0xFF)), _mm256_srli_epi16(pairs, 8));
    };
    auto darker = [](__m256i words) { return _mm256_sub_epi16(words, _mm256_set1_epi16(100)); };
    p.g = simd::packClamped32(sum(simd::pairsLow32(p.b, p.r)), sum(simd::pairsHigh32(p.b, p.r)));
    p.b = simd::packClamped32(darker(simd::pairsLow32(p.b, zero)), darker(simd::pairsHigh32(p.b, zero)));
  });
}
// Plane c of 32 pixels written out byte by byte.
std::vector<std::uint8_t> plane32(const std::uint8_t* pixels, int c) {
  const simd::Planes32 p = simd::loadPixels32(pixels);
  std::vector<std::uint8_t> out(32);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.data()), c == 0 ? p.b : (c == 1 ? p.g : p.r));
  return out;
}
VIRMEYA_AVX2_KERNELS_END
#endif

bool runsAvx2() {
  simd::limitKernels(simd::KernelLevel::Avx2);
  const bool runs = simd::kernelLevel() == simd::KernelLevel::Avx2;
  simd::forcePortableKernels(false);
  return runs;
}

TEST(BgrVectors, Planes32HoldChannelCOfPixelIAtByteI) {
  if (!runsAvx2()) GTEST_SKIP() << "this processor has no AVX2";
#if VIRMEYA_HAS_AVX512_KERNELS
  std::vector<std::uint8_t> pixels(96);
  for (int i = 0; i < 96; ++i) pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 11);
  for (int c = 0; c < 3; ++c) {
    const auto plane = plane32(pixels.data(), c);
    for (int x = 0; x < 32; ++x)
      EXPECT_EQ(plane[static_cast<std::size_t>(x)], pixels[static_cast<std::size_t>(3 * x + c)]) << c << " " << x;
  }
#endif
}

TEST(BgrVectors, Planes32KeepEveryPixelInPlace) {
  if (!runsAvx2()) GTEST_SKIP() << "this processor has no AVX2";
#if VIRMEYA_HAS_AVX512_KERNELS
  for (int width : {1, 15, 16, 17, 31, 32, 33, 64, 100}) {
    std::vector<std::uint8_t> row(3 * width + 5);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::vector<std::uint8_t> original = row;
    swapAndBump32(row.data(), width);
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(row[3 * x], original[3 * x + 2]) << width << " " << x;
      EXPECT_EQ(row[3 * x + 1], static_cast<std::uint8_t>(original[3 * x + 1] + 1)) << width << " " << x;
      EXPECT_EQ(row[3 * x + 2], original[3 * x]) << width << " " << x;
    }
    for (std::size_t i = 3 * width; i < row.size(); ++i) EXPECT_EQ(row[i], original[i]) << "past the row";
  }
#endif
}

#if VIRMEYA_HAS_AVX512_KERNELS
// The paired-arithmetic kernels of both levels take blue − 100 and blue + red, clamped, through
// byte pairs; every pixel must come back in its place with those values.
void checkPairedArithmetic(void (*kernel)(std::uint8_t*, int), std::initializer_list<int> widths) {
  for (int width : widths) {
    std::vector<std::uint8_t> row(3 * width);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 37 + 11);
      row[3 * x + 1] = static_cast<std::uint8_t>(x);
      row[3 * x + 2] = static_cast<std::uint8_t>(x * 101 + 5);
    }
    const std::vector<std::uint8_t> original = row;
    kernel(row.data(), width);
    for (int x = 0; x < width; ++x) {
      const int blue = original[3 * x], red = original[3 * x + 2];
      EXPECT_EQ(row[3 * x], std::max(0, blue - 100)) << width << " " << x;
      EXPECT_EQ(row[3 * x + 1], std::min(255, blue + red)) << width << " " << x;
      EXPECT_EQ(row[3 * x + 2], red) << width << " " << x;
    }
  }
}
#endif

TEST(BgrVectors, BytePairs32JoinOnePixelAndPackBackInOrder) {
  if (!runsAvx2()) GTEST_SKIP() << "this processor has no AVX2";
#if VIRMEYA_HAS_AVX512_KERNELS
  checkPairedArithmetic(pairedArithmetic32, {1, 32, 50, 96});
#endif
}

TEST(BgrVectors, PlanesKeepEveryPixelInPlace) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
#if VIRMEYA_HAS_AVX512_KERNELS
  for (int width : {1, 21, 63, 64, 65, 128, 200}) {
    std::vector<std::uint8_t> row(3 * width + 5);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::vector<std::uint8_t> original = row;
    swapAndBump(row.data(), width);
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(row[3 * x], original[3 * x + 2]) << width << " " << x;
      EXPECT_EQ(row[3 * x + 1], static_cast<std::uint8_t>(original[3 * x + 1] + 1)) << width << " " << x;
      EXPECT_EQ(row[3 * x + 2], original[3 * x]) << width << " " << x;
    }
    for (std::size_t i = 3 * width; i < row.size(); ++i) EXPECT_EQ(row[i], original[i]) << "past the row";
  }
#endif
}

TEST(BgrVectors, WideningAndClampedNarrowingKeepPixelOrder) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
#if VIRMEYA_HAS_AVX512_KERNELS
  std::vector<std::uint8_t> row(3 * 64);
  for (int x = 0; x < 64; ++x) row[3 * x + 1] = static_cast<std::uint8_t>(x * 4);
  const auto out = roundTripWidened(row);
  for (int x = 0; x < 64; ++x) {
    const int expected = x < 32 ? std::min(255, x * 4 + 100) : std::max(0, x * 4 - 100);
    EXPECT_EQ(out[3 * x + 1], expected) << x;
  }
#endif
}

TEST(BgrVectors, WidePlanesHoldEachPixelInItsLaneAndWriteBackClamped) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
#if VIRMEYA_HAS_AVX512_KERNELS
  std::vector<std::uint8_t> pixels(192 + 8, 0xEE);
  for (int i = 0; i < 192; ++i) pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 11);
  const std::vector<std::uint8_t> original = pixels;
  const auto lanes = wideLanes(pixels.data());
  for (int c = 0; c < 3; ++c)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(lanes[static_cast<std::size_t>(32 * (2 * c + x / 32) + x % 32)], original[static_cast<std::size_t>(3 * x + c)])
          << "channel " << c << " pixel " << x;
  shiftWide(pixels.data());
  for (int x = 0; x < 64; ++x) {
    const std::size_t i = static_cast<std::size_t>(3 * x);
    EXPECT_EQ(pixels[i], original[i]) << x;
    EXPECT_EQ(pixels[i + 1], std::min(255, original[i + 1] + 200)) << x;
    EXPECT_EQ(pixels[i + 2], std::max(0, original[i + 2] - 200)) << x;
  }
  for (std::size_t i = 192; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], 0xEE) << "past the pixels";
#endif
}

TEST(BgrVectors, BytePairsJoinOnePixelAndPackBackInOrder) {
  if (!simd::useAvx512Vbmi()) GTEST_SKIP() << "this processor has no AVX-512 byte permutes";
#if VIRMEYA_HAS_AVX512_KERNELS
  checkPairedArithmetic(pairedArithmetic, {1, 64, 100, 128});
#endif
}

// Every byte value through a scrambled table, at lengths around the 32- and 64-byte blocks, at
// every kernel level; bytes past the run stay as they were.
TEST(BgrVectors, ByteTableLooksUpEveryValueAtEveryLevel) {
  std::uint8_t table[256];
  for (int v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>((v * 167 + 13) ^ (v >> 3));
  for (simd::KernelLevel level : {simd::KernelLevel::Avx512, simd::KernelLevel::Avx2, simd::KernelLevel::Portable}) {
    simd::limitKernels(level);
    const int running = static_cast<int>(simd::kernelLevel());  // for the messages
    for (std::size_t count : {0u, 1u, 31u, 32u, 33u, 63u, 64u, 65u, 256u, 300u}) {
      std::vector<std::uint8_t> bytes(count + 8);
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 89 + 7);
      const std::vector<std::uint8_t> original = bytes;
      simd::lookUpBytes(bytes.data(), count, table);
      for (std::size_t i = 0; i < bytes.size(); ++i)
        EXPECT_EQ(bytes[i], i < count ? table[original[i]] : original[i]) << running << " " << count << " " << i;
    }
  }
  simd::forcePortableKernels(false);
}

}  // namespace
}  // namespace virmeya
