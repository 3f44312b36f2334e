#include "ata_pass_through_cdb.h"

namespace kestrine {

namespace {

constexpr RegisterLayout kCdb12{.features = 3,
                                .count = 4,
                                .lba_low = 5,
                                .lba_mid = 6,
                                .lba_high = 7,
                                .device = 8,
                                .command = 9};
// In ATA PASS-THROUGH (16) the 48-bit high-order bytes sit one before each of the first five.
constexpr RegisterLayout kCdb16{.features = 4,
                                .count = 6,
                                .lba_low = 8,
                                .lba_mid = 10,
                                .lba_high = 12,
                                .device = 13,
                                .command = 14};

void WriteHighOrderBytes(std::span<Byte> cdb, const AtaRegisters& previous) {
  cdb[kCdb16.features - 1] = previous.features;
  cdb[kCdb16.count - 1] = previous.count;
  cdb[kCdb16.lba_low - 1] = previous.lba_low;
  cdb[kCdb16.lba_mid - 1] = previous.lba_mid;
  cdb[kCdb16.lba_high - 1] = previous.lba_high;
}

}  // namespace

void WriteAtaPassThrough12(std::span<Byte> cdb, Byte protocol, Byte flags,
                           const AtaRegisters& registers) {
  cdb[0] = ata_cdb::kOpcode12;
  cdb[ata_cdb::kProtocolByte] = protocol;
  cdb[ata_cdb::kFlagsByte] = flags;
  WriteRegisters(cdb, kCdb12, registers);
}

void WriteAtaPassThrough16(std::span<Byte> cdb, Byte protocol, Byte flags,
                           const AtaRegisters& current,
                           const std::optional<AtaRegisters>& previous) {
  cdb[0] = ata_cdb::kOpcode16;
  cdb[ata_cdb::kProtocolByte] = static_cast<Byte>(protocol | (previous ? ata_cdb::kExtend : 0));
  cdb[ata_cdb::kFlagsByte] = flags;
  if (previous) WriteHighOrderBytes(cdb, *previous);
  WriteRegisters(cdb, kCdb16, current);
}

std::optional<AtaCdbRequest> ReadAtaPassThroughCdb(std::span<const Byte> cdb, std::size_t length) {
  const RegisterLayout* layout = nullptr;
  if (cdb.empty()) return std::nullopt;
  if (cdb[0] == ata_cdb::kOpcode12 && length >= ata_cdb::kLength12) layout = &kCdb12;
  if (cdb[0] == ata_cdb::kOpcode16 && length >= ata_cdb::kLength16) layout = &kCdb16;
  if (layout == nullptr || cdb.size() < length) return std::nullopt;
  return AtaCdbRequest{.protocol_byte = cdb[ata_cdb::kProtocolByte],
                       .flags = cdb[ata_cdb::kFlagsByte],
                       .registers = ReadRegisters(cdb, *layout)};
}

}  // namespace kestrine
