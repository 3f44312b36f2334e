// Arbitrary NVMe request blocks and controller answers through the Linux device port: every block
// is either answered inside its reply buffer or refused with the reply untouched, and the only
// admin commands that ever reach the kernel are the reads (Identify, Get Log Page) and the
// self-test starts, each with a data buffer as large as it says.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/sg_io_fakes.h"
#include "fuzz_input.h"
#include "fuzz_port.h"
#include "linux_device_port.h"
#include "nvme_command.h"

namespace {

using kestrine::Byte;
using Reader = kestrine::fuzzing::InputReader;

struct World {
  kestrine::testing::FakeSysfsTree tree;
  kestrine::testing::FakeSystemCalls system;
  std::unique_ptr<kestrine::LinuxDevicePort> port;
};

World& TheWorld() {
  static World world;
  if (!world.port) {
    world.tree.AddNvmeNamespace("nvme0n1", "pci0000:00/0000:00:04.0/nvme/nvme0", "QEMU NVMe Ctrl",
                                "KS-NVME-0006", "7.2.22");
    world.system.existing.insert((world.tree.Root() / "dev" / "nvme0n1").string());
    world.port = std::make_unique<kestrine::LinuxDevicePort>(
        world.system,
        kestrine::LinuxDevicePortOptions{world.tree.Root(), world.tree.Root() / "dev", {}});
  }
  return world;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// What may reach the controller.
void CheckSent(const nvme_admin_cmd& sent) {
  Check(sent.flags == 0 && sent.metadata == 0 && sent.metadata_len == 0);
  if (sent.opcode == kestrine::kNvmeDeviceSelfTest) {
    Check(sent.nsid == kestrine::kAllNamespaces);
    Check(sent.cdw10 == kestrine::kStcShort || sent.cdw10 == kestrine::kStcExtended);
    Check(sent.data_len == 0);
    return;
  }
  Check(sent.opcode == kestrine::kNvmeIdentify || sent.opcode == kestrine::kNvmeGetLogPage);
  Check(sent.data_len != 0 && sent.data_len <= 4096 && sent.addr != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine::fuzzing;
  World& world = TheWorld();
  Reader input(data, size);
  const Byte how = input.Next();
  kestrine::testing::ScriptedNvmeReply reply;
  const std::uint16_t status = input.Next16();
  reply.result = (how & kNvmePortKernelRefuses) ? -1 : status;
  reply.dword0 = input.Next16() | (std::uint32_t{input.Next16()} << 16);
  const std::size_t in_size = input.Next16() % kNvmePortMaxBlock;
  const std::size_t out_size = input.Next16() % kNvmePortMaxBlock;
  std::vector<Byte> block = input.Take(in_size);
  block.resize(in_size);
  reply.data = input.Rest();
  world.system.nvme_replies.assign(1, reply);

  const std::uint32_t code = (how & kNvmePortProtocolCommand)
                                 ? kestrine::kIoctlStorageProtocolCommand
                                 : kestrine::kIoctlStorageQueryProperty;
  const kestrine::DeviceHandle handle = world.port->Open(
      "\\\\.\\PHYSICALDRIVE192",
      (how & kNvmePortReadOnly) ? kestrine::Access::ReadOnly : kestrine::Access::ReadWrite);
  Check(handle != kestrine::kInvalidHandle);
  fuzz::ExchangeChecked(*world.port, handle, code, block, in_size, out_size,
                        (how & kNvmePortInPlace) != 0);
  for (const auto& seen : world.system.admin_commands) CheckSent(seen.command);
  Check(world.system.admin_commands.size() <= 1);
  Check(world.system.exchanges.empty());
  world.port->Close(handle);
  world.system.admin_commands.clear();
  world.system.opens.clear();
  world.system.closes.clear();
  return 0;
}
