// Arbitrary request blocks sent to the simulated bay: it must answer or refuse, never read or
// write outside the buffers it was given. The input's layout is in fuzz_input.h; the seeds are
// the program's own requests (seed_maker.cc).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device_port.h"
#include "fuzz_input.h"
#include "sim_bay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine::fuzzing;
  InputReader input(data, size);
  const std::uint32_t code = kPortCodes[input.Next() % kPortCodeCount];
  const std::size_t out_size = input.Next16() % kBayMaxReply;
  const std::uint8_t flags = input.Next();
  const bool shared = flags & kBayShared;
  const kestrine::Access access =
      (flags & kBayReadOnly) ? kestrine::Access::ReadOnly : kestrine::Access::ReadWrite;
  std::vector<std::uint8_t> in = input.Rest();

  kestrine::SimBay bay;
  kestrine::DriveImage image;
  for (std::size_t i = 0; i < 512; ++i) image.identify[i] = static_cast<std::uint8_t>(i);
  image.smart_data[372] = 1;
  image.vendor = "ATA";
  image.product = "FUZZ";
  bay.AddDrive(0, image);
  const kestrine::DeviceHandle handle = bay.Open("\\\\.\\PHYSICALDRIVE0", access);

  std::uint32_t returned = 0;
  if (shared) {
    in.resize(std::max(in.size(), out_size));
    bay.Control(handle, code, in, std::span<std::uint8_t>(in.data(), out_size), returned);
  } else {
    std::vector<std::uint8_t> out(out_size);
    bay.Control(handle, code, in, out, returned);
  }
  if (returned > std::max(in.size(), out_size)) __builtin_trap();
  // A second exchange sees the drive in whatever state the first left it.
  std::vector<std::uint8_t> again(out_size);
  bay.Control(handle, code, in, again, returned);
  if (returned > std::max(in.size(), out_size)) __builtin_trap();
  return 0;
}
