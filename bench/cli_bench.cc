// kestrine-cli's work inside one process, without the start of the process itself: a snapshot
// file read and refreshed through the window's logic, printed as JSON or as text tables, and the
// snapshot reader alone. scripts/bench-cli.sh times whole processes next to skdump.
#ifdef KESTRINE_BENCH_CLI
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "fake_toolkit.h"
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
    WriteSnapshotFile(path, snapshot);
    return path;
  }();
  return file;
}

void LoadSnapshotAndPrint(benchmark::State& state) {
  const bool json = state.range(0) == 1;
  std::vector<std::string> arguments = {"--load", DemoSnapshot().string()};
  if (json) arguments.push_back("--json");
  const CliEnvironment environment;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    benchmark::DoNotOptimize(CliMain(arguments, environment, out, err));
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(LoadSnapshotAndPrint)->ArgName("json")->Arg(0)->Arg(1);

void ParseSnapshotFile(benchmark::State& state) {
  std::ifstream stream(DemoSnapshot(), std::ios::binary);
  const std::vector<Byte> bytes((std::istreambuf_iterator<char>(stream)), {});
  std::string fault;
  for (auto _ : state) benchmark::DoNotOptimize(ParseSnapshot(bytes, fault));
}
BENCHMARK(ParseSnapshotFile);

}  // namespace
}  // namespace kestrine
#endif  // KESTRINE_BENCH_CLI
