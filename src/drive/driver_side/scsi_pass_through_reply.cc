#include "scsi_pass_through_reply.h"

#include <algorithm>

#include "sat_pass_through_block.h"

namespace kestrine {

std::uint32_t WriteScsiPassThroughReply(std::span<const Byte> in,
                                        const ScsiPassThroughRequest& request, Byte status,
                                        std::span<const Byte> sense, std::span<const Byte> data,
                                        std::uint32_t moved, std::span<Byte> out) {
  using namespace sat_block;
  if (out.data() != in.data()) std::copy_n(in.begin(), kHeaderSize, out.begin());
  out[kScsiStatus] = status;
  WriteLe32(out, kDataTransferLength, request.length == 0 ? 0 : moved);
  std::size_t end = kHeaderSize;
  const std::size_t sense_bytes = std::min<std::size_t>(sense.size(), request.sense_length);
  if (sense_bytes != 0) {
    std::copy_n(sense.begin(), sense_bytes, out.begin() + request.sense_offset);
    end = std::max<std::size_t>(end, request.sense_offset + sense_bytes);
  }
  if (request.length != 0 && request.direction == kScsiIoctlDataIn) {
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), request.length),
                out.begin() + request.data_offset);
    end = std::max<std::size_t>(end, request.data_offset + moved);
  }
  return static_cast<std::uint32_t>(end);
}

}  // namespace kestrine
