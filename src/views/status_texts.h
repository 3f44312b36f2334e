// The words in which the drive reports its own state: off-line data collection, self-test
// execution and type, capability bits, auto-save and error logging.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bytes.h"
#include "text_format.h"  // UpperHex

namespace kestrine {

namespace texts {

inline constexpr char kAutoOfflineEnabled[] = "Auto Offline Data Collection: Enabled";
inline constexpr char kAutoOfflineDisabled[] = "Auto Offline Data Collection: Disabled";
inline constexpr char kErrorLoggingSupported[] = "Error logging supported";
inline constexpr char kErrorLoggingNotSupported[] = "Error logging NOT supported";
inline constexpr char kTrue[] = "True";
inline constexpr char kFalse[] = "False";

// One line per off-line data collection capability bit, bits 0 to 6 in order.
inline constexpr std::array<const char*, 7> kCapabilityLines = {
    "isSupportExecuteOfflineImmediate:", "isSupportAutomaticTimer:", "isSupportOfflineAbort:",
    "isSupportOfflineSurfaceScan:",      "isSupportSelfTest:",       "isSupportConveyanceSelfTest:",
    "isSupportSelectiveSelfTest:",
};

}  // namespace texts

// By the status code in bits 4 to 7 of a self-test execution status byte; codes 9 to 14 have
// the empty text.
std::string SelfTestStatusText(Byte status);

// By the self-test type byte (the subcommand that started the test); unnamed values read
// "Vendor 0x" and the value in hexadecimal.
std::string SelfTestTypeText(Byte type);

// By the off-line data collection status byte.
std::string OfflineStatusText(Byte status);

// By the SMART capability word: whether the drive saves its data before power saving and
// whether it has an auto-save timer.
std::string AutoSaveText(std::uint16_t capability);

// By bit 0 of the error logging capability byte.
std::string ErrorLoggingText(Byte capability);

}  // namespace kestrine
