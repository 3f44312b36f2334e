#include "nvme_requests.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "nvme_admin_exchange.h"
#include "nvme_command.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"

namespace kestrine {

bool AnswerNvmeProtocolQuery(SgIoSystem& system, int fd, std::span<const Byte> in,
                             std::span<Byte> out, std::uint32_t timeout_ms,
                             std::uint32_t& bytes_returned) {
  const std::optional<NvmeProtocolQuery> query = ReadNvmeProtocolQuery(in, out.size());
  if (!query) return false;
  const std::optional<NvmeCommand> command = NvmeCommandForQuery(*query);
  if (!command) return false;
  std::vector<Byte> data(command->data_length, Byte{0});
  if (!ExecuteNvmeAdmin(system, fd, *command, data, timeout_ms).Succeeded()) return false;

  // The query fits the reply (ReadNvmeProtocolQuery), and the command asks for no more than the
  // query's data length; what the command does not fill reads as zero.
  const std::size_t start = nvme_query::kProtocolSpecificData + query->data_offset;
  std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(start));
  std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(start + data.size()),
              query->data_length - data.size(), Byte{0});
  WriteNvmeProtocolDescriptor(out, *query);
  bytes_returned = static_cast<std::uint32_t>(start + query->data_length);
  return true;
}

bool AnswerNvmeProtocolCommand(SgIoSystem& system, int fd, std::span<const Byte> in,
                               std::span<Byte> out, std::uint32_t timeout_ms,
                               std::uint32_t& bytes_returned) {
  using namespace nvme_protocol_command;
  const std::optional<NvmeCommand> command = ReadNvmeProtocolCommandBlock(in);
  if (!command || out.size() < in.size()) return false;
  // Only the self-test starts: nothing else that an admin command could do to the drive.
  const bool self_test = command->opcode == kNvmeDeviceSelfTest &&
                         command->nsid == kAllNamespaces && command->cdw11 == 0 &&
                         (command->cdw10 == kStcShort || command->cdw10 == kStcExtended);
  if (!self_test) return false;
  constexpr std::uint32_t kLongestTimeOutSeconds = 0xFFFFFFFF / 1000;
  const std::uint32_t requested = std::min(ReadLe32(in, kTimeOutValue), kLongestTimeOutSeconds);
  const NvmeAdminReply reply =
      ExecuteNvmeAdmin(system, fd, *command, {}, std::max(timeout_ms, requested * 1000));
  if (!reply.delivered) return false;

  std::copy(in.begin(), in.end(), out.begin());
  WriteLe32(out, kReturnStatus, reply.status == 0 ? kStatusSuccess : kStatusError);
  WriteLe32(out, kErrorCode, reply.status);
  WriteLe32(out, kFixedProtocolReturnData, reply.result);
  bytes_returned = static_cast<std::uint32_t>(in.size());
  return true;
}

}  // namespace kestrine
