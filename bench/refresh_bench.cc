// One whole refresh of a demo drive (open, IDENTIFY, thresholds, data, or for an NVMe drive its
// Identify blocks and health log; the four views) as the "Refresh" menu item runs it: through the
// in-memory toolkit, and through the Qt window offscreen where the rows become widget items and,
// in the second Qt case, are painted.
#include <benchmark/benchmark.h>

#include <string>

#include "demo_drives.h"
#include "drive_number.h"
#include "drive_watch.h"
#include "fake_toolkit.h"
#include "reading.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "unit1.h"

#ifdef KESTRINE_BENCH_QT
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>

#include "main_window.h"
#endif

namespace kestrine {
namespace {

// The demo drives a refresh reads in full, by the family that answers them: ATA pass-through,
// the legacy requests, SAT, NVMe (tried after both ATA families have failed), and the SCSI
// family of the SAS disks.
void DemoDriveArguments(benchmark::internal::Benchmark* bench) {
  bench->ArgName("drive");
  for (const int drive : {kDemoHealthyDisk, kDemoFailingDisk, kDemoUsbSsd, kDemoPendingSectors,
                          kDemoNvmeSsd, kDemoWornNvmeSsd, kDemoSasHdd, kDemoSasSsd}) {
    bench->Arg(drive);
  }
}

void RefreshThroughFakeToolkit(benchmark::State& state) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.bay.SetRecording(false);
  fx.ui.ComboBox1.text = DriveDevicePath(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    fx.Run([](TForm1& form) { form.Refresh1Click(); });
    benchmark::DoNotOptimize(fx.ui.ListView1.ItemCount());
  }
  if (!fx.ui.App.messages.empty()) state.SkipWithError(fx.ui.App.messages.front().c_str());
}
BENCHMARK(RefreshThroughFakeToolkit)->Apply(DemoDriveArguments)->Unit(benchmark::kMicrosecond);

// The ten-minute re-read: the power mode asked first (CHECK POWER MODE through the family that
// answered last), then the same refresh for a drive awake; for the demo's archive disk, kept in
// standby, the question alone.
void TimedRefreshThroughFakeToolkit(benchmark::State& state) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.bay.SetRecording(false);
  const int drive = static_cast<int>(state.range(0));
  fx.ui.ComboBox1.text = DriveDevicePath(drive);
  fx.Run([](TForm1& form) { form.Refresh1Click(); });
  SimDrive& simulated = *fx.bay.FindDrive(drive);
  const bool sleeps = drive == kDemoSleepingDisk;
  for (auto _ : state) {
    simulated.standby = sleeps;
    fx.Run([](TForm1& form) { form.Timer2Timer(); });
    benchmark::DoNotOptimize(fx.ui.ListView1.ItemCount());
  }
  if (!fx.ui.App.messages.empty()) state.SkipWithError(fx.ui.App.messages.front().c_str());
}
BENCHMARK(TimedRefreshThroughFakeToolkit)
    ->Apply(DemoDriveArguments)
    ->Arg(kDemoSleepingDisk)
    ->Unit(benchmark::kMicrosecond);

// The part of a refresh that compares the reading with the drive's previous one when nothing
// changed (the usual tick): set against RefreshThroughFakeToolkit, which includes it.
void CompareWithPreviousReading(benchmark::State& state) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.bay.SetRecording(false);
  fx.ui.ComboBox1.text = DriveDevicePath(static_cast<int>(state.range(0)));
  fx.Run([](TForm1& form) { form.Refresh1Click(); });
  DriveWatch watch;
  watch.Look(fx.form.Reading(), "");
  for (auto _ : state) benchmark::DoNotOptimize(watch.Look(fx.form.Reading(), ""));
}
BENCHMARK(CompareWithPreviousReading)->Apply(DemoDriveArguments)->Unit(benchmark::kMicrosecond);

// The reading alone, from the tables a refresh of the drive has filled: its share of a refresh.
void ReadingFromFilledTables(benchmark::State& state) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.ui.ComboBox1.text = DriveDevicePath(static_cast<int>(state.range(0)));
  fx.Run([](TForm1& form) { form.Refresh1Click(); });
  const auto slot = static_cast<Byte>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadingFromTables(fx.drv.Tables(), slot).items.size());
  }
}
BENCHMARK(ReadingFromFilledTables)->Apply(DemoDriveArguments)->Unit(benchmark::kMicrosecond);

#ifdef KESTRINE_BENCH_QT

// One application for the whole run, offscreen unless a platform is chosen.
void EnsureQtApplication() {
  if (QApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kestrine_bench";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives until the program ends
}

enum class Painting { None, AttributesPage };

void RefreshThroughQt(benchmark::State& state, Painting painting) {
  EnsureQtApplication();
  SimBay bay;
  AddDemoDrives(bay);
  bay.SetRecording(false);
  SmartDrv drv(bay);
  testing::FakeApplication app;  // message boxes are recorded, not shown
  MainWindow window(app);
  TForm1 form(drv, window.Controls());
  window.Attach(form);
  window.show();
  QCoreApplication::processEvents();  // FormShow: the drive list and the first refresh
  const int drive = static_cast<int>(state.range(0));
  auto* const selector = window.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
  selector->setCurrentIndex(selector->findText(QString::fromStdString(DriveDevicePath(drive))));
  if (painting == Painting::AttributesPage) {
    window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
  }
  QCoreApplication::processEvents();

  for (auto _ : state) {
    RunGuarded(app, [&form] { form.Refresh1Click(); });
    if (painting == Painting::AttributesPage) window.repaint();
  }
  if (!app.messages.empty()) state.SkipWithError(app.messages.front().c_str());
}
BENCHMARK_CAPTURE(RefreshThroughQt, views, Painting::None)
    ->Apply(DemoDriveArguments)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RefreshThroughQt, views_and_paint, Painting::AttributesPage)
    ->Apply(DemoDriveArguments)
    ->Unit(benchmark::kMicrosecond);

#endif  // KESTRINE_BENCH_QT

}  // namespace
}  // namespace kestrine
