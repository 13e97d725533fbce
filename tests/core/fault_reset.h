// Switches the injected failures (pixel allocations, free memory, file
// system calls) off again at the end of a test, whatever path it leaves by.
#pragma once

#include "core/bitmap.h"
#include "core/file_faults.h"
#include "core/working_memory.h"

namespace kira {

struct TFaultReset {
  ~TFaultReset() {
    FailPixelAllocationsAfter(-1);
    SetAvailableMemoryForTests(-1);
    SetFileFaults(TFileFaults{});
  }
};

}  // namespace kira
