#include "nvme_driver_reply.h"

#include <algorithm>

#include "nvme_protocol_command_block.h"

namespace kestrine {

std::uint32_t WriteNvmeQueryReply(const NvmeProtocolQuery& query, std::span<const Byte> data,
                                  std::span<Byte> out) {
  const std::size_t start = nvme_query::kProtocolSpecificData + query.data_offset;
  const std::size_t end = start + query.data_length;
  std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(start), Byte{0});
  WriteNvmeProtocolDescriptor(out, query);
  // std::copy, not std::ranges::copy: GCC 12's ranges::copy from const to non-const bytes copies
  // one byte at a time, and a 4 KiB Identify block is most of an NVMe refresh.
  Byte* const data_at = out.data() + start;
  std::copy(data.begin(), data.end(), data_at);
  std::fill(data_at + data.size(), out.data() + end, Byte{0});
  return static_cast<std::uint32_t>(end);
}

bool NvmeProtocolCommandPasses(const NvmeCommand& command) {
  return command.opcode == kNvmeDeviceSelfTest && command.nsid == kAllNamespaces &&
         command.cdw11 == 0 && (command.cdw10 == kStcShort || command.cdw10 == kStcExtended);
}

std::uint32_t WriteNvmeProtocolCommandReply(std::span<const Byte> in, std::uint16_t status,
                                            std::uint32_t result, std::span<Byte> out) {
  using namespace nvme_protocol_command;
  if (out.data() != in.data()) std::copy(in.begin(), in.end(), out.data());
  WriteLe32(out, kReturnStatus, status == 0 ? kStatusSuccess : kStatusError);
  WriteLe32(out, kErrorCode, status);
  WriteLe32(out, kFixedProtocolReturnData, result);
  return static_cast<std::uint32_t>(in.size());
}

}  // namespace kestrine
