// The switch between the AVX2 paths of the blurs and their plain twins: the
// machine's support, looked up once, and SetBlurSimd / SetBlurAvx512 for the
// tests.
#pragma once

#include <atomic>

namespace kira::blur_detail {

inline std::atomic<bool> gSimdAllowed{true};

inline bool UseAvx2Fma() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has && gSimdAllowed.load(std::memory_order_relaxed);
}

inline std::atomic<bool> gAvx512Allowed{true};

// AVX-512 (F, VL, DQ) on top of AVX2 and FMA, for the centre-based blurs.
inline bool UseAvx512() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512dq");
  }();
  return has && UseAvx2Fma() && gAvx512Allowed.load(std::memory_order_relaxed);
}

}  // namespace kira::blur_detail
