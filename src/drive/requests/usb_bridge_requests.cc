#include "usb_bridge_requests.h"

#include <algorithm>

#include "big_endian.h"

namespace kestrine {

namespace {

void WriteBe24(std::span<Byte> bytes, std::size_t offset, std::uint32_t value) {
  WriteBe(bytes, offset, 3, value);
}

std::uint32_t LogDwordsField(std::uint32_t length) {
  return ((length / 4 - 1) & 0xFFFF) << 16;
}

// ASMedia and Realtek carry Identify of the controller or of namespace 1, and Get Log Page of
// the controller, without CDW11.
bool CarriedByCdbBridges(const NvmeCommand& command) {
  if (command.cdw11 != 0) return false;
  if (command.opcode == kNvmeIdentify) {
    return (command.cdw10 == kCnsController && command.nsid == 0) ||
           (command.cdw10 == kCnsNamespace && command.nsid == kFirstNamespace);
  }
  return command.opcode == kNvmeGetLogPage && (command.nsid == 0 || command.nsid == kAllNamespaces);
}

// The namespace ASMedia and Realtek address, which their CDBs do not carry.
std::uint32_t CdbBridgeNamespace(Byte opcode, std::uint32_t cdw10) {
  if (opcode != kNvmeIdentify) return kAllNamespaces;
  return cdw10 == kCnsNamespace ? kFirstNamespace : 0;
}

ScsiCommand JMicronCdb(Byte phase, ScsiDataDirection direction, std::uint32_t length) {
  using namespace jmicron;
  ScsiCommand scsi;
  scsi.cdb_length = kCdbLength;
  scsi.cdb[0] = kOpcode;
  scsi.cdb[kProtocolByte] = static_cast<Byte>(kAdmin | phase);
  WriteBe24(scsi.cdb, kLength, length);
  scsi.direction = direction;
  scsi.length = length;
  return scsi;
}

std::optional<BridgeRequest> BuildJMicron(const NvmeCommand& command) {
  using namespace jmicron;
  if (command.opcode != kNvmeIdentify && command.opcode != kNvmeGetLogPage &&
      command.opcode != kNvmeDeviceSelfTest) {
    return std::nullopt;
  }
  std::uint32_t cdw10 = command.cdw10;
  std::uint32_t cdw11 = command.cdw11;
  std::uint32_t carried = command.data_length;
  if (command.opcode == kNvmeGetLogPage && (cdw10 & 0xFF) == kLogSelfTest &&
      carried > kSelfTestLogLimit) {
    carried = kSelfTestLogLimit;
    cdw10 = (cdw10 & 0xFF) | LogDwordsField(carried);
    cdw11 = 0;
  }
  ScsiCommand block = JMicronCdb(kPhaseCommand, ScsiDataDirection::Out, kBlockSize);
  block.out.assign(kBlockSize, Byte{0});
  WriteLe32(block.out, kSignature, kSignatureValue);
  WriteLe32(block.out, kCommandOpcode, command.opcode);
  WriteLe32(block.out, kCommandNsid, command.nsid);
  WriteLe32(block.out, kCommandCdw10, cdw10);
  WriteLe32(block.out, kCommandCdw11, cdw11);

  BridgeRequest request;
  request.phases.push_back(std::move(block));
  request.phases.push_back(carried == 0 ? JMicronCdb(kPhaseNonData, ScsiDataDirection::None, 0)
                                        : JMicronCdb(kPhaseDataIn, ScsiDataDirection::In, carried));
  request.phases.push_back(JMicronCdb(kPhaseCompletion, ScsiDataDirection::In, kBlockSize));
  request.data_phase = 1;
  request.carried = carried;
  request.completion_phase = true;
  return request;
}

std::optional<BridgeRequest> BuildASMedia(const NvmeCommand& command) {
  using namespace asmedia;
  if (!CarriedByCdbBridges(command) || command.data_length == 0) return std::nullopt;
  ScsiCommand scsi;
  scsi.cdb_length = kCdbLength;
  scsi.cdb[0] = kOpcode;
  scsi.cdb[kNvmeOpcode] = command.opcode;
  scsi.cdb[kCdw10Low] = static_cast<Byte>(command.cdw10);
  WriteBe16(scsi.cdb, kCdw10High, command.cdw10 >> 16);
  // CDW12 and CDW13 (the log page offset) stay 0.
  scsi.direction = ScsiDataDirection::In;
  scsi.length = command.data_length;
  BridgeRequest request;
  request.phases.push_back(std::move(scsi));
  request.carried = command.data_length;
  return request;
}

std::optional<BridgeRequest> BuildRealtek(const NvmeCommand& command) {
  using namespace realtek;
  if (!CarriedByCdbBridges(command) || command.data_length == 0) return std::nullopt;
  std::uint32_t length = command.data_length;
  if (command.opcode == kNvmeGetLogPage) length = std::min(length, kLogLimit);
  if (length > 0xFFFF) return std::nullopt;
  ScsiCommand scsi;
  scsi.cdb_length = kCdbLength;
  scsi.cdb[0] = kOpcode;
  WriteLe16(scsi.cdb, kLength, static_cast<std::uint16_t>(length));
  scsi.cdb[kNvmeOpcode] = command.opcode;
  scsi.cdb[kCdw10Low] = static_cast<Byte>(command.cdw10);
  scsi.direction = ScsiDataDirection::In;
  scsi.length = length;
  BridgeRequest request;
  request.phases.push_back(std::move(scsi));
  request.carried = length;
  return request;
}

bool AllZero(std::span<const Byte> bytes) {
  return std::ranges::all_of(bytes, [](Byte b) { return b == 0; });
}

}  // namespace

std::string_view UsbBridgeName(UsbBridge bridge) {
  switch (bridge) {
    case UsbBridge::JMicron:
      return "JMicron";
    case UsbBridge::ASMedia:
      return "ASMedia";
    case UsbBridge::Realtek:
      return "Realtek";
  }
  return "";
}

std::optional<BridgeRequest> BuildBridgeRequest(UsbBridge bridge, const NvmeCommand& command) {
  switch (bridge) {
    case UsbBridge::JMicron:
      return BuildJMicron(command);
    case UsbBridge::ASMedia:
      return BuildASMedia(command);
    case UsbBridge::Realtek:
      return BuildRealtek(command);
  }
  return std::nullopt;
}

std::optional<Byte> JMicronPhase(std::span<const Byte> cdb) {
  using namespace jmicron;
  if (cdb.size() != kCdbLength || cdb[0] != kOpcode || (cdb[kProtocolByte] & kAdmin) == 0) {
    return std::nullopt;
  }
  return static_cast<Byte>(cdb[kProtocolByte] & ~kAdmin);
}

bool IsUsbBridgeCdb(std::span<const Byte> cdb) {
  if (cdb.size() == asmedia::kCdbLength && cdb[0] == asmedia::kOpcode) return true;
  if (cdb.size() == realtek::kCdbLength && cdb[0] == realtek::kOpcode) return true;
  return JMicronPhase(cdb).has_value();
}

std::optional<NvmeCommand> ReadBridgeCommand(UsbBridge bridge, std::span<const Byte> cdb,
                                             std::uint32_t length, std::span<const Byte> out) {
  switch (bridge) {
    case UsbBridge::JMicron: {
      using namespace jmicron;
      if (JMicronPhase(cdb) != kPhaseCommand || ReadBe(cdb, kLength, 3) != kBlockSize ||
          out.size() != kBlockSize || ReadLe32(out, kSignature) != kSignatureValue) {
        return std::nullopt;
      }
      const std::uint32_t opcode = ReadLe32(out, kCommandOpcode);
      // CDW12 to CDW15 carry nothing any command here uses.
      if (opcode > 0xFF || !AllZero(out.subspan(kCommandCdw11 + 4, 16))) return std::nullopt;
      return NvmeCommand{static_cast<Byte>(opcode), ReadLe32(out, kCommandNsid),
                         ReadLe32(out, kCommandCdw10), ReadLe32(out, kCommandCdw11), 0};
    }
    case UsbBridge::ASMedia: {
      using namespace asmedia;
      if (cdb.size() != kCdbLength || cdb[0] != kOpcode || cdb[2] != 0 || cdb[4] != 0 ||
          cdb[5] != 0 || !AllZero(cdb.subspan(kCdw13, 8))) {
        return std::nullopt;
      }
      const std::uint32_t cdw10 = cdb[kCdw10Low] | (std::uint32_t{ReadBe16(cdb, kCdw10High)} << 16);
      return NvmeCommand{cdb[kNvmeOpcode], CdbBridgeNamespace(cdb[kNvmeOpcode], cdw10), cdw10, 0,
                         length};
    }
    case UsbBridge::Realtek: {
      using namespace realtek;
      if (cdb.size() != kCdbLength || cdb[0] != kOpcode || !AllZero(cdb.subspan(kCdw10Low + 1))) {
        return std::nullopt;
      }
      length = ReadLe16(cdb, kLength);
      const Byte opcode = cdb[kNvmeOpcode];
      std::uint32_t cdw10 = cdb[kCdw10Low];
      // The bridge asks the controller for the log length the CDB gives.
      if (opcode == kNvmeGetLogPage && length >= 4) cdw10 |= LogDwordsField(length);
      return NvmeCommand{opcode, CdbBridgeNamespace(opcode, cdw10), cdw10, 0, length};
    }
  }
  return std::nullopt;
}

std::optional<std::uint16_t> ReadJMicronCompletion(
    std::span<const Byte, jmicron::kBlockSize> block) {
  using namespace jmicron;
  if (ReadLe32(block, kSignature) != kSignatureValue) return std::nullopt;
  return static_cast<std::uint16_t>(ReadLe32(block, kCompletionStatus) >> kCompletionStatusShift);
}

std::array<Byte, jmicron::kBlockSize> BuildJMicronCompletion(std::uint16_t status) {
  using namespace jmicron;
  std::array<Byte, kBlockSize> block{};
  WriteLe32(block, kSignature, kSignatureValue);
  WriteLe32(block, kCompletionStatus, std::uint32_t{status} << kCompletionStatusShift);
  return block;
}

bool IsBridgeReadCommand(UsbBridge bridge, const NvmeCommand& command) {
  return std::ranges::any_of(kBridgeReadCommands, [&](const BridgeReadCommand& allowed) {
    return allowed.bridge == bridge && allowed.opcode == command.opcode &&
           allowed.selector == (command.cdw10 & 0xFF);
  });
}

}  // namespace kestrine
