#include "ata_pass_through_reply.h"

#include <algorithm>

#include "ata_pass_through_block.h"

namespace kestrine {

AtaRegisters CompletionRegisters(const AtaRegisters& sent, bool aborted) {
  AtaRegisters returned = sent;
  returned.features = aborted ? kAtaErrorAborted : Byte{0};
  returned.command = aborted ? kAtaStatusReadyError : kAtaStatusReady;
  return returned;
}

std::uint32_t WriteAtaPassThroughReply(std::span<const Byte> in,
                                       const AtaPassThroughRequest& request,
                                       const AtaRegisters& current,
                                       const std::optional<AtaRegisters>& previous,
                                       std::span<const Byte> data, std::span<Byte> out) {
  using namespace ata_block;
  std::copy_n(in.begin(), kHeaderSize, out.begin());
  WriteRegisters(CurrentTaskFile(out), kIdeRegs, current);
  if (previous) {
    WriteRegisters(out.subspan(kPreviousTaskFile, kIdeRegsSize), kIdeRegs, *previous);
  }
  if (data.empty()) return static_cast<std::uint32_t>(kHeaderSize);
  std::copy(data.begin(), data.end(), out.data() + request.data_offset);
  return static_cast<std::uint32_t>(request.data_offset + data.size());
}

}  // namespace kestrine
