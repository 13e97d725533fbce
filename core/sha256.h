// SHA-256 (FIPS 180-4), for the checksums the batch tool records of the files
// it writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kira {

class TSha256 {
 public:
  TSha256();
  void Update(const void* data, std::size_t size);
  // The digest of everything given; the object then starts afresh.
  std::array<std::uint8_t, 32> Finish();

 private:
  void Block(const std::uint8_t* p);

  std::array<std::uint32_t, 8> h_;
  std::array<std::uint8_t, 64> buffer_;
  std::size_t buffered_ = 0;
  std::uint64_t bytes_ = 0;
};

// 64 lower-case hex digits.
std::string HexDigest(const std::array<std::uint8_t, 32>& digest);
std::string Sha256Hex(std::string_view bytes);

}  // namespace kira
