// kestrine-cli's work inside one process, without the start of the process itself: a snapshot
// file read and refreshed through the window's logic, printed as JSON or as text tables, 256
// files as metrics, and the snapshot reader alone. scripts/bench-cli.sh times whole processes next
// to skdump.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "demo_drives.h"
#include "drive_metrics.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "metrics_report.h"
#include "snapshot_file.h"

namespace kestrine {
namespace {

// A snapshot of the demo bay's healthy disk, with its self-test log, written once.
const std::filesystem::path& DemoSnapshot() {
  static const std::filesystem::path file = [] {
    const auto path = std::filesystem::temp_directory_path() / "kestrine-cli-bench.blob";
    testing::FormFixture window;
    AddDemoDrives(window.bay);
    window.ui.ComboBox1.text = DriveDevicePath(kDemoHealthyDisk);
    window.Run([](TForm1& form) { form.ComboBox1Change(); });
    const SmartTables& tables = window.drv.Tables();
    Snapshot snapshot;
    snapshot.identify = tables.IdentifySector[kDemoHealthyDisk];
    snapshot.smart_data = tables.SmartDataSector;
    snapshot.thresholds = tables.SmartThresholdSector;
    snapshot.self_test_log = window.bay.FindDrive(kDemoHealthyDisk)->image.self_test_log;
    if (WriteSnapshotFile(path, snapshot)) std::abort();
    return path;
  }();
  return file;
}

// One whole run of the program's logic per iteration, its output kept in memory.
void RunCli(benchmark::State& state, const std::vector<std::string>& arguments) {
  const CliEnvironment environment;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    benchmark::DoNotOptimize(CliMain(arguments, environment, out, err));
    benchmark::DoNotOptimize(out.str().size());
  }
}

void LoadSnapshotAndPrint(benchmark::State& state) {
  const bool json = state.range(0) == 1;
  std::vector<std::string> arguments = {"--load", DemoSnapshot().string()};
  if (json) arguments.push_back("--json");
  RunCli(state, arguments);
}
BENCHMARK(LoadSnapshotAndPrint)->ArgName("json")->Arg(0)->Arg(1);

// kestrine-cli --metrics over as many loaded drives as the drive numbers allow (256): every
// file read, every drive refreshed through the window's logic and measured, the text written.
void MetricsOverLoadedDrives(benchmark::State& state) {
  std::vector<std::string> arguments = {"--metrics"};
  for (int i = 0; i < state.range(0); ++i) {
    arguments.push_back("--load");
    arguments.push_back(DemoSnapshot().string());
  }
  RunCli(state, arguments);
}
BENCHMARK(MetricsOverLoadedDrives)->ArgName("drives")->Arg(256)->Unit(benchmark::kMillisecond);

// The exposition alone, over 256 drives' readings.
void RenderMetricsText(benchmark::State& state) {
  testing::FormFixture window;
  AddDemoDrives(window.bay);
  window.ui.ComboBox1.text = DriveDevicePath(kDemoHealthyDisk);
  window.Run([](TForm1& form) { form.ComboBox1Change(); });
  const Sector log = window.bay.FindDrive(kDemoHealthyDisk)->image.self_test_log;
  std::vector<DriveMetrics> drives;
  for (int i = 0; i < state.range(0); ++i) {
    DriveReading reading = AtaReadingFromTables(window.drv.Tables(), kDemoHealthyDisk);
    AddAtaSelfTestLog(reading, log);
    drives.push_back(DriveMetricsFromReading(reading));
    drives.back().device = DriveDevicePath(i);
  }
  for (auto _ : state) benchmark::DoNotOptimize(RenderMetrics(drives).size());
}
BENCHMARK(RenderMetricsText)->ArgName("drives")->Arg(256)->Unit(benchmark::kMillisecond);

void ParseSnapshotFile(benchmark::State& state) {
  std::ifstream stream(DemoSnapshot(), std::ios::binary);
  const std::vector<Byte> bytes((std::istreambuf_iterator<char>(stream)), {});
  for (auto _ : state) benchmark::DoNotOptimize(ParseSnapshot(bytes));
}
BENCHMARK(ParseSnapshotFile);

}  // namespace
}  // namespace kestrine
