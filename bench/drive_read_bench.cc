// One whole drive read (IDENTIFY, thresholds, SMART data, self-test log) through each transport
// family on the simulated bay, and a SAS disk's every page read and decoded: the drive layer's
// own cost per read.
#include <benchmark/benchmark.h>

#include "scsi_health.h"
#include "sim_bay.h"
#include "smart_drv.h"

namespace kestrine {
namespace {

DriveImage BenchImage() {
  DriveImage image;
  image.identify[0] = 0x40;
  image.smart_data[2] = 9;
  image.thresholds[2] = 9;
  return image;
}

enum class Family { Ata, Legacy, Sat };

void WholeDriveRead(benchmark::State& state, Family family) {
  SimBay bay;
  bay.SetRecording(false);
  DriveBehaviour behaviour;
  behaviour.answers_ata_pass_through = family == Family::Ata;
  behaviour.answers_legacy = family == Family::Legacy;
  behaviour.answers_sat = family == Family::Sat;
  bay.AddDrive(0, BenchImage(), behaviour);
  SmartDrv drv(bay);
  Sector log{};
  for (auto _ : state) {
    const DeviceHandle handle = drv.OpenDrive("\\\\.\\PHYSICALDRIVE0");
    if (family == Family::Sat) {
      drv.IdentifyDeviceSat(handle, 0);
      drv.ReadSmartDataSat(handle, 0);
      drv.ReadThresholdsSat(handle, 0);
      drv.ReadSelfTestLogSat(handle, 0, log);
    } else {
      drv.IdentifyDeviceAta(handle, 0);
      drv.ReadThresholdsAta(handle, 0);
      drv.ReadSmartDataAta(handle, 0);
      drv.ReadSelfTestLogAta(handle, 0, log);
    }
    drv.CloseDrive(handle);
    benchmark::DoNotOptimize(log);
  }
}

BENCHMARK_CAPTURE(WholeDriveRead, AtaPassThrough, Family::Ata);
BENCHMARK_CAPTURE(WholeDriveRead, Legacy, Family::Legacy);
BENCHMARK_CAPTURE(WholeDriveRead, Sat, Family::Sat);

// A SAS SSD: INQUIRY and four VPD pages, READ CAPACITY, nine log pages, the mode page and the
// grown defects, decoded and judged.
void SasDiskRead(benchmark::State& state) {
  SimBay bay;
  bay.SetRecording(false);
  bay.AddDrive(0, SasSsdImage());
  for (auto _ : state) {
    const DeviceHandle handle = bay.Open("\\\\.\\PHYSICALDRIVE0", Access::ReadWrite);
    const ScsiHealth health = DecodeScsiHealth(ReadScsiBlocks(bay, handle));
    bay.Close(handle);
    benchmark::DoNotOptimize(ScsiCondition(health));
  }
}
BENCHMARK(SasDiskRead);

}  // namespace
}  // namespace kestrine
