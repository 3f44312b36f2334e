// Arbitrary drive blocks through the metrics: an IDENTIFY block, attribute and threshold entries,
// the S.M.A.R.T. data block's self-test status and a self-test log, taken as a drive's readings
// and written as Prometheus text. Input: the IDENTIFY block (512 bytes), the attribute entries
// (360), the threshold entries (360), the self-test status byte, the log (512), then the rest as
// the drive's selector text; short inputs are zero-filled. Every line of the text must be a
// comment or a sample of ours, each sample on one line.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "drive_metrics.h"
#include "fuzz_input.h"
#include "metrics_report.h"
#include "reading.h"
#include "sim_bay.h"
#include "smart_drv.h"

namespace {

using kestrine::Byte;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kestrine::SimBay* const bay = new kestrine::SimBay;
  static kestrine::SmartDrv* const drv = new kestrine::SmartDrv(*bay);
  kestrine::SmartTables& tables = drv->Tables();
  constexpr Byte kDrive = 7;
  kestrine::fuzzing::InputReader input(data, size);
  input.Fill(tables.IdentifySector[kDrive]);
  drv->DecodeIdentify(kDrive);
  input.Fill({tables.AttributeTable[kDrive][0].data(), kestrine::smart_entry::kEntriesSize});
  input.Fill({tables.ThresholdTable[kDrive][0].data(), kestrine::smart_entry::kEntriesSize});
  tables.SmartDataSector[kestrine::smart_data::kSelfTestStatus] = input.Next();
  kestrine::Sector log{};
  input.Fill(log);
  tables.Family[kDrive] = kestrine::CommandFamily::Ata;
  tables.HealthRead[kDrive] = true;
  kestrine::DriveReading ata = kestrine::ReadingFromTables(tables, kDrive);
  kestrine::AddAtaSelfTestLog(ata, log);
  kestrine::DriveMetrics drive = kestrine::DriveMetricsFromReading(ata);
  const std::vector<std::uint8_t> selector = input.Rest();
  drive.device.assign(selector.begin(), selector.end());
  // The same bytes as an NVMe drive's blocks: the IDENTIFY block as its health log, the log and
  // the attribute entries as its Device Self-test log.
  std::copy_n(tables.IdentifySector[kDrive].begin(), kestrine::nvme_health::kSize,
              tables.NvmeHealth[kDrive].begin());
  kestrine::NvmeSelfTestLog nvme_log{};
  std::copy_n(log.begin(), log.size(), nvme_log.begin());
  std::copy_n(tables.AttributeTable[kDrive][0].data(), nvme_log.size() - log.size(),
              nvme_log.begin() + log.size());
  kestrine::DriveReading nvme_reading = kestrine::NvmeReadingFromTables(tables, kDrive);
  kestrine::AddNvmeSelfTestLog(nvme_reading, nvme_log);
  kestrine::DriveMetrics nvme = kestrine::DriveMetricsFromReading(nvme_reading);
  nvme.device = drive.device + "n";

  const std::string text = kestrine::RenderMetrics({drive, nvme});
  Check(!text.empty() && text.back() == '\n');
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    Check(line.starts_with("# HELP kestrine_") || line.starts_with("# TYPE kestrine_") ||
          line.starts_with("kestrine_"));
    // A sample's value follows the last closing brace: no label value ends the line early.
    if (line.starts_with("kestrine_")) Check(line.rfind("} ") != std::string_view::npos);
    rest.remove_prefix(end + 1);
  }
  return 0;
}
