#include "imaging/bgr_vectors.h"

#include <gtest/gtest.h>

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
VIRMEYA_AVX512_KERNELS_END
#endif

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

}  // namespace
}  // namespace virmeya
