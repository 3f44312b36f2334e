// Sequences of requests to one simulated drive on the bay's own clock: a self-test started by
// one request runs while the clock moves on, and later requests read its progress, see it
// complete or abort it. Every reply stays inside its buffer, the drive's self-test log keeps
// its 21 entries, and a running test never claims more than 100 % done. Layout: fuzz_input.h.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "device_port.h"
#include "fuzz_input.h"
#include "sim_bay.h"

namespace {

constexpr char kDrivePath[] = "\\\\.\\PHYSICALDRIVE0";
constexpr int kMaxSteps = 64;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine::fuzzing;
  InputReader input(data, size);

  kestrine::SimBay bay;
  bay.SetRecording(false);
  kestrine::DriveImage image;
  for (std::size_t i = 0; i < 512; ++i) image.identify[i] = static_cast<std::uint8_t>(i * 7);
  image.smart_data[362] = 0x82;  // off-line data collection done
  image.smart_data[367] = 0x7B;  // executes self-tests, aborts them, off-line immediate
  image.smart_data[372] = 2;     // short test: 2 minutes
  image.smart_data[373] = 30;    // extended test: 30 minutes
  image.self_test_log[0] = 1;
  image.vendor = "ATA";
  image.product = "SEQUENCE";
  kestrine::SimDrive& drive = bay.AddDrive(0, image);
  kestrine::DeviceHandle handle = bay.Open(kDrivePath, kestrine::Access::ReadWrite);

  for (int step = 0; step < kMaxSteps && !input.AtEnd(); ++step) {
    switch (static_cast<BayStep>(input.Next() % kBayStepKinds)) {
      case BayStep::kRequest: {
        const std::uint32_t code = kPortCodes[input.Next() % kPortCodeCount];
        const std::size_t out_size = input.Next16() % kBayMaxReply;
        const std::uint8_t flags = input.Next();
        std::vector<std::uint8_t> in = input.Take(input.Next16() % kBayMaxReply);
        std::uint32_t returned = 0;
        if (flags & kBayShared) {
          in.resize(std::max(in.size(), out_size));
          bay.Control(handle, code, in, std::span<std::uint8_t>(in.data(), out_size), returned);
          Check(returned <= in.size());
        } else {
          std::vector<std::uint8_t> out(out_size);
          bay.Control(handle, code, in, out, returned);
          Check(returned <= std::max(in.size(), out_size));
        }
        break;
      }
      case BayStep::kAdvance:
        bay.AdvanceClock(std::chrono::seconds(input.Next16()));
        break;
      case BayStep::kReopen:
        bay.Close(handle);
        handle = bay.Open(kDrivePath, kestrine::Access::ReadWrite);
        break;
    }
    // The log's revision and its 21 entries stay where a reader expects them.
    Check(drive.image.self_test_log.size() == 512);
    if (drive.running_test) Check(drive.running_test->duration.count() >= 0);
  }
  bay.Close(handle);
  Check(bay.OpenHandleCount() == 0);
  return 0;
}
