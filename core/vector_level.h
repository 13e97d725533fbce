// Which of the vector instruction sets the fast paths use this processor
// offers, read once. The paths are chosen at run time from these; a test
// may hold a path below what is offered through each effect's own switch.
#pragma once

namespace kira {

enum TVectorLevel : int {
  kVectorSse2 = 0,    // every x86-64 processor
  kVectorAvx2 = 1,    // AVX2
  kVectorAvx512 = 2,  // AVX-512 F, BW, VL and DQ
};

TVectorLevel OfferedVectorLevel();

}  // namespace kira
