#include "metrics_report.h"

#include <charconv>
#include <set>
#include <system_error>

#include "latin1_text.h"
#include "nvme_decode.h"

namespace kestrine {

namespace {

// The help text of each metric family; every family but the bytes a drive moved is a gauge: none
// of the others only ever rises
// (a drive's counters start again when it is replaced), so none is a counter.
struct Family {
  std::string_view name;
  std::string_view help;
  std::string_view type = "gauge";
};

constexpr Family kInfo{"kestrine_drive_info",
                       "The drive's identity and the transport family that answered; always 1."};
constexpr Family kReadSuccess{
    "kestrine_drive_read_success",
    "1 when the drive's health data (S.M.A.R.T. data, NVMe health log) was read and its condition "
    "judged; 0 when not, also for a drive that answered IDENTIFY only."};
constexpr Family kReadDuration{"kestrine_drive_read_duration_seconds",
                               "How long reading the drive took."};
constexpr Family kAsleep{
    "kestrine_drive_asleep",
    "1 when the drive was in standby or suspended and was left so, unread (--no-wake); its read "
    "success and duration are then not written. 0 otherwise."};
constexpr Family kCondition{"kestrine_drive_condition",
                            "The drive's condition: 0 OK, 1 WARNING, 2 CRITICAL."};
constexpr Family kTemperature{
    "kestrine_drive_temperature_celsius",
    "The drive's temperature: attribute 194's raw value, its low 16 bits; an NVMe drive's "
    "composite temperature."};
constexpr Family kBytesWritten{
    "kestrine_drive_bytes_written_total",
    "Bytes the host has written to the drive in its life (ATA: logical sectors written times the "
    "sector size; NVMe: data units written times 512,000).",
    "counter"};
constexpr Family kBytesRead{"kestrine_drive_bytes_read_total",
                            "Bytes the host has read from the drive in its life.", "counter"};
constexpr Family kEnduranceUsed{
    "kestrine_drive_endurance_used_ratio",
    "The part of its rated endurance the drive says it has used (percentage used / 100); may "
    "pass 1."};
constexpr Family kHighestTemperature{"kestrine_drive_temperature_lifetime_highest_celsius",
                                     "The highest temperature the drive has recorded in its life."};
constexpr Family kLowestTemperature{"kestrine_drive_temperature_lifetime_lowest_celsius",
                                    "The lowest temperature the drive has recorded in its life."};
constexpr Family kOverWarning{
    "kestrine_drive_temperature_over_warning_seconds",
    "How long the drive has run above its warning (ATA: maximum operating) temperature, counted "
    "by the drive in minutes."};
constexpr Family kValue{"kestrine_attribute_value", "The attribute's normalized current value."};
constexpr Family kWorst{"kestrine_attribute_worst", "The attribute's worst normalized value."};
constexpr Family kThreshold{"kestrine_attribute_threshold",
                            "The attribute's threshold; a value below it fails the attribute."};
constexpr Family kRaw{"kestrine_attribute_raw_value",
                      "The attribute's whole 48-bit raw value; an NVMe health-log field's whole "
                      "value."};
constexpr Family kLastResult{
    "kestrine_self_test_last_result",
    "Status code of the latest self-test log entry: 0 completed without error, 1 aborted by the "
    "host, 2 interrupted by a reset, 3 fatal error, 4 unknown failure, 5 electrical failure, 6 "
    "servo failure, 7 read failure, 8 handling damage, 15 in progress."};
constexpr Family kLastLifetime{
    "kestrine_self_test_last_lifetime_seconds",
    "The drive's power-on time when the latest self-test ran, counted by the drive in hours."};
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr Family kRunning{"kestrine_self_test_running", "1 while a self-test runs, else 0."};
constexpr Family kRemaining{"kestrine_self_test_remaining_percent",
                            "The part of the running self-test still to do; 0 when none runs."};

// Writes one family at a time: its HELP and TYPE lines come with its first sample.
class Exposition {
 public:
  explicit Exposition(std::string& out) : out_(out) {}

  void Begin(const Family& family) {
    family_ = &family;
    header_written_ = false;
  }

  // `labels` is the text between the braces, already escaped.
  template <typename Value>
  void Sample(std::string_view labels, Value value) {
    if (!header_written_) {
      out_.append("# HELP ").append(family_->name).append(" ").append(family_->help);
      out_.append("\n# TYPE ").append(family_->name).append(" ").append(family_->type);
      out_ += '\n';
      header_written_ = true;
    }
    out_.append(family_->name).append("{").append(labels).append("} ");
    AppendNumber(value);
    out_ += '\n';
  }

 private:
  template <typename Value>
  void AppendNumber(Value value) {
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, error == std::errc() ? end : digits);
  }
  // A counter of up to 128 bits, exactly: a sample value may have any number of digits.
  void AppendNumber(Counter128 value) { out_.append(DecimalText(value)); }
  // Seconds to the microsecond, in the same digits on every platform.
  void AppendNumber(double value) {
    char digits[48];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    out_.append(digits, error == std::errc() ? end : digits);
  }

  std::string& out_;
  const Family* family_ = nullptr;
  bool header_written_ = false;
};

bool IsBlankOrControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

// Drive texts without the blanks and control bytes around them, as the Identify view's texts
// are trimmed for the report.
std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

void AppendLabel(std::string& labels, std::string_view name, std::string_view value) {
  if (!labels.empty()) labels += ',';
  labels.append(name).append("=\"").append(MetricLabelValue(value)).append("\"");
}

}  // namespace

std::string_view FamilyLabel(CommandFamily family) {
  switch (family) {
    case CommandFamily::Ata:
      return "ata";
    case CommandFamily::Sat:
      return "sat";
    case CommandFamily::Nvme:
      return "nvme";
    case CommandFamily::Scsi:
      return "scsi";
    case CommandFamily::None:
      break;
  }
  return "";
}

std::string MetricLabelValue(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return Latin1ToUtf8(escaped);
}

std::string RenderMetrics(const std::vector<DriveMetrics>& all_drives) {
  // A device named twice is written once: a collector refuses a file with a series twice.
  std::vector<const DriveMetrics*> drives;
  std::set<std::string_view> devices;
  // Each drive's device label, escaped once.
  std::vector<std::string> device_labels;
  for (const DriveMetrics& drive : all_drives) {
    if (!devices.insert(drive.device).second) continue;
    drives.push_back(&drive);
    std::string labels;
    AppendLabel(labels, "device", drive.device);
    device_labels.push_back(std::move(labels));
  }

  std::string out;
  Exposition metrics(out);
  // Every family of one drive: its own samples, under the drive's device label.
  const auto each_read_drive = [&](const Family& family, const auto& write) {
    metrics.Begin(family);
    for (std::size_t i = 0; i < drives.size(); ++i) {
      if (drives[i]->read) write(*drives[i], device_labels[i]);
    }
  };

  each_read_drive(kInfo, [&](const DriveMetrics& drive, const std::string& device) {
    std::string labels = device;
    AppendLabel(labels, "model", Trimmed(drive.model));
    AppendLabel(labels, "serial", Trimmed(drive.serial));
    AppendLabel(labels, "firmware", Trimmed(drive.firmware));
    AppendLabel(labels, "family", FamilyLabel(drive.family));
    metrics.Sample(labels, 1);
  });
  // A drive left asleep was not read, and did not fail to be.
  metrics.Begin(kReadSuccess);
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (!drives[i]->asleep) metrics.Sample(device_labels[i], drives[i]->read ? 1 : 0);
  }
  metrics.Begin(kReadDuration);
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (!drives[i]->asleep) metrics.Sample(device_labels[i], drives[i]->read_seconds);
  }
  metrics.Begin(kAsleep);
  for (std::size_t i = 0; i < drives.size(); ++i)
    metrics.Sample(device_labels[i], drives[i]->asleep ? 1 : 0);
  each_read_drive(kCondition, [&](const DriveMetrics& drive, const std::string& device) {
    metrics.Sample(device, drive.condition);
  });
  each_read_drive(kTemperature, [&](const DriveMetrics& drive, const std::string& device) {
    if (drive.temperature_celsius) metrics.Sample(device, *drive.temperature_celsius);
  });
  // The statistics: each only where the drive gave it valid.
  const auto each_statistic = [&](const Family& family, const auto& value_of) {
    each_read_drive(family, [&](const DriveMetrics& drive, const std::string& device) {
      if (!drive.statistics) return;
      if (const auto value = value_of(*drive.statistics)) metrics.Sample(device, *value);
    });
  };
  each_statistic(kBytesWritten, [](const DriveStatistics& s) { return s.bytes_written; });
  each_statistic(kBytesRead, [](const DriveStatistics& s) { return s.bytes_read; });
  each_statistic(kEnduranceUsed, [](const DriveStatistics& s) {
    return s.percentage_used ? std::optional<double>(*s.percentage_used / 100.0) : std::nullopt;
  });
  each_statistic(kHighestTemperature,
                 [](const DriveStatistics& s) { return s.lifetime_highest_temperature; });
  each_statistic(kLowestTemperature,
                 [](const DriveStatistics& s) { return s.lifetime_lowest_temperature; });
  each_statistic(kOverWarning, [](const DriveStatistics& s) {
    return s.minutes_over_warning ? std::optional<std::uint64_t>(*s.minutes_over_warning * 60)
                                  : std::nullopt;
  });

  // The attributes' labels, built once for the four families that share them.
  std::vector<std::vector<std::string>> attribute_labels(drives.size());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (!drives[i]->read) continue;
    for (const AttributeMetrics& attribute : drives[i]->attributes) {
      std::string labels = device_labels[i];
      AppendLabel(labels, "id", std::to_string(attribute.id));
      AppendLabel(labels, "name", attribute.name);
      attribute_labels[i].push_back(std::move(labels));
    }
  }
  const auto each_attribute = [&](const Family& family, const auto& value_of) {
    metrics.Begin(family);
    for (std::size_t i = 0; i < drives.size(); ++i) {
      if (!drives[i]->read) continue;
      for (std::size_t k = 0; k < drives[i]->attributes.size(); ++k) {
        const auto value = value_of(drives[i]->attributes[k]);
        if (value) metrics.Sample(attribute_labels[i][k], *value);
      }
    }
  };
  each_attribute(kValue, [](const AttributeMetrics& a) { return a.value; });
  each_attribute(kWorst, [](const AttributeMetrics& a) { return a.worst; });
  each_attribute(kThreshold, [](const AttributeMetrics& a) { return a.threshold; });
  each_attribute(kRaw, [](const AttributeMetrics& a) { return std::optional<Counter128>(a.raw); });

  each_read_drive(kLastResult, [&](const DriveMetrics& drive, const std::string& device) {
    if (drive.last_self_test) metrics.Sample(device, drive.last_self_test->status);
  });
  each_read_drive(kLastLifetime, [&](const DriveMetrics& drive, const std::string& device) {
    if (drive.last_self_test)
      metrics.Sample(device, drive.last_self_test->lifetime_hours * kSecondsPerHour);
  });
  each_read_drive(kRunning, [&](const DriveMetrics& drive, const std::string& device) {
    metrics.Sample(device, drive.self_test_running ? 1 : 0);
  });
  each_read_drive(kRemaining, [&](const DriveMetrics& drive, const std::string& device) {
    metrics.Sample(device, drive.self_test_remaining_percent);
  });
  return out;
}

}  // namespace kestrine
