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

// The whole decode of one 512-byte IDENTIFY block; depends on nothing but the block.
THDDInfo DecodeIdentifySector(std::span<const Byte, 512> sector);

}  // namespace kestrine
