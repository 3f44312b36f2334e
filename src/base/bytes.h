// Little-endian readers and writers over byte spans. Every block the drive layer exchanges with
// a driver is little-endian; these helpers are the only place that composes multi-byte fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrine {

using Byte = std::uint8_t;
using Sector = std::array<Byte, 512>;

constexpr std::uint16_t ReadLe16(std::span<const Byte> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

constexpr std::uint32_t ReadLe32(std::span<const Byte> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

// The six-byte counters of attribute entries, in the low 48 bits.
constexpr std::uint64_t ReadLe48(std::span<const Byte> bytes, std::size_t offset) {
  std::uint64_t value = 0;
  for (std::size_t i = 6; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

constexpr std::uint64_t ReadLe64(std::span<const Byte> bytes, std::size_t offset) {
  std::uint64_t value = 0;
  for (std::size_t i = 8; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

// The sixteen-byte counters of NVMe logs, as two halves.
struct Counter128 {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  bool operator==(const Counter128&) const = default;
};

constexpr Counter128 ReadLe128(std::span<const Byte> bytes, std::size_t offset) {
  return Counter128{ReadLe64(bytes, offset), ReadLe64(bytes, offset + 8)};
}

constexpr void WriteLe16(std::span<Byte> bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<Byte>(value & 0xFF);
  bytes[offset + 1] = static_cast<Byte>(value >> 8);
}

constexpr void WriteLe32(std::span<Byte> bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<Byte>(value >> (8 * i));
}

constexpr void WriteLe64(std::span<Byte> bytes, std::size_t offset, std::uint64_t value) {
  for (std::size_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<Byte>(value >> (8 * i));
}

constexpr void WriteLe128(std::span<Byte> bytes, std::size_t offset, Counter128 value) {
  WriteLe64(bytes, offset, value.low);
  WriteLe64(bytes, offset + 8, value.high);
}

namespace bytes_selfcheck {
constexpr bool RoundTrips() {
  std::array<Byte, 6> b{};
  WriteLe16(b, 0, 0xBEEF);
  WriteLe32(b, 2, 0x12345678);
  return b[0] == 0xEF && b[1] == 0xBE && b[2] == 0x78 && b[5] == 0x12 && ReadLe16(b, 0) == 0xBEEF &&
         ReadLe32(b, 2) == 0x12345678 && ReadLe48(b, 0) == 0x12345678BEEF;
}
static_assert(RoundTrips());
}  // namespace bytes_selfcheck

}  // namespace kestrine
