// The lines the monitor tells, written once: the notification's text and the system log's.
#pragma once

#include <string>
#include <string_view>

#include "text_format.h"

namespace kestrine::monitor_texts {

inline std::string ConditionAtFirstReading(std::string_view condition) {
  return "Condition is " + std::string(condition) + " at the first reading";
}

inline std::string ConditionWent(std::string_view before, std::string_view now) {
  return "Condition went from " + std::string(before) + " to " + std::string(now);
}

// "Reallocated Sector Count rose from 8 to 12"
inline std::string CounterRose(std::string_view name, std::string_view before,
                               std::string_view now) {
  return std::string(name) + " rose from " + std::string(before) + " to " + std::string(now);
}

// "UltraDMA CRC Error Rate rose from 0 to 3: a cable or connector problem"
inline std::string CableErrorsRose(std::string_view name, std::string_view before,
                                   std::string_view now) {
  return CounterRose(name, before, now) + ": a cable or connector problem";
}

inline std::string CriticalWarningSet(int bit, std::string_view meaning) {
  std::string text = "Critical Warning bit " + std::to_string(bit) + " set";
  if (!meaning.empty()) text += " (" + std::string(meaning) + ")";
  return text;
}

inline std::string SpareBelowThreshold(int spare, int threshold) {
  return "Available Spare fell below its threshold: " + std::to_string(spare) + "% (threshold " +
         std::to_string(threshold) + "%)";
}

// A SAS or SCSI disk's informational exception, newly reported: its ASC << 8 | ASCQ.
inline std::string InformationalExceptionSet(std::uint64_t codes) {
  return "Informational exception reported (ASC " +
         UpperHex(static_cast<std::uint32_t>(codes >> 8) & 0xFF, 2) + "h, ASCQ " +
         UpperHex(static_cast<std::uint32_t>(codes & 0xFF), 2) + "h)";
}

// `status`: the ATA status byte or the NVMe result byte, as the log holds it.
inline std::string SelfTestFailed(int status) {
  return "The latest self-test failed (status 0x" +
         UpperHex(static_cast<std::uint32_t>(status), 2) + ")";
}

}  // namespace kestrine::monitor_texts
