// The statistics reads of an ATA SSD (the log directory, the Device Statistics page list and
// pages 01h, 05h and 07h, the SCT status) with their decode and the raw values decoded: alone,
// through the ATA pass-through and SAT, and the window's refresh of the same drive, which reads
// them and fills the Statistics page: the figure to set against a refresh's budget.
#include <benchmark/benchmark.h>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_image_logs.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "identify_decode.h"
#include "log_reads.h"
#include "raw_formats.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "smart_layout.h"
#include "unit1.h"

namespace kestrine {
namespace {

void AddStatistics(DriveImage& image) {
  using namespace device_statistics;
  SetDeviceStatistic(image, kGeneralPage, kPowerOnResets, 55);
  SetDeviceStatistic(image, kGeneralPage, kPowerOnHours, 1200);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsWritten, 2'000'000'000);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsRead, 3'000'000'000);
  SetDeviceStatistic(image, kTemperaturePage, kCurrentTemperature, 35);
  SetDeviceStatistic(image, kTemperaturePage, kHighestTemperature, 61);
  SetDeviceStatistic(image, kSolidStatePage, kPercentageUsed, 7);
  SetSctStatus(image, {.current = 36, .lifetime_lowest = 18, .lifetime_highest = 65});
  SealDriveLogs(image);
  SealDriveImage(image);
}

// The reads and decodes a refresh adds for the drive, on a handle of its own.
std::size_t ReadStatistics(SmartDrv& drv, int drive) {
  const auto slot = static_cast<Byte>(drive);
  const DeviceHandle handle = drv.OpenDrive(DriveDevicePath(drive));
  const AtaLogBlocks logs = ReadAtaStatisticsLogs(drv, handle, slot);
  drv.CloseDrive(handle);
  const DriveStatistics statistics = AtaStatisticsFromLogs(logs, 512);
  const Sector& data = drv.Tables().SmartDataSector;
  const std::string& model = drv.Tables().HDDInfo[slot].Model;
  std::size_t decoded = statistics.temperature.value_or(0);
  for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
    const std::size_t at = smart_entry::kFirst + smart_entry::kSize * i;
    if (data[at] == 0) continue;
    const auto raw = std::span(data).subspan(at + smart_entry::kRaw).first<6>();
    if (DecodeRawValue(data[at], model, raw)) ++decoded;
  }
  return decoded;
}

enum class Family { Ata, Sat };

void StatisticsRead(benchmark::State& state, Family family) {
  SimBay bay;
  bay.SetRecording(false);
  DriveImage image;
  AddStatistics(image);
  bay.AddDrive(0, image,
               {.answers_ata_pass_through = family == Family::Ata,
                .answers_legacy = family == Family::Ata,
                .answers_sat = family == Family::Sat});
  SmartDrv drv(bay);
  const DeviceHandle handle = drv.OpenDrive(DriveDevicePath(0));
  if (family == Family::Ata) {
    drv.IdentifyDeviceAta(handle, 0);
  } else {
    drv.IdentifyDeviceSat(handle, 0);
  }
  drv.CloseDrive(handle);
  for (auto _ : state) benchmark::DoNotOptimize(ReadStatistics(drv, 0));
}
BENCHMARK_CAPTURE(StatisticsRead, AtaPassThrough, Family::Ata)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(StatisticsRead, Sat, Family::Sat)->Unit(benchmark::kMicrosecond);

// The refresh of a demo ATA drive given statistics: the session reads them and the Statistics
// page shows them with the raw values decoded.
void RefreshWithStatistics(benchmark::State& state) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.bay.SetRecording(false);
  const int drive = static_cast<int>(state.range(0));
  AddStatistics(fx.bay.FindDrive(drive)->image);
  fx.ui.ComboBox1.text = DriveDevicePath(drive);
  for (auto _ : state) {
    fx.Run([](TForm1& form) { form.Refresh1Click(); });
    benchmark::DoNotOptimize(fx.ui.ListView5.ItemCount());
  }
  if (!fx.ui.App.messages.empty()) state.SkipWithError(fx.ui.App.messages.front().c_str());
}
BENCHMARK(RefreshWithStatistics)
    ->ArgName("drive")
    ->Arg(kDemoHealthyDisk)
    ->Arg(kDemoUsbSsd)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrine
