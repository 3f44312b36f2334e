#include "statistics_view_rows.h"

#include <cstdio>

#include "nvme_decode.h"
#include "text_trim.h"

namespace kestrine {

namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr char kDegrees[] =
    " \xB0"
    "C";  // the degree sign in the window's single-byte texts

std::string Celsius(int degrees) {
  return std::to_string(degrees) + kDegrees;
}

std::string Percent(int percent) {
  return std::to_string(percent) + " %";
}

std::string Minutes(std::uint64_t minutes) {
  return std::to_string(minutes) + " minutes";
}

template <typename T, typename Format>
void AddRow(Rows& rows, const char* item, const std::optional<T>& value, Format format) {
  if (value) rows.push_back({item, format(*value)});
}

}  // namespace

std::string BytesText(const Counter128& bytes) {
  // A double holds the terabytes to far more than the two decimals shown; printf's long double
  // is not the same on every platform's C library.
  const double value =
      static_cast<double>(bytes.high) * 18446744073709551616.0 + static_cast<double>(bytes.low);
  char terabytes[64];
  std::snprintf(terabytes, sizeof terabytes, "%.2f TB", value / 1e12);
  return std::string(terabytes) + " (" + DecimalText(bytes) + " bytes)";
}

std::array<Byte, 6> RawBytes(const HealthItem& item) {
  std::array<Byte, 6> raw{};
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<Byte>(item.raw.low >> (8 * i));
  return raw;
}

std::vector<DecodedItem> DecodedRawValues(const DriveReading& reading) {
  std::vector<DecodedItem> decoded;
  // NVMe health fields are whole values, not vendor-packed raw bytes.
  const auto* ata = std::get_if<AtaPart>(&reading.part);
  if (ata == nullptr || !ata->identify) return decoded;
  const std::string_view model = TrimmedSpaces(reading.identity.model);
  for (const HealthItem& item : reading.items) {
    if (item.id < 1 || item.id > 255) continue;
    const std::array<Byte, 6> raw = RawBytes(item);
    if (auto value = DecodeRawValue(static_cast<Byte>(item.id), model, raw)) {
      decoded.push_back({&item, std::move(*value)});
    }
  }
  return decoded;
}

Rows StatisticsViewRows(const DriveReading& reading,
                        const std::optional<WearProjection>& wear_out) {
  Rows rows;
  if (reading.statistics) {
    const DriveStatistics& s = *reading.statistics;
    AddRow(rows, "Data written", s.bytes_written, BytesText);
    AddRow(rows, "Data read", s.bytes_read, BytesText);
    AddRow(rows, "Power-on hours", s.power_on_hours, [](auto v) { return std::to_string(v); });
    AddRow(rows, "Power cycles", s.power_cycles, [](auto v) { return std::to_string(v); });
    AddRow(rows, "Endurance used", s.percentage_used, Percent);
    if (s.available_spare) {
      std::string spare = Percent(*s.available_spare);
      if (s.available_spare_threshold) {
        spare += " (threshold " + Percent(*s.available_spare_threshold) + ")";
      }
      rows.push_back({"Available spare", spare});
    }
    AddRow(rows, "Temperature", s.temperature, Celsius);
    AddRow(rows, "Average temperature, short term", s.average_short_term_temperature, Celsius);
    AddRow(rows, "Average temperature, long term", s.average_long_term_temperature, Celsius);
    AddRow(rows, "Lowest temperature, lifetime", s.lifetime_lowest_temperature, Celsius);
    AddRow(rows, "Highest temperature, lifetime", s.lifetime_highest_temperature, Celsius);
    AddRow(rows, "Lowest temperature since power-on", s.power_cycle_lowest_temperature, Celsius);
    AddRow(rows, "Highest temperature since power-on", s.power_cycle_highest_temperature, Celsius);
    for (std::size_t i = 0; i < s.sensor_temperatures.size(); ++i) {
      if (s.sensor_temperatures[i]) {
        rows.push_back(
            {"Temperature sensor " + std::to_string(i + 1), Celsius(*s.sensor_temperatures[i])});
      }
    }
    AddRow(rows, "Warning temperature", s.warning_temperature, Celsius);
    AddRow(rows, "Critical temperature", s.critical_temperature, Celsius);
    AddRow(rows, "Lowest operating temperature", s.lowest_operating_temperature, Celsius);
    AddRow(rows, "Time over the warning temperature", s.minutes_over_warning, Minutes);
    AddRow(rows, "Time over the critical temperature", s.minutes_over_critical, Minutes);
    AddRow(rows, "Time under the lowest operating temperature", s.minutes_under_minimum, Minutes);
  }
  if (wear_out) rows.push_back({"Worn out by (projected)", WearOutText(*wear_out)});
  for (const DecodedItem& entry : DecodedRawValues(reading)) {
    rows.push_back({"Raw " + std::to_string(entry.item->id) + " " + entry.item->name + ", decoded",
                    entry.decoded.text});
  }
  return rows;
}

}  // namespace kestrine
