// Arbitrary storage-descriptor replies and text offsets: the reading of a reply must stay inside
// it and give only printable texts, whatever offsets and bytes the driver sent.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device_port.h"
#include "fuzz_port.h"
#include "smart_drv.h"
#include "storage_property.h"

namespace {

using kestrine::Byte;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckText(const std::string& text, std::size_t reply_size) {
  Check(text.size() <= reply_size);
  Check(std::ranges::all_of(text, [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 && b <= 0x7E;
  }));
}

using fuzz::ReplyPort;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // The first four bytes are an offset; the rest is the reply, in a buffer of exactly its size
  // so that any read past it is caught.
  const std::uint32_t offset = kestrine::ReadLe32(std::span<const Byte>(data, 4), 0);
  const std::vector<Byte> reply(data + 4, data + std::min<std::size_t>(size, 4 + 8192));

  CheckText(kestrine::ExtractDescriptorText(reply, offset), reply.size());
  // Offsets near the reply's end, where a text runs into it without a zero byte.
  if (!reply.empty()) {
    const auto last = static_cast<std::uint32_t>(reply.size() - 1);
    CheckText(
        kestrine::ExtractDescriptorText(reply, last - std::min<std::uint32_t>(last, offset & 0xFF)),
        reply.size());
  }

  const kestrine::TDisk_Property parsed = kestrine::ParseStorageDeviceDescriptor(reply);
  for (const std::string* text :
       {&parsed.VendorId, &parsed.ProductId, &parsed.ProductRevision, &parsed.SerialNumber}) {
    CheckText(*text, reply.size());
  }
  Check(!parsed.BusType.empty());

  // The whole query over a reply the driver wrote into its 4096-byte buffer.
  // One drive layer for the run: its tables are large and the query does not touch them.
  static ReplyPort port;
  static kestrine::SmartDrv drv(port);
  port.SetReply(&reply);
  kestrine::TDisk_Property queried;
  Check(drv.QueryDiskProperty("\\\\.\\PHYSICALDRIVE0", queried));
  CheckText(queried.SerialNumber, kestrine::kPropertyReplySize);
  return 0;
}
