// Big-endian readers and writers over byte spans, for SCSI command blocks and the pages SCSI
// devices answer with (the little-endian ones, for everything else, are in bytes.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "bytes.h"

namespace kestrine {

// Fields of `size` bytes (up to 8).
constexpr std::uint64_t ReadBe(std::span<const Byte> bytes, std::size_t offset, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = (value << 8) | bytes[offset + i];
  return value;
}
constexpr std::uint16_t ReadBe16(std::span<const Byte> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(ReadBe(bytes, offset, 2));
}
constexpr std::uint32_t ReadBe32(std::span<const Byte> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(ReadBe(bytes, offset, 4));
}
constexpr std::uint64_t ReadBe64(std::span<const Byte> bytes, std::size_t offset) {
  return ReadBe(bytes, offset, 8);
}
constexpr void WriteBe(std::span<Byte> bytes, std::size_t offset, std::size_t size,
                       std::uint64_t value) {
  for (std::size_t i = size; i-- > 0; value >>= 8) bytes[offset + i] = static_cast<Byte>(value);
}
constexpr void WriteBe16(std::span<Byte> bytes, std::size_t offset, std::uint16_t value) {
  WriteBe(bytes, offset, 2, value);
}
constexpr void WriteBe32(std::span<Byte> bytes, std::size_t offset, std::uint32_t value) {
  WriteBe(bytes, offset, 4, value);
}
constexpr void WriteBe64(std::span<Byte> bytes, std::size_t offset, std::uint64_t value) {
  WriteBe(bytes, offset, 8, value);
}

namespace big_endian_selfcheck {
constexpr bool RoundTrips() {
  std::array<Byte, 6> b{};
  WriteBe16(b, 0, 0xBEEF);
  WriteBe32(b, 2, 0x12345678);
  return b[0] == 0xBE && b[1] == 0xEF && b[2] == 0x12 && b[5] == 0x78 && ReadBe16(b, 0) == 0xBEEF &&
         ReadBe32(b, 2) == 0x12345678 && ReadBe(b, 0, 6) == 0xBEEF12345678;
}
static_assert(RoundTrips());
}  // namespace big_endian_selfcheck

}  // namespace kestrine
