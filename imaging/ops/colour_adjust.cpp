// Colour operations: hue rotation, colourise, saturation, brightness–contrast–saturation, channel
// gains, contrast about the mean, grey and threshold conversions, negative, HSL variation.
#include "imaging/ops/colour_adjust.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/bgr_vectors.h"
#include "imaging/ops/op_support.h"
#include "imaging/parallel.h"

namespace virmeya {

using ops::Lut;

namespace {

inline int greyLevel(const std::uint8_t* p) noexcept { return (21 * p[2] + 71 * p[1] + 8 * p[0]) / 100; }

// Rounds a float to the nearest integer, halves to even (the default rounding mode).
inline int roundFloat(float x) noexcept { return static_cast<int>(std::lrint(x)); }

}  // namespace

namespace {

// One row of the hue rotation. All the integer roundings are done in single precision: every
// numerator is an exact small integer, a quotient that is exactly a half stays exactly a half, and
// no other quotient comes within float error of one, so nearbyint (halves to even) gives the same
// integers as the integer formulas — and the loop vectorises.
VIRMEYA_VECTOR_CLONES
void tintRow(std::uint8_t* p, int width, float s, float c) {
  for (int x = 0; x < width; ++x, p += 3) {
    const float b = p[0], g = p[1], r = p[2];
    const float luma = std::nearbyint((30.0f * r + 59.0f * g + 11.0f * b) / 100.0f);
    const float db = std::nearbyint((89.0f * b - 30.0f * r - 59.0f * g) / 100.0f);
    const float dr = std::nearbyint((70.0f * r - 59.0f * g - 11.0f * b) / 100.0f);
    const float u = std::nearbyint((s * db + c * dr) / 256.0f);
    const float v = std::nearbyint((c * db - s * dr) / 256.0f);
    const float gr = std::nearbyint((-51.0f * u - 19.0f * v) / 100.0f);
    p[2] = static_cast<std::uint8_t>(std::clamp(luma + u, 0.0f, 255.0f));
    p[0] = static_cast<std::uint8_t>(std::clamp(luma + v, 0.0f, 255.0f));
    p[1] = static_cast<std::uint8_t>(std::clamp(luma + gr, 0.0f, 255.0f));
  }
}

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX512_KERNELS_BEGIN
// The same three operations on 64 pixels at a time, giving the bytes of the loops above: the
// integer roundings exactly in 16-bit lanes, and single precision only where the loops depend on
// its rounding. Lanes are in pairsLow / pairsHigh order throughout.
namespace avx512 {

inline __m512i words(int v) noexcept { return _mm512_set1_epi16(static_cast<short>(v)); }

// The low 16 bits of a product as one multiply: GCC would expand a product by a constant into
// shifts and adds, several times the cost here.
inline __m512i mulWords(__m512i a, __m512i b) noexcept { return _mm512_mask_mullo_epi16(a, ~__mmask32{0}, a, b); }

// 30·R + 59·G + 11·B (at most 25500) from the pairs (R, G) and (B, anything).
inline __m512i lumaSum(__m512i redGreen, __m512i blue) noexcept {
  return _mm512_add_epi16(_mm512_maddubs_epi16(redGreen, words(30 | 59 << 8)), _mm512_maddubs_epi16(blue, words(11)));
}

// n div 100 and n mod 100 for 0 ≤ n < 43600: the multiply-high is an exact floor in that range.
struct DivMod100 {
  __m512i q, r;
};
inline DivMod100 divMod100(__m512i n) noexcept {
  const __m512i q = _mm512_srli_epi16(_mm512_mulhi_epu16(n, words(41944)), 6);
  return {q, _mm512_sub_epi16(n, mulWords(q, words(100)))};
}

// x + r/100 (up) or x − r/100 rounded half to even, for whole x and the masks r > 50 and r = 50:
// away from x when r > 50, and at r = 50 only when x is odd (x ± 1 is then the even neighbour).
inline __m512i roundOffHundredths(__m512i x, __mmask32 above, __mmask32 half, bool up) noexcept {
  const __mmask32 away = above | _mm512_mask_test_epi16_mask(half, x, words(1));
  return up ? _mm512_mask_add_epi16(x, away, x, words(1)) : _mm512_mask_sub_epi16(x, away, x, words(1));
}

inline __m512i roundEvenDiv100(__m512i n) noexcept {
  const DivMod100 d = divMod100(n);
  const __mmask32 above = _mm512_cmpgt_epu16_mask(d.r, words(50)), half = _mm512_cmpeq_epi16_mask(d.r, words(50));
  return roundOffHundredths(d.q, above, half, true);
}

// Words holding 2^8 + d (0 ≤ 2^8 + d < 2^16) as exact floats d: under the exponent of 2^23 a word
// is the low mantissa bits, so the float is 2^23 + 2^8 + d.
constexpr float kBiasedFloat = 8388608.0f + 256.0f;
inline __m512 floatsLow(__m512i biased) noexcept {
  return _mm512_sub_ps(_mm512_castsi512_ps(_mm512_unpacklo_epi16(biased, words(0x4B00))), _mm512_set1_ps(kBiasedFloat));
}
inline __m512 floatsHigh(__m512i biased) noexcept {
  return _mm512_sub_ps(_mm512_castsi512_ps(_mm512_unpackhi_epi16(biased, words(0x4B00))), _mm512_set1_ps(kBiasedFloat));
}

// Products and sums with explicit rounding so the compiler never fuses them into multiply-adds,
// which would round differently from the loop.
constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
inline __m512 mul(__m512 a, __m512 b) noexcept { return _mm512_mul_round_ps(a, b, kNearest); }
inline __m512i roundToInt(__m512 a) noexcept { return _mm512_cvt_roundps_epi32(a, kNearest); }

// s·db + c·dr and c·db − s·dr rounded to whole numbers, s and c the sine and cosine themselves:
// scaling by 256 before and dividing by 256 after, as the loop does, are both exact. Then
// (−51u − 19v) / 100 rounded: the numerator is exact, and so is the rounding of its product with
// 0.01f, which is within 2.3e-8 of 0.01 relatively, less than 2^-25 (an exact half stays one, any
// other quotient is 0.01 away from one).
struct Rotated {
  __m512i u, v, green;
};
inline Rotated rotate(__m512 db, __m512 dr, __m512 s, __m512 c) noexcept {
  constexpr int kWhole = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  const __m512 u = _mm512_roundscale_ps(_mm512_add_round_ps(mul(s, db), mul(c, dr), kNearest), kWhole);
  const __m512 v = _mm512_roundscale_ps(_mm512_sub_round_ps(mul(c, db), mul(s, dr), kNearest), kWhole);
  const __m512 n = _mm512_fmadd_ps(_mm512_set1_ps(-51.0f), u, mul(_mm512_set1_ps(-19.0f), v));
  return {roundToInt(u), roundToInt(v), roundToInt(mul(n, _mm512_set1_ps(0.01f)))};
}

struct Words3 {
  __m512i b, g, r;
};

// One half of a block: redGreen = pairs (R, G), blue and red = pairs (B, 1) and (R, 1), i.e. the
// channel + 256, which keeps the colour differences positive for the float conversion.
inline Words3 tintWords(__m512i redGreen, __m512i blue, __m512i red, __m512 s, __m512 c) noexcept {
  const DivMod100 y = divMod100(lumaSum(redGreen, blue));
  const __mmask32 above = _mm512_cmpgt_epu16_mask(y.r, words(50)), half = _mm512_cmpeq_epi16_mask(y.r, words(50));
  const __m512i luma = roundOffHundredths(y.q, above, half, true);
  // (89B − 30R − 59G) / 100 = B − luma sum / 100, likewise for red.
  const __m512i db = roundOffHundredths(_mm512_sub_epi16(blue, y.q), above, half, false);
  const __m512i dr = roundOffHundredths(_mm512_sub_epi16(red, y.q), above, half, false);
  const Rotated low = rotate(floatsLow(db), floatsLow(dr), s, c);
  const Rotated high = rotate(floatsHigh(db), floatsHigh(dr), s, c);
  auto plus = [&](__m512i low, __m512i high) { return _mm512_add_epi16(luma, _mm512_packs_epi32(low, high)); };
  return {plus(low.v, high.v), plus(low.green, high.green), plus(low.u, high.u)};
}

void tintRow(std::uint8_t* row, int width, float sine, float cosine) {
  const __m512 s = _mm512_set1_ps(sine), c = _mm512_set1_ps(cosine);
  simd::forEachPixelBlock(row, width, [&](simd::Planes& p) {
    const __m512i one = _mm512_set1_epi8(1);
    const Words3 low = tintWords(simd::pairsLow(p.r, p.g), simd::pairsLow(p.b, one), simd::pairsLow(p.r, one), s, c);
    const Words3 high =
        tintWords(simd::pairsHigh(p.r, p.g), simd::pairsHigh(p.b, one), simd::pairsHigh(p.r, one), s, c);
    p.b = simd::packClamped(low.b, high.b);
    p.g = simd::packClamped(low.g, high.g);
    p.r = simd::packClamped(low.r, high.r);
  });
}

// Palette channels as 128-byte tables for the two-register byte permute.
struct PaletteTables {
  alignas(64) std::uint8_t b[128], g[128], r[128];
};

inline __m512i lookUp(const std::uint8_t* table, __m512i index) noexcept {
  return _mm512_permutex2var_epi8(_mm512_load_si512(table), index, _mm512_load_si512(table + 64));
}

// (21·R + 71·G + 8·B) >> 8 of one half.
inline __m512i greyIndex(__m512i redGreen, __m512i blue) noexcept {
  const __m512i sum = _mm512_add_epi16(_mm512_maddubs_epi16(redGreen, words(21 | 71 << 8)), _mm512_slli_epi16(blue, 3));
  return _mm512_srli_epi16(sum, 8);
}

void colorizeRow(std::uint8_t* row, int width, const PaletteTables& palette) {
  simd::forEachPixelBlock(row, width, [&](simd::Planes& p) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i index = simd::packClamped(greyIndex(simd::pairsLow(p.r, p.g), simd::pairsLow(p.b, zero)),
                                            greyIndex(simd::pairsHigh(p.r, p.g), simd::pairsHigh(p.b, zero)));
    p.b = lookUp(palette.b, index);
    p.g = lookUp(palette.g, index);
    p.r = lookUp(palette.r, index);
  });
}

// N = 100·(a + 100)·x − a·(30R + 59G + 11B) as one multiply-add of the word pairs (x, luma sum),
// then N / 10000 rounded. The single-precision product with 1e-4f rounds exactly like the integer
// quotient wherever the result is not clamped: 1e-4f is within 2.6e-8 of 1e-4 relatively, less than
// 2^-25, so an exact half stays exactly a half, and any other quotient is 1e-4 away from one.
inline __m512i saturatedChannel(__m512i x, __m512i lumaSum, __m512i weights) noexcept {
  auto quotient = [&](__m512i pairs) {
    const __m512 n = _mm512_cvtepi32_ps(_mm512_madd_epi16(pairs, weights));
    return roundToInt(mul(n, _mm512_set1_ps(1e-4f)));
  };
  return _mm512_packs_epi32(quotient(_mm512_unpacklo_epi16(x, lumaSum)), quotient(_mm512_unpackhi_epi16(x, lumaSum)));
}

// Whole amounts −300 ≤ a ≤ 227, so that 100·(a + 100) fits a signed 16-bit weight.
void saturationRow(std::uint8_t* row, int width, int a) {
  const std::uint32_t gain = static_cast<std::uint16_t>(100 * (a + 100)), weight = static_cast<std::uint16_t>(-a);
  const __m512i weights = _mm512_set1_epi32(static_cast<int>(gain | weight << 16));
  simd::forEachPixelBlock(row, width, [&](simd::Planes& p) {
    const __m512i zero = _mm512_setzero_si512();
    auto channel = [&](__m512i plane, __m512i sumLow, __m512i sumHigh) {
      return simd::packClamped(saturatedChannel(simd::pairsLow(plane, zero), sumLow, weights),
                               saturatedChannel(simd::pairsHigh(plane, zero), sumHigh, weights));
    };
    const __m512i sumLow = lumaSum(simd::pairsLow(p.r, p.g), simd::pairsLow(p.b, zero));
    const __m512i sumHigh = lumaSum(simd::pairsHigh(p.r, p.g), simd::pairsHigh(p.b, zero));
    p.b = channel(p.b, sumLow, sumHigh);
    p.g = channel(p.g, sumLow, sumHigh);
    p.r = channel(p.r, sumLow, sumHigh);
  });
}

}  // namespace avx512
VIRMEYA_AVX512_KERNELS_END
#endif

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX2_KERNELS_BEGIN
// The AVX-512 kernels above on 32 pixels at a time for processors without AVX-512, with the same
// exactness arguments; comparisons give lane masks of all ones instead of mask registers.
namespace avx2 {

inline __m256i words(int v) noexcept { return _mm256_set1_epi16(static_cast<short>(v)); }

// The low 16 bits of a product as one multiply (GCC would expand a constant factor into shifts).
inline __m256i mulWords(__m256i a, __m256i b) noexcept {
  __m256i product;
  asm("vpmullw %2, %1, %0" : "=x"(product) : "x"(a), "x"(b));
  return product;
}

// 30·R + 59·G + 11·B (at most 25500) from the pairs (R, G) and (B, anything).
inline __m256i lumaSum(__m256i redGreen, __m256i blue) noexcept {
  return _mm256_add_epi16(_mm256_maddubs_epi16(redGreen, words(30 | 59 << 8)), _mm256_maddubs_epi16(blue, words(11)));
}

// n div 100 and n mod 100 for 0 ≤ n < 43600.
struct DivMod100 {
  __m256i q, r;
};
inline DivMod100 divMod100(__m256i n) noexcept {
  const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(n, words(41944)), 6);
  return {q, _mm256_sub_epi16(n, mulWords(q, words(100)))};
}

// x ± r/100 rounded half to even, for whole x and the lane masks r > 50 and r = 50.
inline __m256i roundOffHundredths(__m256i x, __m256i above, __m256i half, bool up) noexcept {
  const __m256i odd = _mm256_cmpeq_epi16(_mm256_and_si256(x, words(1)), words(1));
  const __m256i away = _mm256_or_si256(above, _mm256_and_si256(half, odd));  // −1 where x moves
  return up ? _mm256_sub_epi16(x, away) : _mm256_add_epi16(x, away);
}

// Words holding 2^8 + d as exact floats d, as in the AVX-512 kernels.
constexpr float kBiasedFloat = 8388608.0f + 256.0f;
inline __m256 floatsLow(__m256i biased) noexcept {
  return _mm256_sub_ps(_mm256_castsi256_ps(_mm256_unpacklo_epi16(biased, words(0x4B00))), _mm256_set1_ps(kBiasedFloat));
}
inline __m256 floatsHigh(__m256i biased) noexcept {
  return _mm256_sub_ps(_mm256_castsi256_ps(_mm256_unpackhi_epi16(biased, words(0x4B00))), _mm256_set1_ps(kBiasedFloat));
}

// Conversions round to nearest, halves to even (the default rounding mode).
inline __m256i roundToInt(__m256 a) noexcept { return _mm256_cvtps_epi32(a); }
// A rounded product the compiler cannot fuse into a multiply-add (GCC contracts by default in C++),
// which would round differently from the loop.
inline __m256 mul(__m256 a, __m256 b) noexcept {
  __m256 product = _mm256_mul_ps(a, b);
  asm("" : "+x"(product));
  return product;
}

struct Rotated {
  __m256i u, v, green;
};
inline Rotated rotate(__m256 db, __m256 dr, __m256 s, __m256 c) noexcept {
  constexpr int kWhole = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  const __m256 u = _mm256_round_ps(_mm256_add_ps(mul(s, db), mul(c, dr)), kWhole);
  const __m256 v = _mm256_round_ps(_mm256_sub_ps(mul(c, db), mul(s, dr)), kWhole);
  // Whole numbers far below 2^24: the products and the sum are exact, fused or not.
  const __m256 n = _mm256_fmadd_ps(_mm256_set1_ps(-51.0f), u, mul(_mm256_set1_ps(-19.0f), v));
  return {roundToInt(u), roundToInt(v), roundToInt(mul(n, _mm256_set1_ps(0.01f)))};
}

struct Words3 {
  __m256i b, g, r;
};

// One half of a block: redGreen = pairs (R, G), blue and red = the channel + 256.
inline Words3 tintWords(__m256i redGreen, __m256i blue, __m256i red, __m256 s, __m256 c) noexcept {
  const DivMod100 y = divMod100(lumaSum(redGreen, blue));
  const __m256i above = _mm256_cmpgt_epi16(y.r, words(50)), half = _mm256_cmpeq_epi16(y.r, words(50));
  const __m256i luma = roundOffHundredths(y.q, above, half, true);
  const __m256i db = roundOffHundredths(_mm256_sub_epi16(blue, y.q), above, half, false);
  const __m256i dr = roundOffHundredths(_mm256_sub_epi16(red, y.q), above, half, false);
  const Rotated low = rotate(floatsLow(db), floatsLow(dr), s, c);
  const Rotated high = rotate(floatsHigh(db), floatsHigh(dr), s, c);
  auto plus = [&](__m256i low, __m256i high) { return _mm256_add_epi16(luma, _mm256_packs_epi32(low, high)); };
  return {plus(low.v, high.v), plus(low.green, high.green), plus(low.u, high.u)};
}

void tintRow(std::uint8_t* row, int width, float sine, float cosine) {
  const __m256 s = _mm256_set1_ps(sine), c = _mm256_set1_ps(cosine);
  simd::forEachPixelBlock32(row, width, [&](simd::Planes32& p) {
    const __m256i one = _mm256_set1_epi8(1);
    const Words3 low =
        tintWords(simd::pairsLow32(p.r, p.g), simd::pairsLow32(p.b, one), simd::pairsLow32(p.r, one), s, c);
    const Words3 high =
        tintWords(simd::pairsHigh32(p.r, p.g), simd::pairsHigh32(p.b, one), simd::pairsHigh32(p.r, one), s, c);
    p.b = simd::packClamped32(low.b, high.b);
    p.g = simd::packClamped32(low.g, high.g);
    p.r = simd::packClamped32(low.r, high.r);
  });
}

// A 100-entry palette channel for byte shuffles: piece t (entries 16t … 16t + 15) XOR piece t − 1.
// Index i − 16t has its top bit clear exactly when i ≥ 16t (for i < 128), so the XOR of the
// shuffles of all seven steps leaves piece ⌊i / 16⌋ at entry i mod 16.
struct PaletteSteps {
  __m256i b[7], g[7], r[7];
};

PaletteSteps paletteSteps(const Bgr (&palette)[100]) noexcept {
  alignas(16) std::uint8_t table[3][112] = {};
  for (int grey = 0; grey < 100; ++grey) {
    table[0][grey] = palette[grey].b;
    table[1][grey] = palette[grey].g;
    table[2][grey] = palette[grey].r;
  }
  PaletteSteps steps;
  __m256i* out[3] = {steps.b, steps.g, steps.r};
  for (int c = 0; c < 3; ++c)
    for (int t = 0; t < 7; ++t) {
      const __m128i piece = _mm_load_si128(reinterpret_cast<const __m128i*>(table[c] + 16 * t));
      const __m128i previous =
          t == 0 ? _mm_setzero_si128() : _mm_load_si128(reinterpret_cast<const __m128i*>(table[c] + 16 * (t - 1)));
      out[c][t] = _mm256_broadcastsi128_si256(_mm_xor_si128(piece, previous));
    }
  return steps;
}

// (21·R + 71·G + 8·B) >> 8 of one half.
inline __m256i greyIndex(__m256i redGreen, __m256i blue) noexcept {
  const __m256i sum = _mm256_add_epi16(_mm256_maddubs_epi16(redGreen, words(21 | 71 << 8)), _mm256_slli_epi16(blue, 3));
  return _mm256_srli_epi16(sum, 8);
}

void colorizeRow(std::uint8_t* row, int width, const PaletteSteps& palette) {
  simd::forEachPixelBlock32(row, width, [&](simd::Planes32& p) {
    const __m256i zero = _mm256_setzero_si256(), sixteen = _mm256_set1_epi8(16);
    __m256i index = simd::packClamped32(greyIndex(simd::pairsLow32(p.r, p.g), simd::pairsLow32(p.b, zero)),
                                        greyIndex(simd::pairsHigh32(p.r, p.g), simd::pairsHigh32(p.b, zero)));
    __m256i b = _mm256_shuffle_epi8(palette.b[0], index), g = _mm256_shuffle_epi8(palette.g[0], index),
            r = _mm256_shuffle_epi8(palette.r[0], index);
    for (int t = 1; t < 7; ++t) {
      index = _mm256_sub_epi8(index, sixteen);
      b = _mm256_xor_si256(b, _mm256_shuffle_epi8(palette.b[t], index));
      g = _mm256_xor_si256(g, _mm256_shuffle_epi8(palette.g[t], index));
      r = _mm256_xor_si256(r, _mm256_shuffle_epi8(palette.r[t], index));
    }
    p.b = b;
    p.g = g;
    p.r = r;
  });
}

// N = 100·(a + 100)·x − a·(30R + 59G + 11B) as one multiply-add, then N / 10000 rounded through
// the single-precision product with 1e-4f, exact where the result is not clamped.
inline __m256i saturatedChannel(__m256i x, __m256i lumaSum, __m256i weights) noexcept {
  auto quotient = [&](__m256i pairs) {
    const __m256 n = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, weights));
    return roundToInt(mul(n, _mm256_set1_ps(1e-4f)));
  };
  return _mm256_packs_epi32(quotient(_mm256_unpacklo_epi16(x, lumaSum)), quotient(_mm256_unpackhi_epi16(x, lumaSum)));
}

// Whole amounts −300 ≤ a ≤ 227.
void saturationRow(std::uint8_t* row, int width, int a) {
  const std::uint32_t gain = static_cast<std::uint16_t>(100 * (a + 100)), weight = static_cast<std::uint16_t>(-a);
  const __m256i weights = _mm256_set1_epi32(static_cast<int>(gain | weight << 16));
  simd::forEachPixelBlock32(row, width, [&](simd::Planes32& p) {
    const __m256i zero = _mm256_setzero_si256();
    auto channel = [&](__m256i plane, __m256i sumLow, __m256i sumHigh) {
      return simd::packClamped32(saturatedChannel(simd::pairsLow32(plane, zero), sumLow, weights),
                                 saturatedChannel(simd::pairsHigh32(plane, zero), sumHigh, weights));
    };
    const __m256i sumLow = lumaSum(simd::pairsLow32(p.r, p.g), simd::pairsLow32(p.b, zero));
    const __m256i sumHigh = lumaSum(simd::pairsHigh32(p.r, p.g), simd::pairsHigh32(p.b, zero));
    p.b = channel(p.b, sumLow, sumHigh);
    p.g = channel(p.g, sumLow, sumHigh);
    p.r = channel(p.r, sumLow, sumHigh);
  });
}

}  // namespace avx2
VIRMEYA_AVX2_KERNELS_END
#endif

}  // namespace

void AdjustTint(Bitmap& bitmap, double degrees) {
  // The angle and its sine and cosine are single precision, as the colour-effects family computes
  // them; the products stay single precision so ties round the same way.
  const float t = static_cast<float>(degrees) * 3.14159f / 180.0f;
  const float s = std::sin(t) * 256.0f;
  const float c = std::cos(t) * 256.0f;
  const int w = bitmap.width();
#if VIRMEYA_HAS_AVX512_KERNELS
  if (simd::useAvx512Vbmi()) {
    parallelRows(bitmap.height(), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) avx512::tintRow(bitmap.row(y), w, s / 256.0f, c / 256.0f);
    });
    return;
  }
  if (simd::useAvx2()) {
    parallelRows(bitmap.height(), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) avx2::tintRow(bitmap.row(y), w, s / 256.0f, c / 256.0f);
    });
    return;
  }
#endif
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) tintRow(bitmap.row(y), w, s, c);
  });
}

Bgr hsvToBgr(int hue, int saturation, int value) {
  hue %= 360;
  if (hue < 0) hue += 360;
  const int sat = std::clamp(saturation, 0, 99);
  const int val = std::clamp(value, 0, 99);
  // x / 99 · 255 never lands on a half, so the integer rounding equals the real one.
  auto scale = [](int x) { return static_cast<std::uint8_t>(ops::roundDivEven(x * 255, 99)); };
  if (sat == 0) {
    const std::uint8_t v = scale(val);
    return Bgr{v, v, v};
  }
  const int f = hue % 60;
  const int p = val - sat * val / 99;
  const int q = val - sat * val * f / 5940;
  const int t = val - sat * val * (60 - f) / 5940;
  int r = 0, g = 0, b = 0;
  switch (hue / 60) {
    case 0: r = val; g = t; b = p; break;
    case 1: r = q; g = val; b = p; break;
    case 2: r = p; g = val; b = t; break;
    case 3: r = p; g = q; b = val; break;
    case 4: r = t; g = p; b = val; break;
    default: r = val; g = p; b = q; break;
  }
  return rgb(scale(r), scale(g), scale(b));
}

void Colorize(Bitmap& bitmap, int hue, int saturation, double factor) {
  // The grey level is 0..99, so the whole operation is a 100-colour palette.
  Bgr palette[100];
  for (int grey = 0; grey < 100; ++grey) {
    const long long value = truncToInt(factor * grey);
    palette[grey] = hsvToBgr(hue, saturation, static_cast<int>(std::clamp<long long>(value, -1, 100)));
  }
  const int w = bitmap.width();
#if VIRMEYA_HAS_AVX512_KERNELS
  if (simd::useAvx512Vbmi()) {
    avx512::PaletteTables tables{};
    for (int grey = 0; grey < 100; ++grey) {
      tables.b[grey] = palette[grey].b;
      tables.g[grey] = palette[grey].g;
      tables.r[grey] = palette[grey].r;
    }
    parallelRows(bitmap.height(), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) avx512::colorizeRow(bitmap.row(y), w, tables);
    });
    return;
  }
  if (simd::useAvx2()) {
    const avx2::PaletteSteps steps = avx2::paletteSteps(palette);
    parallelRows(bitmap.height(), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) avx2::colorizeRow(bitmap.row(y), w, steps);
    });
    return;
  }
#endif
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const Bgr c = palette[(21 * p[2] + 71 * p[1] + 8 * p[0]) >> 8];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
    }
  });
}

namespace {

// One row of the saturation change for a whole amount a, exactly: with Y = (30·R + 59·G + 11·B) / 100
// and k = (a + 100) / 100, Y + k·(x − Y) is N / 10000 with N = 100·(a + 100)·x − a·(30·R + 59·G + 11·B),
// an integer below 2^24 in magnitude for |a| ≤ 300. Its single-precision quotient is an exact half
// exactly when N / 10000 is one and otherwise stays further than float error from a half, so
// nearbyint (halves to even) rounds it as exact arithmetic would — and the loop vectorises.
VIRMEYA_VECTOR_CLONES
void saturationRow(std::uint8_t* p, int width, int a) {
  const float gain = 100.0f * static_cast<float>(a + 100);
  const float fa = static_cast<float>(a);
  for (int i = 0; i < width; ++i, p += 3) {
    const float weighted = -fa * (30.0f * p[2] + 59.0f * p[1] + 11.0f * p[0]);
    for (int c = 0; c < 3; ++c) {
      const float q = std::nearbyint((gain * p[c] + weighted) / 10000.0f);
      p[c] = static_cast<std::uint8_t>(std::clamp(q, 0.0f, 255.0f));
    }
  }
}

}  // namespace

void AdjustSaturation(Bitmap& bitmap, double amount) {
  const double k = (amount + 100.0) / 100.0;
  if (k == 1.0) return;
  const int w = bitmap.width();
  const double whole = std::nearbyint(amount);
  if (whole == amount && std::fabs(amount) <= 300) {
    const int a = static_cast<int>(whole);
#if VIRMEYA_HAS_AVX512_KERNELS
    if (simd::useAvx512Vbmi() && a <= 227) {
      parallelRows(bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) avx512::saturationRow(bitmap.row(y), w, a);
      });
      return;
    }
    if (simd::useAvx2() && a <= 227) {
      parallelRows(bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) avx2::saturationRow(bitmap.row(y), w, a);
      });
      return;
    }
#endif
    parallelRows(bitmap.height(), [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) saturationRow(bitmap.row(y), w, a);
    });
    return;
  }
  // A fractional amount: the formula in double precision.
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const double luma = 0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0];
        for (int c = 0; c < 3; ++c) p[c] = clampRound(luma + k * (p[c] - luma));
      }
    }
  });
}

void AdjustBrightnessContrastSaturation(Bitmap& bitmap, int brightness, int contrast, int saturation) {
  // Contrast: 100 would make the curve vertical (1 / cos 90°), so it counts as 99; values beyond
  // the range would fold the curve back and are held at its ends.
  const int c = std::clamp(contrast, -100, 99);
  const double k = c < 1 ? std::cos(c * 0.015708) : 1.0 / std::cos(c * M_PI / 200.0);
  Lut curve;
  for (int i = 0; i < 256; ++i) curve[i] = clampRound((i - 170) * k + 170);
  const int bf = static_cast<int>(truncToInt((1.0 + brightness / 100.0) * 256.0));
  Lut table;
  table[0] = curve[0];
  for (int j = 1; j < 256; ++j) {
    const long long q = (static_cast<long long>(j - 1) * bf + 256) / 256;
    table[j] = curve[static_cast<std::size_t>(std::clamp<long long>(q, 0, 255))];
  }
  if (saturation == 0) {
    // sf = 256 makes the saturation step the identity: m − (m + 1) + (x + 1) = x.
    ops::applyLut(bitmap, table);
    return;
  }
  // A saturation below −100 would invert the colours; far above the range it only saturates more.
  const int s = std::clamp(saturation, -100, 1000);
  const int sf = static_cast<int>(truncToInt((1.0 + s / 100.0) * 256.0));
  int scaled[256];
  for (int v = 0; v < 256; ++v) scaled[v] = sf * (v + 1) / 256;
  // m − S(m) + S(x) lies within [−sf, 255 + sf]; one table covers clamping and the curve.
  constexpr int kOffset = 3000;
  static_assert(kOffset >= 11 * 256 + 1, "covers the largest saturation factor");
  std::vector<std::uint8_t> finalTable(2 * kOffset + 256);
  for (int i = 0; i < static_cast<int>(finalTable.size()); ++i) finalTable[i] = table[ClampByte(i - kOffset)];
  const std::uint8_t* out = finalTable.data() + kOffset;
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const int m = (p[0] + p[1] + p[2]) / 3;
        const int d = m - scaled[m];
        p[0] = out[d + scaled[p[0]]];
        p[1] = out[d + scaled[p[1]]];
        p[2] = out[d + scaled[p[2]]];
      }
    }
  });
}

void WhiteBalance_coef(Bitmap& bitmap, double red, double green, double blue) {
  auto gain = [](double factor) {
    Lut lut;
    for (int v = 0; v < 256; ++v) {
      const double x = v * factor;
      lut[v] = x >= 255.0 ? 255 : (x <= 0.0 ? 0 : static_cast<std::uint8_t>(truncToInt(x)));
    }
    return lut;
  };
  ops::applyLuts(bitmap, gain(blue), gain(green), gain(red));
}

void Contrast(Bitmap& bitmap, int amount) {
  if (bitmap.empty()) return;
  const ops::ChannelMeans means = ops::channelMeans(bitmap);
  const double factor = amount >= 0 ? amount / 10.0 + 1.0 : 1.0 - std::sqrt(-static_cast<double>(amount)) / 10.0;
  const long long g = truncToInt(factor * 65536.0);
  auto stretch = [g](int mean) {
    Lut lut;
    for (int v = 0; v < 256; ++v) {
      const long long x = (v - mean) * g / 65536 + mean;  // division truncates toward zero
      lut[v] = ClampByte(static_cast<int>(std::clamp<long long>(x, -1, 256)));
    }
    return lut;
  };
  ops::applyLuts(bitmap, stretch(means.blue), stretch(means.green), stretch(means.red));
}

void IntensityRGBall(Bitmap& bitmap, int red, int green, int blue) {
  auto shift = [](int amount) {
    Lut lut;
    for (int v = 0; v < 256; ++v) lut[v] = ClampByte(std::clamp(v + amount, -1, 256));
    return lut;
  };
  ops::applyLuts(bitmap, shift(blue), shift(green), shift(red));
}

void ConvertToGray(Bitmap& bitmap) {
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const std::uint8_t grey = static_cast<std::uint8_t>(greyLevel(p));
        p[0] = p[1] = p[2] = grey;
      }
    }
  });
}

void ConvertToBWThreshold(Bitmap& bitmap, int threshold) {
  if (bitmap.empty()) return;
  int t = threshold;
  if (t == -1) {
    const ops::ChannelMeans m = ops::channelMeans(bitmap);
    t = (21 * m.red + 71 * m.green + 8 * m.blue) / 100;
  }
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const std::uint8_t v = greyLevel(p) < t ? 0 : 255;
        p[0] = p[1] = p[2] = v;
      }
    }
  });
}

void Negative(Bitmap& bitmap) {
  Lut lut;
  for (int v = 0; v < 256; ++v) lut[v] = static_cast<std::uint8_t>(255 - v);
  ops::applyLut(bitmap, lut);
}

// HSL variation. Each pixel goes to hue, saturation and lightness (the usual hexcone HSL, all
// 0..1). The hue turns by `hue` degrees. Saturation and lightness amounts pull the value toward
// its limit proportionally: a negative amount a scales it by 1 + a / 100 (−100 gives grey or
// black), a positive one moves it toward 1 by a / 100 of the remaining distance (100 gives full
// saturation or white). So every amount keeps the order of values and 0 changes nothing.
void HSLVariation(Bitmap& bitmap, double hue, int saturation, int lightness) {
  const double hueShift = std::fmod(hue, 360.0) / 360.0;
  const double sa = std::clamp(saturation, -100, 100) / 100.0;
  const double la = std::clamp(lightness, -100, 100) / 100.0;
  if (hueShift == 0.0 && sa == 0.0 && la == 0.0) return;
  auto adjust = [](double v, double a) { return a < 0 ? v * (1.0 + a) : v + (1.0 - v) * a; };
  const int w = bitmap.width();
  parallelRows(bitmap.height(), [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* p = bitmap.row(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const float r = p[2] / 255.0f, g = p[1] / 255.0f, b = p[0] / 255.0f;
        const float mx = std::max({r, g, b}), mn = std::min({r, g, b});
        float l = (mx + mn) * 0.5f;
        float s = 0.0f, h = 0.0f;
        const float d = mx - mn;
        if (d > 0.0f) {
          s = l > 0.5f ? d / (2.0f - mx - mn) : d / (mx + mn);
          if (mx == r) {
            h = (g - b) / d + (g < b ? 6.0f : 0.0f);
          } else if (mx == g) {
            h = (b - r) / d + 2.0f;
          } else {
            h = (r - g) / d + 4.0f;
          }
          h /= 6.0f;
        }
        h += static_cast<float>(hueShift);
        if (h < 0.0f) h += 1.0f;
        if (h >= 1.0f) h -= 1.0f;
        s = static_cast<float>(adjust(s, sa));
        l = static_cast<float>(adjust(l, la));
        float ro = l, go = l, bo = l;
        if (s > 0.0f) {
          const float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
          const float pp = 2.0f * l - q;
          auto channel = [&](float t) {
            if (t < 0.0f) t += 1.0f;
            if (t > 1.0f) t -= 1.0f;
            if (t < 1.0f / 6.0f) return pp + (q - pp) * 6.0f * t;
            if (t < 0.5f) return q;
            if (t < 2.0f / 3.0f) return pp + (q - pp) * (2.0f / 3.0f - t) * 6.0f;
            return pp;
          };
          ro = channel(h + 1.0f / 3.0f);
          go = channel(h);
          bo = channel(h - 1.0f / 3.0f);
        }
        p[2] = clampRound(ro * 255.0f);
        p[1] = clampRound(go * 255.0f);
        p[0] = clampRound(bo * 255.0f);
      }
    }
  });
}

}  // namespace virmeya
