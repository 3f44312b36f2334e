// Arbitrary request blocks and scripted disk replies through the Linux device port: every block
// is either answered inside its reply buffer or refused with the reply untouched, never a crash.
// The reply's sense data comes last in the input (fuzz_input.h), so that the sense parser sees
// every format. Also arbitrary texts through the descriptor builder.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/sg_io_fakes.h"
#include "fuzz_input.h"
#include "fuzz_port.h"
#include "linux_device_port.h"
#include "storage_descriptor_writer.h"
#include "storage_property.h"

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
    world.tree.AddDisk({"sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "ATA     ",
                        "ST2000DM001-1CH1", "CC27", "Z1E0AAAA", false});
    world.tree.AddLink("pci0000:00/0000:00:1f.2/ata1", "link1", "6.0 Gbps");
    world.tree.AddDisk({"sdb",
                        "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0",
                        "WD      ",
                        "Elements 25A2   ",
                        "1014",
                        {},
                        true});
    for (const char* name : {"sda", "sdb"}) {
      world.system.existing.insert((world.tree.Root() / "dev" / name).string());
    }
    world.port = std::make_unique<kestrine::LinuxDevicePort>(
        world.system,
        kestrine::LinuxDevicePortOptions{world.tree.Root(), world.tree.Root() / "dev", {}});
  }
  return world;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void FuzzDescriptor(Reader& input) {
  kestrine::StorageDescriptorFacts facts;
  facts.removable = input.Next() & 1;
  facts.bus_type = static_cast<kestrine::BusType>(input.Next());
  for (auto* text :
       {&facts.texts.vendor, &facts.texts.product, &facts.texts.revision, &facts.texts.serial}) {
    const Byte length = input.Next();
    if (length != 0xFF) {
      const std::vector<Byte> bytes = input.Take(length);
      *text = std::string(bytes.begin(), bytes.end());
    }
  }
  std::vector<Byte> out(input.Next16() % 1024);
  std::uint32_t returned = 0;
  if (!kestrine::WriteStorageDeviceDescriptor(facts, kestrine::TextsCutShort::ClearOffsets, out,
                                              returned)) {
    return;
  }
  Check(returned <= out.size());
  using namespace kestrine::storage_descriptor;
  for (std::size_t field :
       {kVendorIdOffset, kProductIdOffset, kProductRevisionOffset, kSerialNumberOffset}) {
    if (field + 4 > returned) continue;
    const std::uint32_t offset = kestrine::ReadLe32(out, field);
    if (offset == 0) continue;
    Check(offset < returned);
    bool ended = false;
    for (std::size_t i = offset; i < returned && !ended; ++i) ended = out[i] == 0;
    Check(ended);  // the text's zero byte is inside the reply
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& world = TheWorld();
  Reader input(data, size);
  const Byte selector = input.Next();
  if (selector == 0xFF) {
    FuzzDescriptor(input);
    return 0;
  }
  using namespace kestrine::fuzzing;
  const std::uint32_t code = kPortCodes[selector % kPortCodeCount];
  const Byte how = input.Next();
  const bool usb_disk = how & kSgIoUsbDisk;
  const bool read_only = how & kSgIoReadOnly;
  const bool in_place = how & kSgIoInPlace;

  kestrine::testing::ScriptedReply reply;
  reply.result = (how & kSgIoCallFails) ? -1 : 0;
  reply.status = input.Next();
  const Byte host_status = input.Next();
  const Byte driver_status = input.Next();
  reply.host_status = (how & kSgIoHostStatus) ? host_status : 0;
  reply.driver_status = (how & kSgIoDriverStatus) ? driver_status : 0;
  reply.resid = static_cast<std::int16_t>(input.Next16());
  const std::size_t in_size = input.Next16() % kSgIoMaxBlock;
  const std::size_t out_size = input.Next16() % kSgIoMaxBlock;
  const std::size_t data_size = input.Next16() % kSgIoMaxBlock;
  std::vector<Byte> block = input.Take(in_size);
  block.resize(in_size);
  reply.data = input.Take(data_size);
  reply.sense = input.Rest();
  world.system.replies.assign(1, reply);

  const kestrine::DeviceHandle handle =
      world.port->Open(usb_disk ? "\\\\.\\PHYSICALDRIVE1" : "\\\\.\\PHYSICALDRIVE0",
                       read_only ? kestrine::Access::ReadOnly : kestrine::Access::ReadWrite);
  Check(handle != kestrine::kInvalidHandle);
  fuzz::ExchangeChecked(*world.port, handle, code, block, in_size, out_size, in_place);
  world.port->Close(handle);
  world.system.exchanges.clear();
  world.system.opens.clear();
  world.system.closes.clear();
  return 0;
}
