#include "statistics_json.h"

#include "raw_formats.h"
#include "statistics_view_rows.h"
#include "text_trim.h"

namespace kestrine {

namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json Number(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// A byte count as a number: exact up to 2^64, beyond as the nearest double.
Json ByteCount(const Counter128& bytes) {
  if (bytes.high == 0) return Json(bytes.low);
  return Json(static_cast<double>(bytes.high) * 18446744073709551616.0 +
              static_cast<double>(bytes.low));
}

Json Bytes(const std::optional<Counter128>& bytes) {
  return bytes ? ByteCount(*bytes) : Json(nullptr);
}

const char* FormatKey(RawFormat format) {
  switch (format) {
    case RawFormat::ErrorsOverOperations:
      return "errors_over_operations";
    case RawFormat::ThreeCounters:
      return "three_counters";
    case RawFormat::TemperatureMinMax:
      return "temperature_min_max";
    case RawFormat::Units32MiB:
      return "units_32mib";
    case RawFormat::Sectors512:
      break;
  }
  return "sectors_512";
}

}  // namespace

Json StatisticsJson(const DriveReading& reading) {
  if (!reading.statistics) return Json(nullptr);
  const DriveStatistics& s = *reading.statistics;
  Json sensors = Json::array();
  for (const std::optional<int>& sensor : s.sensor_temperatures) sensors.push_back(Number(sensor));
  return Json{
      {"bytes_written", Bytes(s.bytes_written)},
      {"bytes_read", Bytes(s.bytes_read)},
      {"power_on_hours", Number(s.power_on_hours)},
      {"power_cycles", Number(s.power_cycles)},
      {"percentage_used", Number(s.percentage_used)},
      {"available_spare", Number(s.available_spare)},
      {"available_spare_threshold", Number(s.available_spare_threshold)},
      {"temperature", Number(s.temperature)},
      {"average_short_term_temperature", Number(s.average_short_term_temperature)},
      {"average_long_term_temperature", Number(s.average_long_term_temperature)},
      {"lifetime_lowest_temperature", Number(s.lifetime_lowest_temperature)},
      {"lifetime_highest_temperature", Number(s.lifetime_highest_temperature)},
      {"power_cycle_lowest_temperature", Number(s.power_cycle_lowest_temperature)},
      {"power_cycle_highest_temperature", Number(s.power_cycle_highest_temperature)},
      {"warning_temperature", Number(s.warning_temperature)},
      {"critical_temperature", Number(s.critical_temperature)},
      {"lowest_operating_temperature", Number(s.lowest_operating_temperature)},
      {"sensor_temperatures", std::move(sensors)},
      {"minutes_over_warning", Number(s.minutes_over_warning)},
      {"minutes_over_critical", Number(s.minutes_over_critical)},
      {"minutes_under_minimum", Number(s.minutes_under_minimum)},
  };
}

Json DecodedRawJson(const DriveReading& reading, const HealthItem& item) {
  // NVMe health fields are whole values; only an ATA attribute's raw bytes are vendor-packed.
  const auto* ata = std::get_if<AtaPart>(&reading.part);
  if (ata == nullptr || !ata->identify || item.id < 1 || item.id > 255) return Json(nullptr);
  const std::optional<DecodedRaw> decoded = DecodeRawValue(
      static_cast<Byte>(item.id), TrimmedSpaces(reading.identity.model), RawBytes(item));
  if (!decoded) return Json(nullptr);
  Json parts = Json::object();
  for (const auto& [name, value] : decoded->parts) parts[std::string(name)] = value;
  return Json{{"format", FormatKey(decoded->format)},
              {"parts", std::move(parts)},
              {"bytes", decoded->bytes ? ByteCount(*decoded->bytes) : Json(nullptr)},
              {"text", decoded->text}};
}

}  // namespace kestrine
