// The USB bridges' requests byte for byte against literal images, which commands each bridge
// carries, the SCSI_PASS_THROUGH block they travel in, and which bridge a USB id names.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "block_bytes.h"
#include "scsi_pass_through_block.h"
#include "usb_bridge_detect.h"
#include "usb_bridge_requests.h"

namespace kestrine {
namespace {

using testing::AllZeroFrom;
using testing::Head;
using Bytes = std::vector<Byte>;

Bytes Cdb(const ScsiCommand& command) {
  return Bytes(command.cdb.begin(), command.cdb.begin() + command.cdb_length);
}

constexpr auto kIn = ScsiDataDirection::In;
constexpr auto kNone = ScsiDataDirection::None;

// Bytes written as hexadecimal pairs, spaces between groups ignored.
Bytes Hex(std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == ' ') continue;
    bytes.push_back(static_cast<Byte>(std::stoi(std::string(text.substr(i++, 2)), nullptr, 16)));
  }
  return bytes;
}

TEST(UsbBridgeRequest, JMicronSendsTheCommandBlockThenTheDataThenReadsTheCompletion) {
  const struct {
    const char* what;
    NvmeCommand command;
    const char* block_head;   // "NVME", opcode, namespace
    const char* block_cdw10;  // CDW10, CDW11 at 48
    const char* data_cdb;
    std::uint32_t carried;
  } cases[] = {
      {"Identify Controller", IdentifyControllerCommand(), "4E564D45 00000000 06000000 00000000",
       "01000000 00000000", "A1 82 00 001000 000000000000", 4096},
      {"the self-test log, cut to 536 bytes", SelfTestLogCommand(),
       "4E564D45 00000000 02000000 FFFFFFFF", "06008500 00000000", "A1 82 00 000218 000000000000",
       536},
      {"a short self-test", DeviceSelfTestCommand(kStcShort), "4E564D45 00000000 14000000 FFFFFFFF",
       "01000000 00000000", "A1 81 00 000000 000000000000", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto request = BuildBridgeRequest(UsbBridge::JMicron, c.command);
    ASSERT_TRUE(request);
    ASSERT_EQ(request->phases.size(), 3u);
    const ScsiCommand& block = request->phases[0];
    EXPECT_EQ(Cdb(block), Hex("A1 80 00 000200 000000000000"));
    EXPECT_EQ(block.direction, ScsiDataDirection::Out);
    ASSERT_EQ(block.out.size(), 512u);
    EXPECT_EQ(Head(block.out, 16), Hex(c.block_head));
    EXPECT_EQ(Bytes(block.out.begin() + 48, block.out.begin() + 56), Hex(c.block_cdw10));
    EXPECT_TRUE(AllZeroFrom(block.out, 56));
    EXPECT_EQ(Cdb(request->phases[1]), Hex(c.data_cdb));
    EXPECT_EQ(request->phases[1].direction, c.carried == 0 ? kNone : kIn);
    EXPECT_EQ(request->phases[1].length, c.carried);
    EXPECT_EQ(request->carried, c.carried);
    EXPECT_EQ(Cdb(request->phases[2]), Hex("A1 8F 00 000200 000000000000"));
    EXPECT_EQ(request->phases[2].length, 512u);
  }
}

TEST(UsbBridgeRequest, ASMediaAndRealtekCarryTheCommandInOneCdb) {
  const NvmeCommand error_log = GetLogPageCommand(kLogError, kAllNamespaces, 256);
  const struct {
    UsbBridge bridge;
    NvmeCommand command;
    const char* cdb;
    std::uint32_t length;
  } cases[] = {
      {UsbBridge::ASMedia, IdentifyControllerCommand(), "E6 06 00 01 0000 0000 00000000 00000000",
       4096},
      {UsbBridge::ASMedia, IdentifyNamespaceCommand(1), "E6 06 00 00 0000 0000 00000000 00000000",
       4096},
      {UsbBridge::ASMedia, HealthLogCommand(), "E6 02 00 02 0000 007F 00000000 00000000", 512},
      {UsbBridge::ASMedia, SelfTestLogCommand(), "E6 02 00 06 0000 008C 00000000 00000000", 564},
      {UsbBridge::ASMedia, error_log, "E6 02 00 01 0000 003F 00000000 00000000", 256},
      {UsbBridge::Realtek, IdentifyControllerCommand(), "E4 0010 06 01 000000 0000000000000000",
       4096},
      {UsbBridge::Realtek, IdentifyNamespaceCommand(1), "E4 0010 06 00 000000 0000000000000000",
       4096},
      {UsbBridge::Realtek, HealthLogCommand(), "E4 0002 02 02 000000 0000000000000000", 512},
      // Past 512 bytes the bridge returns stale data: the log is read to 512.
      {UsbBridge::Realtek, SelfTestLogCommand(), "E4 0002 02 06 000000 0000000000000000", 512},
      {UsbBridge::Realtek, error_log, "E4 0001 02 01 000000 0000000000000000", 256},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cdb);
    const auto request = BuildBridgeRequest(c.bridge, c.command);
    ASSERT_TRUE(request);
    ASSERT_EQ(request->phases.size(), 1u);
    EXPECT_EQ(Cdb(request->phases[0]), Hex(c.cdb));
    EXPECT_EQ(request->phases[0].direction, kIn);
    EXPECT_EQ(request->phases[0].length, c.length);
    EXPECT_EQ(request->carried, c.length);
  }
  // Neither carries Device Self-test, another namespace's Identify or a namespace's log.
  for (const UsbBridge bridge : {UsbBridge::ASMedia, UsbBridge::Realtek}) {
    EXPECT_FALSE(BuildBridgeRequest(bridge, DeviceSelfTestCommand(kStcShort)));
    EXPECT_FALSE(BuildBridgeRequest(bridge, IdentifyNamespaceCommand(2)));
    EXPECT_FALSE(BuildBridgeRequest(bridge, GetLogPageCommand(kLogHealth, 1, 512)));
  }
}

TEST(UsbBridgeRequest, TheBlockCarriesTheCommandBlockOutAndRoomForTheDataIn) {
  const auto request = BuildBridgeRequest(UsbBridge::JMicron, IdentifyControllerCommand());
  const Bytes out = BuildScsiPassThroughBlock(request->phases[0], kBridgeTimeOutSeconds);
  // Length 44, CDB length 12, sense 24, DataIn 0 (out), 512 bytes, 10 s, data at 80, sense at
  // 48, the CDB; then the filler and the sense area, and the command block at 80.
  EXPECT_EQ(Head(out, 44), Hex("2C00 000000 00 0C 18 00 000000 00020000 0A000000 50000000 30000000"
                               "A1800000 02000000 00000000 00000000"));
  EXPECT_EQ(Bytes(out.begin() + 44, out.begin() + 84),
            Hex("00000000" + std::string(64, '0') + "4E564D45"));
  EXPECT_EQ(out.size(), 592u);
  EXPECT_EQ(ScsiPassThroughInSize(request->phases[0]), 592u);

  const Bytes in = BuildScsiPassThroughBlock(request->phases[1], kBridgeTimeOutSeconds);
  EXPECT_EQ(in.size(), 80u + 4096u);
  EXPECT_EQ(Bytes(in.begin() + 8, in.begin() + 16), Hex("01 000000 00100000"));  // in, 4096
  EXPECT_EQ(ScsiPassThroughInSize(request->phases[1]), 44u);
}

TEST(UsbBridgeDetect, KnownIdsNameTheirBridgeAndTheProbeOrderFollows) {
  using enum UsbBridge;
  const struct {
    UsbId id;
    std::optional<UsbBridge> bridge;
  } cases[] = {
      {{0x152D, 0xA583}, JMicron},
      {{0x152D, 0x0583}, JMicron},  // JMicron's default ids, worn by SATA bridges too
      {{0x174C, 0x2362}, ASMedia},
      {{0x0BDA, 0x9210}, Realtek},
      {{0x30DE, 0x1000}, JMicron},       // the table's last
      {{0x0411, 0x039D}, ASMedia},       // and first
      {{0x152D, 0x0578}, std::nullopt},  // a JMicron SATA bridge: not in the table
  };
  const std::vector<UsbBridge> careful = {Realtek, ASMedia, JMicron};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id.vendor) + ":" + std::to_string(c.id.product));
    const auto known = BridgeProtocolFor(c.id.vendor, c.id.product);
    EXPECT_EQ(known.has_value(), c.bridge.has_value());
    if (known) {
      EXPECT_EQ(known->bridge, c.bridge);
    }
    EXPECT_EQ(UsbProbeOrder(c.id), c.bridge ? std::vector{*c.bridge} : careful);
  }
  EXPECT_EQ(UsbProbeOrder(std::nullopt), careful);
}

}  // namespace
}  // namespace kestrine
