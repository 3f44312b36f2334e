#include "sg_io_exchange.h"

#include <algorithm>
#include <cstdint>

namespace kestrine {

namespace {

constexpr std::size_t kSenseBufferSize = 255;  // the most mx_sb_len can ask for
constexpr Byte kAtaSenseCapacity = 64;         // room for the ATA status return descriptor

// Sense data formats (response codes, without the VALID bit).
constexpr Byte kResponseCodeMask = 0x7F;
constexpr Byte kFixedCurrent = 0x70;
constexpr Byte kFixedDeferred = 0x71;
constexpr Byte kDescriptorCurrent = 0x72;
constexpr Byte kDescriptorDeferred = 0x73;
constexpr Byte kFixedValid = 0x80;

// Fixed format: sense key, ASC, ASCQ; for ATA pass-through the INFORMATION field holds error,
// status, device and count, and the COMMAND-SPECIFIC INFORMATION the extend flag and the LBA.
constexpr std::size_t kFixedKey = 2;
constexpr std::size_t kFixedError = 3;
constexpr std::size_t kFixedStatus = 4;
constexpr std::size_t kFixedDevice = 5;
constexpr std::size_t kFixedCount = 6;
constexpr std::size_t kFixedLbaLow = 9;
constexpr std::size_t kFixedLbaMid = 10;
constexpr std::size_t kFixedLbaHigh = 11;
constexpr std::size_t kFixedAsc = 12;
constexpr std::size_t kFixedAscq = 13;
constexpr std::size_t kFixedAtaSize = 12;

// Descriptor format: key, ASC, ASCQ, additional length, then descriptors from byte 8.
constexpr std::size_t kDescKey = 1;
constexpr std::size_t kDescAsc = 2;
constexpr std::size_t kDescAscq = 3;
constexpr std::size_t kDescAdditionalLength = 7;
constexpr std::size_t kDescFirst = 8;
// ATA Status Return descriptor.
constexpr Byte kAtaStatusReturn = 0x09;
constexpr Byte kAtaStatusReturnLength = 0x0C;
constexpr std::size_t kAtaDescExtend = 2;
constexpr std::size_t kAtaDescError = 3;
constexpr std::size_t kAtaDescCount = 5;
constexpr std::size_t kAtaDescLbaLow = 7;
constexpr std::size_t kAtaDescLbaMid = 9;
constexpr std::size_t kAtaDescLbaHigh = 11;
constexpr std::size_t kAtaDescDevice = 12;
constexpr std::size_t kAtaDescStatus = 13;
constexpr std::size_t kAtaDescSize = 14;

constexpr Byte kAtaStatusError = 0x01;        // ERR
constexpr Byte kAtaStatusDeviceFault = 0x20;  // DF

std::optional<AtaReturned> FixedAtaRegisters(std::span<const Byte> s) {
  if (s.size() < kFixedAtaSize) return std::nullopt;
  AtaReturned ata;
  ata.current.features = s[kFixedError];
  ata.current.command = s[kFixedStatus];
  ata.current.device = s[kFixedDevice];
  ata.current.count = s[kFixedCount];
  ata.current.lba_low = s[kFixedLbaLow];
  ata.current.lba_mid = s[kFixedLbaMid];
  ata.current.lba_high = s[kFixedLbaHigh];
  // This format has room only for flags telling that the 48-bit high-order bytes are non-zero,
  // not for the bytes: they stay unknown (not `extended`).
  return ata;
}

AtaReturned DescriptorAtaRegisters(std::span<const Byte> d) {
  AtaReturned ata;
  ata.extended = (d[kAtaDescExtend] & 0x01) != 0;
  ata.current.features = d[kAtaDescError];
  ata.current.count = d[kAtaDescCount];
  ata.current.lba_low = d[kAtaDescLbaLow];
  ata.current.lba_mid = d[kAtaDescLbaMid];
  ata.current.lba_high = d[kAtaDescLbaHigh];
  ata.current.device = d[kAtaDescDevice];
  ata.current.command = d[kAtaDescStatus];
  if (ata.extended) {
    ata.previous.count = d[kAtaDescCount - 1];
    ata.previous.lba_low = d[kAtaDescLbaLow - 1];
    ata.previous.lba_mid = d[kAtaDescLbaMid - 1];
    ata.previous.lba_high = d[kAtaDescLbaHigh - 1];
  }
  return ata;
}

}  // namespace

bool SgIoReply::TransportOk() const {
  const std::uint16_t driver = driver_status & scsi::kDriverStatusMask;
  return delivered && host_status == 0 && (driver == 0 || driver == scsi::kDriverSense);
}

SgIoReply Execute(SgIoSystem& system, int fd, SgIoCommand& command) {
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

SenseSummary ParseSense(std::span<const Byte> s) {
  SenseSummary summary;
  if (s.empty()) return summary;
  const Byte code = s[0] & kResponseCodeMask;
  if (code == kFixedCurrent || code == kFixedDeferred) {
    if (s.size() > kFixedKey) summary.key = s[kFixedKey] & 0x0F;
    if (s.size() > kFixedAsc) summary.asc = s[kFixedAsc];
    if (s.size() > kFixedAscq) summary.ascq = s[kFixedAscq];
    // A SCSI/ATA translator marks the INFORMATION field valid when it holds the registers, and
    // says "ATA pass-through information available" when it returns them without an error.
    const bool information_available = s.size() > kFixedAscq && summary.asc == 0 &&
                                       summary.ascq == scsi::kAscqAtaInformationAvailable;
    if ((s[0] & kFixedValid) != 0 || information_available) summary.ata = FixedAtaRegisters(s);
  } else if (code == kDescriptorCurrent || code == kDescriptorDeferred) {
    if (s.size() < kDescFirst) return summary;
    summary.key = s[kDescKey] & 0x0F;
    summary.asc = s[kDescAsc];
    summary.ascq = s[kDescAscq];
    const std::size_t end = std::min(s.size(), kDescFirst + s[kDescAdditionalLength]);
    std::size_t at = kDescFirst;
    while (at + 2 <= end) {
      const Byte type = s[at];
      const std::size_t length = s[at + 1];
      if (type == kAtaStatusReturn && length >= kAtaStatusReturnLength &&
          at + kAtaDescSize <= end) {
        summary.ata = DescriptorAtaRegisters(s.subspan(at, kAtaDescSize));
        break;
      }
      at += 2 + length;
    }
  }
  return summary;
}

SgIoCommand BuildAtaPassThrough16(const AtaCommand& command) {
  using namespace ata16;
  SgIoCommand sg;
  const bool data_in = command.data_in && command.length != 0;
  sg.cdb_length = kCdbLength;
  sg.cdb[0] = kOpcode;
  sg.cdb[1] = static_cast<Byte>((data_in ? kProtocolPioDataIn : kProtocolNonData) |
                                (command.previous ? kExtend : 0));
  sg.cdb[2] = data_in
                  ? static_cast<Byte>(kTransferFromDevice | kLengthInBlocks | kLengthInSectorCount)
                  : kCheckCondition;
  if (command.previous) {
    sg.cdb[kFeatures - 1] = command.previous->features;
    sg.cdb[kCount - 1] = command.previous->count;
    sg.cdb[kLbaLow - 1] = command.previous->lba_low;
    sg.cdb[kLbaMid - 1] = command.previous->lba_mid;
    sg.cdb[kLbaHigh - 1] = command.previous->lba_high;
  }
  sg.cdb[kFeatures] = command.current.features;
  sg.cdb[kCount] = command.current.count;
  sg.cdb[kLbaLow] = command.current.lba_low;
  sg.cdb[kLbaMid] = command.current.lba_mid;
  sg.cdb[kLbaHigh] = command.current.lba_high;
  sg.cdb[kDevice] = command.current.device;
  sg.cdb[kCommand] = command.current.command;
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
