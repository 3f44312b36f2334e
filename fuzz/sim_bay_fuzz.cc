// Arbitrary request blocks sent to the simulated bay: it must answer or refuse, never read or
// write outside the buffers it was given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device_port.h"
#include "sim_bay.h"

namespace {

constexpr std::uint32_t kCodes[] = {
    kestrine::kIoctlAtaPassThrough, kestrine::kIoctlScsiPassThrough,
    kestrine::kSmartGetVersion,     kestrine::kSmartRcvDriveData,
    kestrine::kSmartSendDriveCommand, kestrine::kIoctlStorageQueryProperty,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // First bytes choose the request, the output size and whether in and out share the block.
  const std::uint32_t code = kCodes[data[0] % std::size(kCodes)];
  const std::size_t out_size = (static_cast<std::size_t>(data[1]) << 3 | (data[2] & 7)) % 1200;
  const bool shared = data[3] & 1;
  const kestrine::Access access =
      (data[3] & 2) ? kestrine::Access::ReadOnly : kestrine::Access::ReadWrite;
  std::vector<std::uint8_t> in(data + 4, data + size);

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
  return 0;
}
