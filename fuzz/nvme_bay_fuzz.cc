// Arbitrary NVMe request blocks sent to an NVMe drive of the simulated bay, as the Windows query,
// the Windows protocol command or Linux's admin command: the driver's side must answer or refuse,
// never read or write outside the buffers it was given, and a second request sees whatever state
// the first left (a self-test started or aborted). The input's layout is in fuzz_input.h; the
// seeds are the drive layer's own requests (seed_maker.cc).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "demo_drives.h"
#include "device_port.h"
#include "fuzz_input.h"
#include "sim_bay.h"

namespace {

using kestrine::Byte;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Send(kestrine::SimBay& bay, kestrine::DeviceHandle handle,
          kestrine::fuzzing::NvmeBayRequest kind, std::vector<Byte> in, std::size_t out_size,
          bool shared) {
  using kestrine::fuzzing::NvmeBayRequest;
  if (kind == NvmeBayRequest::kAdminCommand) {
    std::vector<Byte> data(out_size);
    const int status = bay.NvmeAdminCommand(handle, in, data);
    Check(status >= kestrine::kNvmeAdminRefused && status <= 0x7FF);
    return;
  }
  const std::uint32_t code = kind == NvmeBayRequest::kQuery
                                 ? kestrine::kIoctlStorageQueryProperty
                                 : kestrine::kIoctlStorageProtocolCommand;
  std::uint32_t returned = 0;
  if (shared) {
    in.resize(std::max(in.size(), out_size));
    bay.Control(handle, code, in, std::span<Byte>(in.data(), out_size), returned);
  } else {
    std::vector<Byte> out(out_size);
    bay.Control(handle, code, in, out, returned);
  }
  Check(returned <= std::max(in.size(), out_size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine::fuzzing;
  InputReader input(data, size);
  const auto kind = static_cast<NvmeBayRequest>(input.Next() % kNvmeBayRequests);
  const std::size_t out_size = input.Next16() % kNvmeMaxReply;
  const std::uint8_t flags = input.Next();
  const int minutes = input.Next();
  const std::vector<Byte> in = input.Rest();

  kestrine::SimBay bay;
  bay.SetRecording(false);
  kestrine::AddDemoNvmeDrives(bay);
  const kestrine::Access access =
      (flags & kBayReadOnly) ? kestrine::Access::ReadOnly : kestrine::Access::ReadWrite;
  const kestrine::DeviceHandle handle =
      bay.Open("\\\\.\\PHYSICALDRIVE" + std::to_string(kestrine::kDemoNvmeSsd), access);
  Send(bay, handle, kind, in, out_size, flags & kBayShared);
  bay.AdvanceClock(std::chrono::minutes(minutes));
  Send(bay, handle, kind, in, out_size, flags & kBayShared);
  return 0;
}
