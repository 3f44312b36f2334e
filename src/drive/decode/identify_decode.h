// Decoding of the IDENTIFY DEVICE block into the drive's identity record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "bytes.h"

namespace kestrine {

// The decoded identity of one drive. Texts hold the drive's bytes, one character per byte.
struct THDDInfo {
  std::string Model;
  std::string Firmware;
  std::string SerialNumber;
  std::int32_t LBABits = 0;
  std::int64_t LBASize = 0;
  std::int32_t Cache = 0;
  std::string TransferMode;
  std::string UDMAMax;
  std::string UDMACurrent;
  std::string SATACurrent;
  std::string SATAMax;
  std::string InterfaceType;
  std::string Features;
  std::string MajorVersion;
  std::string NominalFormFactor;
  bool SSD = false;
  bool SleepSupported = false;
  std::int32_t NominalMediaRotationRate = 0;

  bool operator==(const THDDInfo&) const = default;
};

// The two interface texts; the Identify view tells the two kinds of drive apart by them.
inline constexpr char kParallelAta[] = "Parallel ATA";
inline constexpr char kSerialAta[] = "Serial ATA";

// The whole decode of one 512-byte IDENTIFY block; depends on nothing but the block.
THDDInfo DecodeIdentifySector(std::span<const Byte, 512> sector);

// Exchanges the characters of each complete pair in place (1st with 2nd, 3rd with 4th, ...); an
// odd last character stays where it is. IDENTIFY texts store the first character of each pair in
// the high byte of a little-endian word, so this turns block order into reading order.
void SwapBytePairs(std::span<char> text);

// True when bit `bit` (0 = least significant) of `word` is set.
constexpr bool IsBitSet(std::uint16_t word, int bit) {
  return bit >= 0 && bit < 16 && ((word >> bit) & 1U) != 0;
}

}  // namespace kestrine
