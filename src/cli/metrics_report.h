// kestrine-cli --metrics: the drives' readings in Prometheus' text exposition format (0.0.4),
// written by hand so that every platform writes the same bytes. A pure function of the readings,
// so that it can be checked against known text and measured.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive_statistics.h"
#include "smart_drv.h"

namespace kestrine {

// Values of kestrine_drive_condition.
inline constexpr int kMetricOk = 0;
inline constexpr int kMetricWarning = 1;
inline constexpr int kMetricCritical = 2;

struct AttributeMetrics {
  int id = 0;
  std::string name;  // from the attribute catalogue, or the NVMe health-log field's name
  // Every ATA attribute has all three; an NVMe field only where its log has them.
  std::optional<int> value;
  std::optional<int> worst;
  std::optional<int> threshold;
  Counter128 raw;  // all 48 bits of an ATA raw value; an NVMe field's whole value
};

// The most recent entry of the self-test log.
struct SelfTestMetrics {
  int status = 0;  // the status code, bits 4 to 7 of the entry's status byte
  int lifetime_hours = 0;
};

struct DriveMetrics {
  std::string device;   // the drive selector's text
  bool read = false;    // the refresh reached the views
  bool asleep = false;  // not read, so as not to wake it (--no-wake): no read to report
  double read_seconds = 0;
  // The rest only for a drive that was read. Texts are the drive's bytes, one character each.
  std::string model;
  std::string serial;
  std::string firmware;
  CommandFamily family = CommandFamily::None;
  int condition = kMetricOk;
  std::optional<int> temperature_celsius;
  std::optional<DriveStatistics> statistics;  // what the drive tells of its use and temperatures
  std::vector<AttributeMetrics> attributes;
  std::optional<SelfTestMetrics> last_self_test;  // nullopt: log empty or not read
  bool self_test_running = false;
  int self_test_remaining_percent = 0;
};

// The exposition of all drives, one metric family after the other, drives in the order given.
// A family without samples is left out, so no drives give an empty text.
std::string RenderMetrics(const std::vector<DriveMetrics>& drives);

// The family label's value: "ata", "sat", "nvme"; "" for none.
std::string_view FamilyLabel(CommandFamily family);

// A label value in the exposition: the bytes as ISO-8859-1 characters in UTF-8, with backslash,
// double quote and line feed escaped as the format asks.
std::string MetricLabelValue(std::string_view text);

}  // namespace kestrine
