#include "nvme_requests.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "nvme_admin_exchange.h"
#include "nvme_command.h"
#include "nvme_driver_reply.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"

namespace kestrine {

bool AnswerNvmeProtocolQuery(LinuxSystemCalls& system, int fd, std::span<const Byte> in,
                             std::span<Byte> out, std::uint32_t timeout_ms,
                             std::uint32_t& bytes_returned) {
  const std::optional<NvmeProtocolQuery> query = ReadNvmeProtocolQuery(in, out.size());
  if (!query) return false;
  const std::optional<NvmeCommand> command = NvmeCommandForQuery(*query);
  if (!command) return false;
  std::vector<Byte> data(command->data_length, Byte{0});
  if (!ExecuteNvmeAdmin(system, fd, *command, data, timeout_ms).Succeeded()) return false;

  bytes_returned = WriteNvmeQueryReply(*query, data, out);
  return true;
}

bool AnswerNvmeProtocolCommand(LinuxSystemCalls& system, int fd, std::span<const Byte> in,
                               std::span<Byte> out, std::uint32_t timeout_ms,
                               std::uint32_t& bytes_returned) {
  using namespace nvme_protocol_command;
  const std::optional<NvmeCommand> command = ReadNvmeProtocolCommandBlock(in);
  if (!command || out.size() < in.size() || !NvmeProtocolCommandPasses(*command)) return false;
  constexpr std::uint32_t kLongestTimeOutSeconds = 0xFFFFFFFF / 1000;
  const std::uint32_t requested = std::min(ReadLe32(in, kTimeOutValue), kLongestTimeOutSeconds);
  const NvmeAdminReply reply =
      ExecuteNvmeAdmin(system, fd, *command, {}, std::max(timeout_ms, requested * 1000));
  if (!reply.delivered) return false;

  bytes_returned = WriteNvmeProtocolCommandReply(in, reply.status, reply.result, out);
  return true;
}

}  // namespace kestrine
