#include "drive_views.h"

#include "attribute_view_row.h"
#include "form_texts.h"
#include "general_view_rows.h"
#include "identify_view_rows.h"
#include "message_format.h"
#include "nvme_view_rows.h"
#include "reading_texts.h"
#include "report_texts.h"
#include "scsi_view_rows.h"
#include "self_test_log_rows.h"
#include "statistics_view_rows.h"
#include "text_format.h"
#include "text_trim.h"

namespace kestrine {

namespace {

std::vector<ViewCells> IdentifyCells(const std::vector<IdentifyViewRow>& rows) {
  std::vector<ViewCells> cells;
  for (const IdentifyViewRow& row : rows) cells.push_back({row.item, row.value});
  return cells;
}

// The Identify, Self Test Logs and General views of an ATA or SAT drive. The General view needs
// the S.M.A.R.T. data: without it there are no status bytes to show.
void AtaViewRows(const DriveReading& reading, const AtaPart& part, DriveViews& views) {
  if (part.identify) views.identify = IdentifyCells(IdentifyViewRows(*part.identify));
  if (reading.parts.self_test_log) views.self_test_log = SelfTestLogRows(reading.self_test_log);
  if (reading.parts.health && part.status) views.general = GeneralViewRows(*part.status);
}

// The same views of an NVMe drive. The General view shows nothing of a log that was not read.
void NvmeViewRows(const DriveReading& reading, const NvmeIdentity& identity, DriveViews& views) {
  views.identify = IdentifyCells(NvmeIdentifyViewRows(identity));
  if (reading.parts.self_test_log)
    views.self_test_log = NvmeSelfTestLogRows(reading.self_test, reading.self_test_log);
  views.general = NvmeGeneralViewRows(identity, reading);
}

}  // namespace

const std::vector<ViewCells>& DriveViews::OfListView(int number) const {
  switch (number) {
    case 1:
      return attributes;
    case 2:
      return identify;
    case 3:
      return self_test_log;
    case 5:
      return statistics;
    default:
      return general;
  }
}

DriveViews DriveViewRows(const DriveReading& reading) {
  DriveViews views;
  const bool shown = std::visit(PerFamily{
                                    [](const NoFamilyPart&) { return false; },
                                    [&](const AtaPart& part) {
                                      AtaViewRows(reading, part, views);
                                      return true;
                                    },
                                    [&](const NvmePart& part) {
                                      if (!part.identity || !part.blocks) return false;
                                      NvmeViewRows(reading, *part.identity, views);
                                      return true;
                                    },
                                    [&](const ScsiPart& part) {
                                      views.identify = ScsiIdentifyViewRows(part.health);
                                      if (reading.parts.self_test_log)
                                        views.self_test_log =
                                            ScsiSelfTestLogRows(reading.self_test_log);
                                      views.general = ScsiGeneralViewRows(part.health);
                                      return true;
                                    },
                                },
                                reading.part);
  if (shown) {
    views.attributes = AttributeViewRows(reading);
    views.statistics = StatisticsViewRows(reading);
  }
  return views;
}

std::vector<ViewCells> AttributeViewRows(const DriveReading& reading) {
  // Without the health table there are no items.
  std::vector<ViewCells> rows;
  for (const HealthItem& item : reading.items) rows.push_back(AttributeViewRow(item));
  return rows;
}

std::optional<Rgb> AttributeRowColour(const DriveReading& reading, int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= reading.items.size()) return std::nullopt;
  switch (reading.items[static_cast<std::size_t>(row)].RowVerdict()) {
    case Verdict::Critical:
      return kRed;
    case Verdict::Warning:
      return kOrange;
    case Verdict::Ok:
      break;
  }
  return std::nullopt;
}

std::string ReadStatusText(std::string_view bus_type, CommandFamily family,
                           std::optional<UsbBridge> bridge) {
  std::string bus(bus_type);
  switch (family) {
    case CommandFamily::Nvme:
      // Whatever name the platform's descriptor gives its bus; behind a bridge, the bridge's.
      if (!bridge) bus = texts::kBusNvme;
      break;
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
    case CommandFamily::Scsi:
      break;
  }
  return "BusType:" + bus + " " + "Method:" + ReadingMethodText(family, bridge);
}

std::string AsleepStatusText(std::string_view read_status, PowerMode mode) {
  const char* asleep =
      mode == PowerMode::Suspended ? texts::kAsleepSuspended : texts::kAsleepStandby;
  return read_status.empty() ? std::string(asleep) : std::string(read_status) + "  " + asleep;
}

std::string ToldDriveName(std::string_view selected, const DriveIdentity& identity) {
  std::string name(selected);
  for (const std::string* text : {&identity.model, &identity.serial}) {
    const std::string_view trimmed = TrimmedSpaces(*text);
    if (!trimmed.empty()) name += " " + std::string(trimmed);
  }
  return name;
}

std::string ConditionHintText(std::string_view selected, std::string_view temperature,
                              std::string_view condition) {
  std::string hint(selected);
  hint += texts::kLineBreak;
  hint += texts::kHintTemperature;
  hint += temperature;
  hint += texts::kDegreeSign;
  hint += texts::kLineBreak;
  hint += texts::kHintCondition;
  hint += condition;
  return hint;
}

std::string HealthNotReadHintText(std::string_view selected) {
  return std::string(selected) + texts::kLineBreak + texts::kHintCondition + texts::kHealthNotRead;
}

std::string TemperatureText(const DriveReading& reading) {
  return reading.temperature_celsius ? std::to_string(*reading.temperature_celsius) : std::string();
}

std::string ReportCellText(std::string text) {
  if (text.size() > kCellTextBufferSize - 1) text.resize(kCellTextBufferSize - 1);
  return std::string(TrimmedText(text, [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
  }));
}

std::string ReportRowColour(const std::optional<Rgb>& background) {
  const Rgb colour = background.value_or(kWindowBackground);
  return UpperHex(colour.blue, 2) + UpperHex(colour.green, 2) + UpperHex(colour.red, 2);
}

HtmlSaved SaveHtmlReport(const ReportTable& table, const std::filesystem::path& file,
                         const std::filesystem::path& program_directory) {
  HtmlSaved saved;
  const ReportWritten written = WriteHtmlReport(file, BuildHtmlReport(table), program_directory);
  if (const std::optional<ReportFault>& fault = written.not_created) {
    saved.not_created = FormatMessage(texts::kCannotCreateFile, {fault->file, fault->reason});
    return saved;
  }
  if (const std::optional<ReportFault>& fault = written.not_written)
    saved.messages.push_back(FormatMessage(texts::kCannotWriteFile, {fault->file, fault->reason}));
  if (const std::optional<ReportFault>& fault = written.sheet_not_copied) {
    saved.messages.push_back(
        FormatMessage(texts::kCannotCopyStyleSheet, {fault->file, fault->reason}));
  }
  saved.saved = !written.not_written && !written.sheet_not_copied;
  return saved;
}

}  // namespace kestrine
