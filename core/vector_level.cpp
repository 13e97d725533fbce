#include "core/vector_level.h"

namespace kira {

TVectorLevel OfferedVectorLevel() {
  static const TVectorLevel level = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq"))
      return kVectorAvx512;
    return __builtin_cpu_supports("avx2") ? kVectorAvx2 : kVectorSse2;
  }();
  return level;
}

}  // namespace kira
