#include "json_report.h"

#include <nlohmann/json.hpp>

#include "latin1_text.h"
#include "metrics_report.h"
#include "nvme_decode.h"
#include "reading_texts.h"
#include "scsi_layout.h"
#include "statistics_json.h"
#include "text_format.h"

namespace kestrine {

namespace {

using Json = nlohmann::ordered_json;  // keys in the order written: the window's page order

Json OptionalText(const std::optional<std::string>& text) {
  return text ? Json(Latin1ToUtf8(*text)) : Json(nullptr);
}

Json TextList(const std::vector<std::string>& texts) {
  Json list = Json::array();
  for (const std::string& text : texts) list.push_back(Latin1ToUtf8(text));
  return list;
}

Json ViewJson(const ViewReport& view) {
  Json rows = Json::array();
  for (const ViewRow& row : view.rows) {
    rows.push_back(
        Json{{"cells", TextList(row.cells)},
             {"background", row.background ? Json(RgbText(*row.background)) : Json(nullptr)}});
  }
  return Json{{"columns", TextList(view.columns)}, {"rows", std::move(rows)}};
}

template <typename T>
Json OptionalNumber(const std::optional<T>& number) {
  return number ? Json(*number) : Json(nullptr);
}

// A sixteen-byte NVMe counter as a decimal string (a JSON number loses digits beyond 2^53);
// every other value as a number.
Json RawJson(const DriveReading& reading, const HealthItem& item) {
  switch (reading.family) {
    case CommandFamily::Nvme:
      if (item.id >= 1 && item.id <= static_cast<int>(kNvmeHealthFieldCount) &&
          kNvmeHealthFields[static_cast<std::size_t>(item.id - 1)].size == 16) {
        return Json(DecimalText(item.raw));
      }
      break;
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
    case CommandFamily::Scsi:
      break;
  }
  return Json(item.raw.low);
}

Json ItemJson(const DriveReading& reading, const HealthItem& item) {
  Json reasons = Json::array();
  for (const Finding& finding : item.findings) reasons.push_back(finding.reason);
  return Json{
      {"id", item.id},
      {"name", Latin1ToUtf8(item.name)},
      {"flags", OptionalNumber(item.flags)},
      {"current", OptionalNumber(item.current)},
      {"worst", OptionalNumber(item.worst)},
      {"threshold", OptionalNumber(item.threshold)},
      {"raw", RawJson(reading, item)},
      {"decoded", DecodedRawJson(reading, item)},
      {"verdict", VerdictText(item.ItemVerdict())},
      {"row_verdict", VerdictText(item.RowVerdict())},
      {"reasons", std::move(reasons)},
  };
}

Json SelfTestLogEntryJson(const SelfTestLogEntry& entry) {
  return Json{
      {"code", entry.code},
      {"status", entry.status},
      {"power_on_hours", entry.power_on_hours},
      {"failing_lba", OptionalNumber(entry.failing_lba)},
      {"remaining_percent", OptionalNumber(entry.remaining_percent)},
  };
}

Json ErrorCountersJson(const std::optional<ScsiErrorCounters>& page) {
  if (!page) return Json(nullptr);
  using namespace scsi_log;
  return Json{{"corrected", OptionalNumber(page->counters[kTotalCorrected])},
              {"bytes_processed", OptionalNumber(page->counters[kTotalBytesProcessed])},
              {"uncorrected", OptionalNumber(page->counters[kTotalUncorrected])}};
}

// What a SAS or SCSI disk told of its health, as numbers; null for what it did not tell.
Json ScsiJson(const DriveReport& drive, const ScsiHealth& health) {
  const auto& temperature = health.temperature;
  const auto& ie = health.informational_exception;
  const auto& control = health.ie_control;
  return Json{
      {"bus_type", drive.bus_type.empty() ? Json(nullptr) : Json(drive.bus_type)},
      {"log_sense", health.log_sense},
      {"error_counters", Json{{"write", ErrorCountersJson(health.write_errors)},
                              {"read", ErrorCountersJson(health.read_errors)},
                              {"verify", ErrorCountersJson(health.verify_errors)}}},
      {"non_medium_errors", OptionalNumber(health.non_medium_errors)},
      {"grown_defects", OptionalNumber(health.grown_defects)},
      {"temperature_celsius", temperature ? OptionalNumber(temperature->current) : Json(nullptr)},
      {"reference_temperature_celsius",
       temperature ? OptionalNumber(temperature->reference) : Json(nullptr)},
      {"start_stop_cycles",
       health.start_stop ? OptionalNumber(health.start_stop->accumulated_cycles) : Json(nullptr)},
      {"endurance_used_percent", OptionalNumber(health.endurance_used)},
      {"informational_exception", ie ? Json{{"asc", ie->asc}, {"ascq", ie->ascq}} : Json(nullptr)},
      {"ie_control",
       control ? Json{{"dexcpt", control->dexcpt}, {"test", control->test}, {"mrie", control->mrie}}
               : Json(nullptr)},
  };
}

Json ReadingJson(const DriveReading& reading) {
  Json items = Json::array();
  for (const HealthItem& item : reading.items) items.push_back(ItemJson(reading, item));
  Json log = Json::array();
  for (const SelfTestLogEntry& entry : reading.self_test_log)
    log.push_back(SelfTestLogEntryJson(entry));
  const std::string_view condition = ConditionText(reading.condition);
  return Json{
      {"family", FamilyLabel(reading.family)},
      {"method", ReadingMethodText(reading.family, reading.usb_bridge)},
      {"usb_bridge", reading.usb_bridge ? Json(UsbBridgeName(*reading.usb_bridge)) : Json(nullptr)},
      {"model", Latin1ToUtf8(reading.identity.model)},
      {"firmware", Latin1ToUtf8(reading.identity.firmware)},
      {"serial", Latin1ToUtf8(reading.identity.serial)},
      {"condition", condition.empty() ? Json(nullptr) : Json(condition)},
      {"temperature_celsius", OptionalNumber(reading.temperature_celsius)},
      {"parts_read", Json{{"identity", reading.parts.identity},
                          {"health", reading.parts.health},
                          {"self_test_log", reading.parts.self_test_log}}},
      {"items", std::move(items)},
      {"self_test", Json{{"running", reading.self_test.running},
                         {"remaining_percent", reading.self_test.remaining_percent}}},
      {"self_test_log", std::move(log)},
      {"last_self_test",
       reading.last_self_test ? SelfTestLogEntryJson(*reading.last_self_test) : Json(nullptr)},
      {"statistics", StatisticsJson(reading)},
  };
}

const char* SeverityKey(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Information:
      break;
  }
  return "information";
}

Json ChangesJson(const std::vector<DriveChange>& changes) {
  Json list = Json::array();
  for (const DriveChange& change : changes)
    list.push_back(
        Json{{"severity", SeverityKey(change.severity)}, {"text", Latin1ToUtf8(change.text)}});
  return list;
}

Json DriveJson(const DriveReport& drive) {
  Json views = Json::object();
  for (const ViewReport& view : drive.views) views[view.name] = ViewJson(view);
  Json json{
      {"path", Latin1ToUtf8(drive.path)},
      {"drive_number", drive.drive_number ? Json(*drive.drive_number) : Json(nullptr)},
      // A file name as the system gave it; a name that is not UTF-8 is mended by the dump.
      {"snapshot", drive.snapshot ? Json(*drive.snapshot) : Json(nullptr)},
      {"status_bar", OptionalText(drive.status_bar)},
      {"condition", OptionalText(drive.condition)},
      // False where the health data (S.M.A.R.T. data, the NVMe health log) did not come: no
      // condition was judged, whether or not the drive answered IDENTIFY.
      {"health_data_read", drive.Read()},
      {"tray_hint", OptionalText(drive.tray_hint)},
      {"messages", TextList(drive.messages)},
      {"asleep", drive.LeftAsleep() ? Json(PowerModeName(drive.left_asleep)) : Json(nullptr)},
      {"views", std::move(views)},
      {"reading", drive.reading ? ReadingJson(*drive.reading) : Json(nullptr)},
      {"changes", ChangesJson(drive.changes)},
  };
  // A SAS or SCSI disk's own numbers; the other families' documents are as they were.
  if (const ScsiPart* scsi = drive.reading ? std::get_if<ScsiPart>(&drive.reading->part) : nullptr)
    json["scsi"] = ScsiJson(drive, scsi->health);
  return json;
}

}  // namespace

std::string RgbText(Rgb colour) {
  return UpperHex(colour.red, 2) + UpperHex(colour.green, 2) + UpperHex(colour.blue, 2);
}

std::string RenderJson(const std::vector<DriveReport>& drives) {
  Json list = Json::array();
  for (const DriveReport& drive : drives) list.push_back(DriveJson(drive));
  const Json document{{"format", kJsonFormat}, {"drives", std::move(list)}};
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kestrine
