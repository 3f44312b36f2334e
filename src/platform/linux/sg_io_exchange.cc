#include "sg_io_exchange.h"

#include <algorithm>
#include <cstdint>

#include "ata_pass_through_cdb.h"

namespace kestrine {

namespace {

constexpr std::size_t kSenseBufferSize = 255;  // the most mx_sb_len can ask for
constexpr Byte kAtaSenseCapacity = 64;         // room for the ATA status return descriptor

}  // namespace

bool SgIoReply::TransportOk() const {
  const std::uint16_t driver = driver_status & scsi::kDriverStatusMask;
  return delivered && host_status == 0 && (driver == 0 || driver == scsi::kDriverSense);
}

SgIoReply Execute(LinuxSystemCalls& system, int fd, SgIoCommand& command) {
  std::array<Byte, kSenseBufferSize> sense{};
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = command.direction;
  header.cmd_len = command.cdb_length;
  header.mx_sb_len = command.sense_capacity;
  header.iovec_count = 0;
  header.dxfer_len = static_cast<unsigned int>(command.data.size());
  header.dxferp = command.data.empty() ? nullptr : command.data.data();
  header.cmdp = command.cdb.data();
  header.sbp = sense.data();
  header.timeout = command.timeout_ms;
  header.flags = 0;

  SgIoReply reply;
  reply.delivered = system.SgIo(fd, header) == 0;
  if (!reply.delivered) return reply;
  reply.status = header.status;
  reply.host_status = header.host_status;
  reply.driver_status = header.driver_status;
  const std::size_t sense_length =
      std::min<std::size_t>({header.sb_len_wr, command.sense_capacity, sense.size()});
  reply.sense.assign(sense.begin(), sense.begin() + static_cast<std::ptrdiff_t>(sense_length));
  const auto size = static_cast<std::uint32_t>(command.data.size());
  if (header.resid <= 0) {
    reply.transferred = size;
  } else {
    const auto resid = static_cast<std::uint32_t>(header.resid);
    reply.transferred = resid >= size ? 0 : size - resid;
  }
  return reply;
}

SgIoCommand BuildAtaPassThrough16(const AtaCommand& command) {
  using namespace ata_cdb;
  SgIoCommand sg;
  const bool data_in = command.data_in && command.length != 0;
  sg.cdb_length = kLength16;
  WriteAtaPassThrough16(sg.cdb, data_in ? kProtocolPioDataIn : kProtocolNonData,
                        data_in ? kSectorsFromDevice : kCheckCondition, command.current,
                        command.previous);
  sg.direction = data_in ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
  if (data_in) {
    const std::uint32_t blocks = (command.length + kBlockSize - 1) / kBlockSize;
    sg.data.assign(static_cast<std::size_t>(blocks) * kBlockSize, Byte{0});
  }
  sg.timeout_ms = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{command.timeout_seconds} * 1000, UINT32_MAX));
  sg.sense_capacity = kAtaSenseCapacity;
  return sg;
}

bool AtaPassThroughResult::DriveError() const {
  return registers && (registers->current.command & (kAtaStatusError | kAtaStatusDeviceFault)) != 0;
}

AtaPassThroughResult ReadAtaPassThroughReply(const SgIoReply& reply) {
  AtaPassThroughResult result;
  if (!reply.TransportOk()) return result;
  if (reply.status == scsi::kStatusGood) {
    result.completed = true;
    return result;
  }
  if (reply.status != scsi::kStatusCheckCondition) return result;  // busy, conflict, ...
  const SenseSummary sense = ParseSense(reply.sense);
  // The SCSI layer refused the command itself: the opcode or one of its fields.
  if (sense.key == scsi::kSenseIllegalRequest &&
      (sense.asc == scsi::kAscInvalidOpcode || sense.asc == scsi::kAscInvalidFieldInCdb)) {
    return result;
  }
  if (sense.ata) {
    result.completed = true;
    result.registers = sense.ata;
  } else if (sense.key == scsi::kSenseRecoveredError) {
    result.completed = true;
  }
  return result;
}

}  // namespace kestrine
