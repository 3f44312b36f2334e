// One whole drive read (IDENTIFY, thresholds, SMART data, self-test log) through each transport
// family on the simulated bay: the drive layer's own cost per read.
#include <benchmark/benchmark.h>

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

}  // namespace
}  // namespace kestrine
