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

}  // namespace virmeya::simd
