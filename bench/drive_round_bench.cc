// The window's thread while the round reads the demo's other drives, one of which hangs for a
// second in each exchange (as a drive that takes its whole time-out does): each iteration is one
// tick, the round asked for, the shown drive re-read on the window's thread, and the drives the
// round has read handed to the form as they come. "window_step_ms_max" is the longest the
// window's thread spent in any one of these steps; it stays far below the hang, which only the
// round's thread waits out. The round reads through a port of its own, as the programs give it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "demo_drives.h"
#include "drive_round.h"
#include "fake_toolkit.h"
#include "locked_device_port.h"

namespace kestrine {
namespace {

using Clock = std::chrono::steady_clock;

// The round's own port onto the bay: each exchange with `hanging` waits a second first, outside
// the bay's lock, as a system call to a hung disk waits in the kernel.
class HangingPort final : public DevicePort {
 public:
  HangingPort(DevicePort& bay, int hanging) : bay_(bay), hanging_(hanging) {}
  DeviceHandle Open(std::string_view path, Access access) override {
    const DeviceHandle handle = bay_.Open(path, access);
    if (SimBay::ResolvePath(path) == hanging_) hung_.insert(handle);
    return handle;
  }
  bool Close(DeviceHandle handle) override {
    hung_.erase(handle);
    return bay_.Close(handle);
  }
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const std::uint8_t> in,
               std::span<std::uint8_t> out, std::uint32_t& bytes_returned) override {
    if (hung_.contains(handle)) std::this_thread::sleep_for(std::chrono::seconds(1));
    return bay_.Control(handle, code, in, out, bytes_returned);
  }
  void DebugText(std::string_view text) override { bay_.DebugText(text); }
  OpenFailure LastOpenFailure() const override { return bay_.LastOpenFailure(); }

 private:
  DevicePort& bay_;
  int hanging_;
  std::set<DeviceHandle> hung_;
};

void TickWithAHangingDrive(benchmark::State& state) {
  SimBay bay;
  AddDemoDrives(bay);
  bay.SetRecording(false);
  LockedDevicePort shared(bay);
  HangingPort round_port(shared, kDemoUsbSsd);
  SmartDrv drv(shared);
  testing::FakeToolkit ui;
  TForm1 form(drv, ui.Controls());
  std::atomic<int> read{0};
  DriveRound round(round_port, [&read] { ++read; });
  int asked = 0;
  form.ReadOtherDrives = [&](std::vector<std::string> paths) {
    asked += static_cast<int>(paths.size());
    round.Read(std::move(paths));
  };
  RunGuarded(ui.App, [&] { form.ListDrives(); });
  ui.ComboBox1.SelectFirst();
  Clock::duration longest{};
  const auto step = [&longest](auto&& what) {
    const Clock::time_point start = Clock::now();
    what();
    longest = std::max(longest, Clock::now() - start);
  };
  for (auto _ : state) {
    asked = 0;
    read = 0;
    step([&] { RunGuarded(ui.App, [&] { form.Timer2Timer(); }); });
    int taken = 0;
    while (taken < asked) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the event loop, idle
      step([&] {
        for (const RoundRead& done : round.Take()) {
          form.OtherDriveRead(done.path, done.result);
          ++taken;
        }
      });
    }
  }
  state.counters["window_step_ms_max"] = std::chrono::duration<double, std::milli>(longest).count();
}
BENCHMARK(TickWithAHangingDrive)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrine
