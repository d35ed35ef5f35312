#include "imaging/bgr_vectors.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace virmeya::simd {
namespace {

bool processorRunsKernels() noexcept {
#if VIRMEYA_HAS_AVX512_KERNELS
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx512bw") || !__builtin_cpu_supports("avx512vbmi") ||
      !__builtin_cpu_supports("avx512vl") || !__builtin_cpu_supports("avx512dq"))
    return false;
  const char* setting = std::getenv("VIRMEYA_SIMD");
  return setting == nullptr || std::strcmp(setting, "0") != 0;
#else
  return false;
#endif
}

std::atomic<bool> forcedPortable{false};

}  // namespace

bool useAvx512Vbmi() noexcept {
  static const bool available = processorRunsKernels();
  return available && !forcedPortable.load(std::memory_order_relaxed);
}

void forcePortableKernels(bool portable) noexcept { forcedPortable.store(portable, std::memory_order_relaxed); }

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
#endif

void lookUpBytes(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) noexcept {
#if VIRMEYA_HAS_AVX512_KERNELS
  if (useAvx512Vbmi()) {
    lookUpBytesAvx512(bytes, count, table);
    return;
  }
#endif
  for (std::size_t i = 0; i < count; ++i) bytes[i] = table[bytes[i]];
}

}  // namespace virmeya::simd
