#include "imaging/bgr_vectors.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace virmeya::simd {
namespace {

KernelLevel detectedLevel() noexcept {
#if VIRMEYA_HAS_AVX512_KERNELS
  __builtin_cpu_init();
  KernelLevel level = KernelLevel::Portable;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi2"))
    level = KernelLevel::Avx2;
  if (level == KernelLevel::Avx2 && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq"))
    level = KernelLevel::Avx512;
  const char* setting = std::getenv("VIRMEYA_SIMD");
  if (setting != nullptr && std::strcmp(setting, "0") == 0) return KernelLevel::Portable;
  if (setting != nullptr && std::strcmp(setting, "avx2") == 0) return std::min(level, KernelLevel::Avx2);
  return level;
#else
  return KernelLevel::Portable;
#endif
}

std::atomic<KernelLevel> limit{KernelLevel::Avx512};

}  // namespace

KernelLevel kernelLevel() noexcept {
  static const KernelLevel available = detectedLevel();
  return std::min(available, limit.load(std::memory_order_relaxed));
}

void limitKernels(KernelLevel highest) noexcept { limit.store(highest, std::memory_order_relaxed); }

bool useAvx512Vbmi() noexcept { return kernelLevel() == KernelLevel::Avx512; }

void forcePortableKernels(bool portable) noexcept { limitKernels(portable ? KernelLevel::Portable : KernelLevel::Avx512); }

#if VIRMEYA_HAS_AVX512_KERNELS
VIRMEYA_AVX512_KERNELS_BEGIN
namespace {

// The table's halves through two-register permutes; the top bit of each byte picks the half.
inline __m512i lookUp64(__m512i v, const __m512i (&table)[4]) noexcept {
  const __m512i low = _mm512_permutex2var_epi8(table[0], v, table[1]);
  const __m512i high = _mm512_permutex2var_epi8(table[2], v, table[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

void lookUpBytesAvx512(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) noexcept {
  const __m512i halves[4] = {_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64),
                             _mm512_loadu_si512(table + 128), _mm512_loadu_si512(table + 192)};
  std::size_t i = 0;
  for (; i + 64 <= count; i += 64) _mm512_storeu_si512(bytes + i, lookUp64(_mm512_loadu_si512(bytes + i), halves));
  if (i < count) {
    const __mmask64 tail = _bzhi_u64(~std::uint64_t{0}, static_cast<unsigned>(count - i));
    const __m512i v = _mm512_maskz_loadu_epi8(tail, bytes + i);
    _mm512_mask_storeu_epi8(bytes + i, tail, lookUp64(v, halves));
  }
}

}  // namespace
VIRMEYA_AVX512_KERNELS_END

VIRMEYA_AVX2_KERNELS_BEGIN
namespace {

// A byte shuffle reads 16 entries and gives 0 where the index has its top bit set. Within a half of
// the table (index i < 128 of that half), i − 16t has its top bit clear exactly when i ≥ 16t, and
// its low bits are those of i; so the XOR of the shuffles of the differences of successive 16-entry
// pieces, piece t indexed by i − 16t, leaves piece ⌊i / 16⌋ at entry i mod 16. Both halves are looked
// up so and the index's own top bit picks one.
struct ByteTable32 {
  __m256i steps[16];  // piece t XOR piece t − 1 within each half, repeated in both lanes
};

ByteTable32 byteTable32(const std::uint8_t* table) noexcept {
  ByteTable32 t;
  for (int i = 0; i < 16; ++i) {
    const __m128i piece = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * i));
    const __m128i previous =
        i % 8 == 0 ? _mm_setzero_si128() : _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * (i - 1)));
    t.steps[i] = _mm256_broadcastsi128_si256(_mm_xor_si128(piece, previous));
  }
  return t;
}

inline __m256i lookUp32(__m256i v, const ByteTable32& t) noexcept {
  const __m256i sixteen = _mm256_set1_epi8(16);
  __m256i low = _mm256_shuffle_epi8(t.steps[0], v);
  __m256i high = _mm256_shuffle_epi8(t.steps[8], _mm256_xor_si256(v, _mm256_set1_epi8(static_cast<char>(0x80))));
  __m256i lowIndex = v, highIndex = _mm256_xor_si256(v, _mm256_set1_epi8(static_cast<char>(0x80)));
  for (int i = 1; i < 8; ++i) {
    lowIndex = _mm256_sub_epi8(lowIndex, sixteen);
    highIndex = _mm256_sub_epi8(highIndex, sixteen);
    low = _mm256_xor_si256(low, _mm256_shuffle_epi8(t.steps[i], lowIndex));
    high = _mm256_xor_si256(high, _mm256_shuffle_epi8(t.steps[8 + i], highIndex));
  }
  return _mm256_blendv_epi8(low, high, v);
}

void lookUpBytesAvx2(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) noexcept {
  const ByteTable32 t = byteTable32(table);
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    __m256i* at = reinterpret_cast<__m256i*>(bytes + i);
    _mm256_storeu_si256(at, lookUp32(_mm256_loadu_si256(at), t));
  }
  for (; i < count; ++i) bytes[i] = table[bytes[i]];
}

}  // namespace
VIRMEYA_AVX2_KERNELS_END
#endif

void lookUpBytes(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) noexcept {
#if VIRMEYA_HAS_AVX512_KERNELS
  const KernelLevel level = kernelLevel();
  if (level == KernelLevel::Avx512) {
    lookUpBytesAvx512(bytes, count, table);
    return;
  }
  if (level == KernelLevel::Avx2) {
    lookUpBytesAvx2(bytes, count, table);
    return;
  }
#endif
  for (std::size_t i = 0; i < count; ++i) bytes[i] = table[bytes[i]];
}

}  // namespace virmeya::simd
