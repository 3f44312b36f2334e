// What a Windows NVMe driver answers to the drive layer's two NVMe requests, written once for
// every device that plays the driver (the simulated bay, the Linux port): the reply to a
// protocol-specific query around the data its command read, which protocol commands it lets
// through, and the reply to one that reached the controller.
#pragma once

#include <cstdint>
#include <span>

#include "bytes.h"
#include "nvme_command.h"
#include "nvme_query_block.h"

namespace kestrine {

// The descriptor, then `data` at the query's data offset, zero up to the query's data length,
// zero before the descriptor. `out` holds all of that (ReadNvmeProtocolQuery checked the query
// against the reply's size) and `data` is no longer than the query's data length. Returns the
// bytes returned: up to the end of the query's data.
std::uint32_t WriteNvmeQueryReply(const NvmeProtocolQuery& query, std::span<const Byte> data,
                                  std::span<Byte> out);

// The in-box driver carries only the Device Self-test through the protocol command, and of it
// only the short and extended tests on every namespace: nothing else an admin command could do
// to the drive.
bool NvmeProtocolCommandPasses(const NvmeCommand& command);

// The block as sent with the driver's status filled in: success for status 0, else the error
// with the controller's status, and the completion's dword 0. `out` is at least as long as `in`
// (they may be the same bytes). Returns the bytes returned: the block's length.
std::uint32_t WriteNvmeProtocolCommandReply(std::span<const Byte> in, std::uint16_t status,
                                            std::uint32_t result, std::span<Byte> out);

}  // namespace kestrine
