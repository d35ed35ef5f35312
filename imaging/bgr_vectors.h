// Interleaved blue-green-red pixels as three byte planes and back: 64 at a time for the AVX-512 row
// kernels (byte permutes need AVX-512 VBMI), 32 at a time for the AVX2 ones. Kernels built on this
// are chosen at run time by kernelLevel(); every one of them keeps a portable twin that gives the
// same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VIRMEYA_HAS_AVX512_KERNELS 1
// Code between these two is compiled for the instruction sets of the AVX-512 kernels, lambdas
// included; it may only run when useAvx512Vbmi() says so. The vectors never cross into code built
// for other instruction sets, so the vector-ABI warning does not apply; GCC 12 wrongly reports the
// deliberately undefined vectors inside its own AVX-512 headers as uninitialised.
#define VIRMEYA_AVX512_KERNELS_BEGIN                                                 \
  _Pragma("GCC push_options")                                                      \
  _Pragma("GCC target(\"avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,bmi2\")") \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wpsabi\"")            \
  _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define VIRMEYA_AVX512_KERNELS_END _Pragma("GCC diagnostic pop") _Pragma("GCC pop_options")
// The same for the AVX2 kernels; they may only run when kernelLevel() is Avx2 or higher. GCC fuses
// products and sums here unless told otherwise: kernels keep apart those whose rounding matters.
#define VIRMEYA_AVX2_KERNELS_BEGIN                                                              \
  _Pragma("GCC push_options") _Pragma("GCC target(\"avx2,fma,bmi2\")") _Pragma("GCC diagnostic push") \
      _Pragma("GCC diagnostic ignored \"-Wpsabi\"") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define VIRMEYA_AVX2_KERNELS_END _Pragma("GCC diagnostic pop") _Pragma("GCC pop_options")
#else
#define VIRMEYA_HAS_AVX512_KERNELS 0
#endif

namespace virmeya::simd {

// The row kernels in use, from the processor (AVX2 with FMA and BMI2; AVX-512 with byte permutes)
// and VIRMEYA_SIMD in the environment: 0 keeps the portable loops, avx2 goes no higher than AVX2.
enum class KernelLevel { Portable, Avx2, Avx512 };
KernelLevel kernelLevel() noexcept;
// Tests and benchmarks run each level on the same machine: kernels above `highest` are not used
// (a level the processor lacks stays unused whatever the limit).
void limitKernels(KernelLevel highest) noexcept;

// True when the processor runs the AVX-512 byte-permute kernels and they are not switched off
// (VIRMEYA_SIMD in the environment, or forcePortableKernels / limitKernels for the tests).
bool useAvx512Vbmi() noexcept;
// True when the AVX2 kernels run (the level is exactly Avx2; AVX-512 has its own).
inline bool useAvx2() noexcept { return kernelLevel() == KernelLevel::Avx2; }
// Tests compare both paths on the same machine: true keeps the portable loops, false lifts any limit.
void forcePortableKernels(bool portable) noexcept;

// bytes[i] = table[bytes[i]] for a run of bytes (a 256-entry table); four byte permutes per 64 bytes
// where the processor has them, sixteen byte shuffles per 32 bytes with AVX2, a plain loop elsewhere.
void lookUpBytes(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) noexcept;

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX512_KERNELS_BEGIN

struct Planes {
  __m512i b, g, r;  // byte i of each plane belongs to pixel i
};

namespace detail {
// Byte-permute indices: for reading, plane c takes byte 3i + c of the 192 input bytes; for writing,
// output vector j takes byte m from pixel (64j + m) / 3 of plane (64j + m) % 3.
struct PermuteTables {
  alignas(64) std::uint8_t load[3][64];
  alignas(64) std::uint8_t store[3][64];
  std::uint64_t loadFromThird[3];  // bytes that come from the third input vector
  std::uint64_t storeFromRed[3];   // output bytes that come from the red plane
};
inline constexpr PermuteTables kPermute = [] {
  PermuteTables t{};
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 64; ++i) {
      const int source = 3 * i + c;
      t.load[c][i] = static_cast<std::uint8_t>(source & 127);
      if (source >= 128) t.loadFromThird[c] |= std::uint64_t{1} << i;
    }
  for (int j = 0; j < 3; ++j)
    for (int m = 0; m < 64; ++m) {
      const int position = 64 * j + m, pixel = position / 3, channel = position % 3;
      t.store[j][m] = static_cast<std::uint8_t>((pixel & 63) | (channel == 1 ? 64 : 0));
      if (channel == 2) t.storeFromRed[j] |= std::uint64_t{1} << m;
    }
  return t;
}();
}  // namespace detail

// Reads 64 pixels (192 bytes).
inline Planes loadPixels64(const std::uint8_t* p) noexcept {
  using detail::kPermute;
  const __m512i a0 = _mm512_loadu_si512(p), a1 = _mm512_loadu_si512(p + 64), a2 = _mm512_loadu_si512(p + 128);
  auto plane = [&](int c) {
    const __m512i index = _mm512_load_si512(kPermute.load[c]);
    const __m512i firstTwo = _mm512_permutex2var_epi8(a0, index, a1);
    return _mm512_mask_permutexvar_epi8(firstTwo, kPermute.loadFromThird[c], index, a2);
  };
  return Planes{plane(0), plane(1), plane(2)};
}

// Writes 64 pixels (192 bytes).
inline void storePixels64(std::uint8_t* p, const Planes& planes) noexcept {
  using detail::kPermute;
  for (int j = 0; j < 3; ++j) {
    const __m512i index = _mm512_load_si512(kPermute.store[j]);
    const __m512i blueGreen = _mm512_permutex2var_epi8(planes.b, index, planes.g);
    _mm512_storeu_si512(p + 64 * j, _mm512_mask_permutexvar_epi8(blueGreen, kPermute.storeFromRed[j], index, planes.r));
  }
}

// Runs kernel(Planes&) over a row of `width` pixels in place, 64 at a time; the last partial block
// goes through a small buffer so the kernel always sees whole vectors.
template <class Kernel>
inline void forEachPixelBlock(std::uint8_t* row, int width, Kernel&& kernel) {
  int x = 0;
  for (; x + 64 <= width; x += 64, row += 192) {
    Planes planes = loadPixels64(row);
    kernel(planes);
    storePixels64(row, planes);
  }
  if (x < width) {
    const int bytes = 3 * (width - x);
    alignas(64) std::uint8_t buffer[192] = {};
    __builtin_memcpy(buffer, row, static_cast<unsigned>(bytes));
    Planes planes = loadPixels64(buffer);
    kernel(planes);
    storePixels64(buffer, planes);
    __builtin_memcpy(row, buffer, static_cast<unsigned>(bytes));
  }
}

// The low and high 32 bytes of a plane widened to 16-bit lanes.
inline __m512i widenLow(__m512i v) noexcept {
  return _mm512_cvtepu8_epi16(_mm512_castsi512_si256(v));
}
inline __m512i widenHigh(__m512i v) noexcept {
  return _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(v, 1));
}
// Two vectors of 16-bit values back to one plane of bytes, clamped to 0..255.
inline __m512i narrowClamped(__m512i low, __m512i high) noexcept {
  const __m512i packed = _mm512_packus_epi16(low, high);  // interleaved per 128-bit lane
  return _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), packed);
}

// Byte pairs of two planes as 16-bit lanes, the byte of `low` under the byte of `high` of the same
// pixel (pairsLow(v, zero) widens v). The lanes come in the order of the unpack instructions, each
// 128-bit lane holding its first eight pixels in pairsLow and the other eight in pairsHigh: one
// shuffle cheaper than widenLow/widenHigh, and fine for arithmetic lane by lane, since packClamped
// puts the pixels back in order. Also the operand layout of multiply-add over two planes
// (_mm512_maddubs_epi16).
inline __m512i pairsLow(__m512i low, __m512i high) noexcept { return _mm512_unpacklo_epi8(low, high); }
inline __m512i pairsHigh(__m512i low, __m512i high) noexcept { return _mm512_unpackhi_epi8(low, high); }
// 16-bit values from pairsLow and pairsHigh back to one plane of bytes, clamped to 0..255.
inline __m512i packClamped(__m512i low, __m512i high) noexcept { return _mm512_packus_epi16(low, high); }

// 64 pixels with each plane already widened to 16-bit lanes: plane[c][h] holds channel c (0 blue,
// 1 green, 2 red) of pixels 32h … 32h + 31. Kernels that do their arithmetic in 16 bits read and
// write these directly, saving the separate widening and narrowing steps.
struct WidePlanes {
  __m512i plane[3][2];
};

namespace detail {
// Reading: plane c, half h takes byte 3i + c of pixel i from the input vectors h and h + 1 into the
// low byte of its lane; the high bytes are zeroed by the mask. Writing: the narrowing pack leaves
// pixel i of a plane at byte packedAt(i) (it interleaves the two halves per 128-bit lane), so the
// output permutes pick from there.
struct WidePermuteTables {
  alignas(64) std::uint8_t load[3][2][64];
  alignas(64) std::uint8_t store[3][64];
  std::uint64_t storeFromRed[3];
};
constexpr int packedAt(int pixel) { return 16 * ((pixel & 31) >> 3) + (pixel & 7) + (pixel >= 32 ? 8 : 0); }
inline constexpr WidePermuteTables kWidePermute = [] {
  WidePermuteTables t{};
  for (int c = 0; c < 3; ++c)
    for (int h = 0; h < 2; ++h)
      for (int k = 0; k < 32; ++k) t.load[c][h][2 * k] = static_cast<std::uint8_t>(3 * (32 * h + k) + c - 64 * h);
  for (int j = 0; j < 3; ++j)
    for (int m = 0; m < 64; ++m) {
      const int position = 64 * j + m, pixel = position / 3, channel = position % 3;
      t.store[j][m] = static_cast<std::uint8_t>(packedAt(pixel) | (channel == 1 ? 64 : 0));
      if (channel == 2) t.storeFromRed[j] |= std::uint64_t{1} << m;
    }
  return t;
}();
inline constexpr std::uint64_t kLowBytes = 0x5555555555555555u;
}  // namespace detail

// Reads 64 pixels (192 bytes) as six vectors of 16-bit values 0 … 255.
inline WidePlanes loadPixels64Wide(const std::uint8_t* p) noexcept {
  using detail::kWidePermute;
  const __m512i in[3] = {_mm512_loadu_si512(p), _mm512_loadu_si512(p + 64), _mm512_loadu_si512(p + 128)};
  WidePlanes w;
  for (int c = 0; c < 3; ++c)
    for (int h = 0; h < 2; ++h)
      w.plane[c][h] = _mm512_maskz_permutex2var_epi8(detail::kLowBytes, in[h], _mm512_load_si512(kWidePermute.load[c][h]),
                                                     in[h + 1]);
  return w;
}

// Six vectors of signed 16-bit values, each clamped to 0 … 255, as the 192 interleaved bytes of 64
// pixels, left in three vectors (bytes 0–63, 64–127, 128–191).
inline void joinPixels64Narrowed(const WidePlanes& w, __m512i (&out)[3]) noexcept {
  using detail::kWidePermute;
  const __m512i b = _mm512_packus_epi16(w.plane[0][0], w.plane[0][1]);
  const __m512i g = _mm512_packus_epi16(w.plane[1][0], w.plane[1][1]);
  const __m512i r = _mm512_packus_epi16(w.plane[2][0], w.plane[2][1]);
  for (int j = 0; j < 3; ++j) {
    const __m512i index = _mm512_load_si512(kWidePermute.store[j]);
    out[j] = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(b, index, g), kWidePermute.storeFromRed[j], index, r);
  }
}

// Writes 64 pixels (192 bytes) from six vectors of signed 16-bit values, each clamped to 0 … 255.
inline void storePixels64Narrowed(std::uint8_t* p, const WidePlanes& w) noexcept {
  __m512i out[3];
  joinPixels64Narrowed(w, out);
  for (int j = 0; j < 3; ++j) _mm512_storeu_si512(p + 64 * j, out[j]);
}

VIRMEYA_AVX512_KERNELS_END
#endif

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX2_KERNELS_BEGIN

// 32 pixels as three 32-byte planes: byte i of each plane belongs to pixel i.
struct Planes32 {
  __m256i b, g, r;
};

namespace detail {
// 16 pixels are 48 bytes, three 16-byte vectors; since 16 ≡ 1 (mod 3), position k of vector v holds
// channel (v + k) mod 3, so at every position the three vectors hold the three channels. Reading,
// plane c blends at each position the vector holding channel c, then one byte shuffle puts its 16
// bytes in pixel order; writing undoes both. Each 128-bit lane does this for its own 16 pixels (the
// shuffles stay within lanes), so the tables repeat in both halves.
struct ShuffleTables {
  alignas(32) std::uint8_t load[3][32];       // plane c, pixel i: position of byte 3i + c
  alignas(32) std::uint8_t loadSecond[3][32];  // plane c: positions taken from vector 1 (top bit)
  alignas(32) std::uint8_t loadThird[3][32];   // plane c: positions taken from vector 2
  alignas(32) std::uint8_t store[3][32];       // plane c, position k: its pixel in the vector holding c there
  alignas(32) std::uint8_t storeGreen[3][32];  // output vector v: positions holding green
  alignas(32) std::uint8_t storeRed[3][32];    // output vector v: positions holding red
};
inline constexpr ShuffleTables kShuffle = [] {
  ShuffleTables t{};
  for (int lane = 0; lane < 2; ++lane)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 16; ++k) {
        const int at = 16 * lane + k;
        t.load[c][at] = static_cast<std::uint8_t>((3 * k + c) % 16);
        t.loadSecond[c][at] = (1 + k) % 3 == c ? 0x80 : 0;
        t.loadThird[c][at] = (2 + k) % 3 == c ? 0x80 : 0;
        const int v = ((c - k) % 3 + 3) % 3;  // the vector holding channel c at position k
        t.store[c][at] = static_cast<std::uint8_t>((16 * v + k) / 3);
        t.storeGreen[c][at] = (c + k) % 3 == 1 ? 0x80 : 0;  // here c is the output vector
        t.storeRed[c][at] = (c + k) % 3 == 2 ? 0x80 : 0;
      }
  return t;
}();
inline __m256i table32(const std::uint8_t (&bytes)[32]) noexcept {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
}
}  // namespace detail

// Reads 32 pixels (96 bytes): pixels 0–15 into the low lanes, 16–31 into the high ones.
inline Planes32 loadPixels32(const std::uint8_t* p) noexcept {
  using detail::kShuffle;
  using detail::table32;
  auto pair = [&](int offset) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48 + offset));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
  };
  const __m256i a0 = pair(0), a1 = pair(16), a2 = pair(32);
  auto plane = [&](int c) {
    const __m256i mixed = _mm256_blendv_epi8(_mm256_blendv_epi8(a0, a1, table32(kShuffle.loadSecond[c])), a2,
                                             table32(kShuffle.loadThird[c]));
    return _mm256_shuffle_epi8(mixed, table32(kShuffle.load[c]));
  };
  return Planes32{plane(0), plane(1), plane(2)};
}

// Writes 32 pixels (96 bytes).
inline void storePixels32(std::uint8_t* p, const Planes32& planes) noexcept {
  using detail::kShuffle;
  using detail::table32;
  const __m256i b = _mm256_shuffle_epi8(planes.b, table32(kShuffle.store[0]));
  const __m256i g = _mm256_shuffle_epi8(planes.g, table32(kShuffle.store[1]));
  const __m256i r = _mm256_shuffle_epi8(planes.r, table32(kShuffle.store[2]));
  for (int v = 0; v < 3; ++v) {
    const __m256i out =
        _mm256_blendv_epi8(_mm256_blendv_epi8(b, g, table32(kShuffle.storeGreen[v])), r, table32(kShuffle.storeRed[v]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * v), _mm256_castsi256_si128(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 48 + 16 * v), _mm256_extracti128_si256(out, 1));
  }
}

// Runs kernel(Planes32&) over a row of `width` pixels in place, 32 at a time; the last partial
// block goes through a small buffer so the kernel always sees whole vectors.
template <class Kernel>
inline void forEachPixelBlock32(std::uint8_t* row, int width, Kernel&& kernel) {
  int x = 0;
  for (; x + 32 <= width; x += 32, row += 96) {
    Planes32 planes = loadPixels32(row);
    kernel(planes);
    storePixels32(row, planes);
  }
  if (x < width) {
    const int bytes = 3 * (width - x);
    alignas(32) std::uint8_t buffer[96] = {};
    __builtin_memcpy(buffer, row, static_cast<unsigned>(bytes));
    Planes32 planes = loadPixels32(buffer);
    kernel(planes);
    storePixels32(buffer, planes);
    __builtin_memcpy(row, buffer, static_cast<unsigned>(bytes));
  }
}

// Byte pairs of two planes as 16-bit lanes, as pairsLow / pairsHigh above: each 128-bit lane holds
// its first eight pixels in pairsLow32 and the other eight in pairsHigh32, and packClamped32 puts
// them back in order.
inline __m256i pairsLow32(__m256i low, __m256i high) noexcept { return _mm256_unpacklo_epi8(low, high); }
inline __m256i pairsHigh32(__m256i low, __m256i high) noexcept { return _mm256_unpackhi_epi8(low, high); }
inline __m256i packClamped32(__m256i low, __m256i high) noexcept { return _mm256_packus_epi16(low, high); }

VIRMEYA_AVX2_KERNELS_END
#endif

}  // namespace virmeya::simd
