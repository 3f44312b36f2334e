// The layout of the IDENTIFY DEVICE block: the word numbers (word n is bytes 2n and 2n+1,
// little-endian), the widths of its texts and the values with a fixed meaning. Read by the
// decoder, written by the simulated drives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes.h"

namespace kestrine {

namespace identify_word {
inline constexpr std::size_t kGeneralConfiguration = 0;
inline constexpr std::size_t kLogicalCylinders = 1;
inline constexpr std::size_t kLogicalHeads = 3;
inline constexpr std::size_t kSectorsPerTrack = 6;
inline constexpr std::size_t kSerialNumber = 10;      // kSerialNumberWords words
inline constexpr std::size_t kBufferSize = 21;        // 512-byte units
inline constexpr std::size_t kFirmwareRevision = 23;  // kFirmwareRevisionWords words
inline constexpr std::size_t kModelNumber = 27;       // kModelNumberWords words
inline constexpr std::size_t kMaxSectorsPerMultiple = 47;
inline constexpr std::size_t kCapabilities = 49;
inline constexpr std::size_t kCapabilities2 = 50;
inline constexpr std::size_t kFieldValidity = 53;
inline constexpr std::size_t kCurrentCylinders = 54;
inline constexpr std::size_t kCurrentHeads = 55;
inline constexpr std::size_t kCurrentSectorsPerTrack = 56;
inline constexpr std::size_t kCurrentCapacity = 57;  // 2 words
inline constexpr std::size_t kMultipleSetting = 59;
inline constexpr std::size_t kLba28Sectors = 60;  // 2 words; kLba28Full when 48 bits are needed
inline constexpr std::size_t kMultiwordDma = 63;
inline constexpr std::size_t kPioModes = 64;
inline constexpr std::size_t kMinMultiwordDmaCycle = 65;
inline constexpr std::size_t kRecMultiwordDmaCycle = 66;
inline constexpr std::size_t kMinPioCycle = 67;
inline constexpr std::size_t kMinPioCycleIordy = 68;
inline constexpr std::size_t kQueueDepth = 75;
inline constexpr std::size_t kSataCapabilities = 76;
inline constexpr std::size_t kSataAdditionalCapabilities = 77;  // bits 3-1: the current speed
inline constexpr std::size_t kSataFeaturesSupported = 78;
inline constexpr std::size_t kSataFeaturesEnabled = 79;
inline constexpr std::size_t kMajorVersion = 80;
inline constexpr std::size_t kMinorVersion = 81;
inline constexpr std::size_t kCommandSetSupported1 = 82;
inline constexpr std::size_t kCommandSetSupported2 = 83;
inline constexpr std::size_t kCommandSetSupportedExt = 84;
inline constexpr std::size_t kCommandSetEnabled1 = 85;
inline constexpr std::size_t kCommandSetEnabled2 = 86;
inline constexpr std::size_t kCommandSetDefault = 87;
inline constexpr std::size_t kUltraDma = 88;
inline constexpr std::size_t kHardwareResetResult = 93;
inline constexpr std::size_t kAcousticManagement = 94;
inline constexpr std::size_t kLba48Sectors = 100;  // 4 words
inline constexpr std::size_t kSectorSize = 106;
inline constexpr std::size_t kWorldWideName = 108;  // 4 words
inline constexpr std::size_t kFormFactor = 168;
inline constexpr std::size_t kDataSetManagement = 169;
inline constexpr std::size_t kNvCacheCapabilities = 214;
inline constexpr std::size_t kSctCommandTransport = 206;  // bit 0: SCT supported
inline constexpr std::size_t kRotationRate = 217;
inline constexpr std::size_t kTransportVersion = 222;
inline constexpr std::size_t kIntegrity = 255;  // kIntegritySignature, then the checksum
}  // namespace identify_word

// Words 84 and 87 (each valid when its bits 15-14 are 01b): bit 5 says the general-purpose
// logging feature set (READ LOG EXT) is supported.
inline constexpr std::uint16_t kWordValidMask = 0xC000;
inline constexpr std::uint16_t kWordValid = 0x4000;
inline constexpr std::uint16_t kGeneralPurposeLogging = 1 << 5;
// Word 206, bit 0: the SCT command transport (and its status log, E0h) is supported.
inline constexpr std::uint16_t kSctSupported = 1 << 0;

// The texts' widths in words; each word holds two characters.
inline constexpr std::size_t kSerialNumberWords = 10;
inline constexpr std::size_t kFirmwareRevisionWords = 4;
inline constexpr std::size_t kModelNumberWords = 20;

// The 28-bit sector count when all its bits are set: the drive has more sectors than 28 bits can
// hold, and words 100-103 tell how many.
inline constexpr std::uint32_t kLba28Full = 0x0FFFFFFF;

// The low byte of word 255 when the high byte holds the block's checksum.
inline constexpr Byte kIntegritySignature = 0xA5;

}  // namespace kestrine
