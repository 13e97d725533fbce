// Whether a picture of a given size can be edited in the memory the machine
// has left. The editor holds up to three working images of the picture's size
// (source, bright points, result), and some effects need more on top: the star
// filter's rotations grow a picture to about twice its area. A picture whose
// working set would not fit is refused when it is opened, before its pixels
// are allocated, rather than failing halfway through the first effect.
#pragma once

#include <cstdint>
#include <string>

namespace kira {

// 24-bit pictures of the opened size that an edit may need at once.
inline constexpr std::int64_t kWorkingPictures = 6;

// Bytes the system can still give without taking them from others: available
// memory plus free swap. -1 when the system does not say.
std::int64_t AvailableMemoryBytes();

// For tests: pretend that this many bytes are available (a negative value
// goes back to asking the system).
void SetAvailableMemoryForTests(std::int64_t bytes);

// The bytes of the working set of a width x height picture.
std::int64_t WorkingSetBytes(std::int64_t width, std::int64_t height);

// "" when the working set fits in the available memory (or the system does
// not say), else a one-line message with the sizes in megabytes.
std::string CheckWorkingMemory(std::int64_t width, std::int64_t height);

}  // namespace kira
