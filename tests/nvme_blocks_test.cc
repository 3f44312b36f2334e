// The NVMe request blocks byte for byte against literal images, and the driver's reading of them:
// what it refuses and which admin command it carries out.
#include <gtest/gtest.h>

#include <vector>

#include "block_bytes.h"
#include "device_port.h"
#include "nvme_admin_block.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"

namespace kestrine {
namespace {

using testing::AllZeroFrom;
using testing::Head;

TEST(NvmeQueryBlock, GoldenBytes) {
  struct Case {
    const char* name;
    std::vector<Byte> block;
    std::vector<Byte> head;
    std::size_t size;
  };
  const std::vector<Case> cases = {
      {"identify controller",
       BuildNvmeIdentifyControllerQuery(),
       {49, 0, 0, 0, 0, 0,    0, 0,   // StorageAdapterProtocolSpecificProperty, standard query
        3,  0, 0, 0, 1, 0,    0, 0,   // ProtocolTypeNvme, NVMeDataTypeIdentify
        1,  0, 0, 0, 0, 0,    0, 0,   // CNS 1, sub-value 0
        40, 0, 0, 0, 0, 0x10, 0, 0},  // data at 40, 4096 bytes
       48 + 4096},
      {"identify namespace 1",
       BuildNvmeIdentifyNamespaceQuery(1),
       {50, 0, 0, 0, 0, 0,    0, 0,  // StorageDeviceProtocolSpecificProperty
        3,  0, 0, 0, 1, 0,    0, 0,  //
        0,  0, 0, 0, 1, 0,    0, 0,  // CNS 0, namespace 1
        40, 0, 0, 0, 0, 0x10, 0, 0},
       48 + 4096},
      {"health log",
       BuildNvmeLogPageQuery(0x02, 512),
       {50, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0,  // NVMeDataTypeLogPage
        2,  0, 0, 0, 0, 0, 0, 0,                          // log 02h from offset 0
        40, 0, 0, 0, 0, 2, 0, 0},                         // 512 bytes
       48 + 512},
      {"self-test log",
       BuildNvmeLogPageQuery(0x06, 564),
       {50, 0, 0, 0, 0, 0, 0, 0, 3,  0, 0, 0, 2,    0, 0, 0,
        6,  0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 0x34, 2, 0, 0},  // 564 bytes
       48 + 564},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.block.size(), c.size);
    EXPECT_EQ(Head(c.block, 32), c.head);
    EXPECT_TRUE(AllZeroFrom(c.block, 32));  // FixedProtocolReturnData, sub-values 2-4, data
  }
}

TEST(NvmeQueryBlock, DriverCarriesOutWhatTheQueryAsks) {
  struct Case {
    const char* name;
    std::vector<Byte> block;
    NvmeCommand command;
  };
  const std::vector<Case> cases = {
      {"controller", BuildNvmeIdentifyControllerQuery(), {0x06, 0, 1, 0, 4096}},
      {"namespace 1", BuildNvmeIdentifyNamespaceQuery(1), {0x06, 1, 0, 0, 4096}},
      {"health", BuildNvmeLogPageQuery(0x02, 512), {0x02, 0xFFFFFFFF, 0x007F0002, 0, 512}},
      {"self-test", BuildNvmeLogPageQuery(0x06, 564), {0x02, 0xFFFFFFFF, 0x008C0006, 0, 564}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto query = ReadNvmeProtocolQuery(c.block, c.block.size());
    ASSERT_TRUE(query);
    EXPECT_EQ(NvmeCommandForQuery(*query), c.command);
    // The reply buffer must hold the data the query asks for.
    EXPECT_FALSE(ReadNvmeProtocolQuery(c.block, c.block.size() - 1));
  }
  EXPECT_EQ(NvmeCommandForQuery(*ReadNvmeProtocolQuery(BuildNvmeIdentifyControllerQuery(), 4144)),
            IdentifyControllerCommand());
}

TEST(NvmeQueryBlock, DriverRefusesMalformedQueries) {
  using namespace nvme_query;
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
  };
  const std::vector<Case> cases = {
      {"device property", kPropertyId, 0},
      {"exists query", kQueryType, 1},
      {"ATA protocol", kProtocolSpecificData + kProtocolType, 2},
      {"offset inside the protocol data", kProtocolSpecificData + kProtocolDataOffset, 39},
      {"offset past the buffer", kProtocolSpecificData + kProtocolDataOffset, 0xFFFFFFF0},
      {"length past the buffer", kProtocolSpecificData + kProtocolDataLength, 0xFFFFFFFF},
      {"log offset", kProtocolSpecificData + kRequestSubValue2, 1},
      {"log-specific field", kProtocolSpecificData + kRequestSubValue4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Byte> block = BuildNvmeLogPageQuery(0x02, 512);
    WriteLe32(block, c.at, c.value);
    EXPECT_FALSE(ReadNvmeProtocolQuery(block, block.size()));
  }
  EXPECT_FALSE(ReadNvmeProtocolQuery(std::vector<Byte>(47), 4096));

  // Well-formed queries the driver does not carry out.
  struct Refused {
    const char* name;
    NvmeProtocolQuery query;
  };
  const std::vector<Refused> refused = {
      {"controller through the device", {50, 1, 1, 0, 40, 4096}},
      {"namespace 0", {50, 1, 0, 0, 40, 4096}},
      {"namespace FFFFFFFFh", {50, 1, 0, 0xFFFFFFFF, 40, 4096}},
      {"short identify", {49, 1, 1, 0, 40, 512}},
      {"active namespace list", {49, 1, 2, 0, 40, 4096}},
      {"log offset", {50, 2, 2, 4, 40, 512}},
      {"log of 5 bytes", {50, 2, 2, 0, 40, 5}},
      {"log above 4 KiB", {50, 2, 2, 0, 40, 8192}},
      {"feature", {50, 3, 2, 0, 40, 512}},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.name);
    EXPECT_FALSE(NvmeCommandForQuery(r.query));
  }
}

TEST(NvmeQueryBlock, ReplyIsReadOnlyWhenTheDescriptorHoldsTheData) {
  std::vector<Byte> reply = BuildNvmeLogPageQuery(0x02, 512);
  const NvmeProtocolQuery query = *ReadNvmeProtocolQuery(reply, reply.size());
  WriteNvmeProtocolDescriptor(reply, query);
  reply[48] = 0xAB;
  const auto data = ReadNvmeProtocolReply(reply, 512);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size(), 512u);
  EXPECT_EQ((*data)[0], 0xAB);
  EXPECT_EQ(Head(reply, 8), (std::vector<Byte>{48, 0, 0, 0, 48, 0, 0, 0}));

  auto broken = [&](std::size_t at, std::uint32_t value) {
    std::vector<Byte> copy = reply;
    WriteLe32(copy, at, value);
    return ReadNvmeProtocolReply(copy, 512).has_value();
  };
  EXPECT_FALSE(broken(0, 40));        // Version
  EXPECT_FALSE(broken(4, 0));         // Size
  EXPECT_FALSE(broken(8 + 20, 511));  // fewer bytes than asked for
  EXPECT_FALSE(broken(8 + 16, 41));   // data running past the reply
  EXPECT_FALSE(broken(8 + 16, 0));    // data over the descriptor
  EXPECT_FALSE(ReadNvmeProtocolReply(std::span(reply).first(100), 512));
}

TEST(NvmeAdminBlock, GoldenBytes) {
  struct Case {
    const char* name;
    NvmeCommand command;
    std::vector<Byte> bytes;
  };
  // opcode, flags, rsvd, nsid | cdw2, cdw3 | metadata | addr | metadata_len, data_len |
  // cdw10 ... cdw15 | timeout_ms, result
  const std::vector<Case> cases = {
      {"identify controller",
       IdentifyControllerCommand(),
       {0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 1,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
      {"identify namespace 1",
       IdentifyNamespaceCommand(1),
       {0x06, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
      {"health log",
       HealthLogCommand(),
       {0x02, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    2, 0, 0, 0x02, 0,    0x7F, 0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
      {"self-test log",
       SelfTestLogCommand(),
       {0x02, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0x34, 2, 0, 0, 0x06, 0,    0x8C, 0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
      {"short self-test",
       DeviceSelfTestCommand(kStcShort),
       {0x14, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 1,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
      {"extended self-test",
       DeviceSelfTestCommand(kStcExtended),
       {0x14, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 2,    0,    0,    0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0,
        0,    0, 0, 0, 0,    0,    0,    0,    0, 0, 0x60, 0xEA, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const NvmeAdminBlock block = BuildNvmeAdminBlock(c.command);
    EXPECT_EQ(std::vector<Byte>(block.begin(), block.end()), c.bytes);
    EXPECT_EQ(ReadNvmeAdminBlock(block), c.command);
  }
}

TEST(NvmeAdminBlock, DriverSideRefusesFieldsNeverSent) {
  for (const std::size_t at : {nvme_admin::kFlags, nvme_admin::kCdw2, nvme_admin::kMetadata,
                               nvme_admin::kMetadataLen, nvme_admin::kCdw12, nvme_admin::kCdw15}) {
    SCOPED_TRACE(at);
    NvmeAdminBlock block = BuildNvmeAdminBlock(HealthLogCommand());
    block[at] = 1;
    EXPECT_FALSE(ReadNvmeAdminBlock(block));
  }
  EXPECT_FALSE(ReadNvmeAdminBlock(std::vector<Byte>(71)));
}

TEST(NvmeProtocolCommandBlock, GoldenBytes) {
  const NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(2));
  const std::vector<Byte> header = {
      1,    0, 0, 0, 84,   0,    0,    0,     // Version 1, Length 84
      3,    0, 0, 0, 0,    0,    0,    0x80,  // ProtocolTypeNvme, adapter request
      0,    0, 0, 0, 0,    0,    0,    0,     // ReturnStatus, ErrorCode
      64,   0, 0, 0, 64,   0,    0,    0,     // CommandLength, ErrorInfoLength
      0,    0, 0, 0, 0,    0,    0,    0,     // no data either way
      60,   0, 0, 0, 144,  0,    0,    0,     // 60 seconds, error information at 144
      0,    0, 0, 0, 0,    0,    0,    0,     // data offsets
      1,    0, 0, 0, 0,    0,    0,    0,     // admin command, Reserved0
      0,    0, 0, 0, 0,    0,    0,    0,     // FixedProtocolReturnData, Reserved1
      0,    0, 0, 0, 0,    0,    0,    0,
      0x14, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};  // opcode 14h, NSID FFFFFFFFh
  ASSERT_EQ(block.size(), 208u);
  EXPECT_EQ(Head(block, 88), header);
  EXPECT_TRUE(AllZeroFrom(std::span(block).subspan(88, 32), 0));
  EXPECT_EQ(block[80 + 40], 2);  // CDW10: STC 2
  EXPECT_TRUE(AllZeroFrom(block, 80 + 41));
  EXPECT_EQ(ReadNvmeProtocolCommandBlock(block), DeviceSelfTestCommand(2));
  EXPECT_EQ(kIoctlStorageProtocolCommand, 0x2DD3C0u);
}

TEST(NvmeProtocolCommandBlock, DriverRefusesMalformedBlocks) {
  using namespace nvme_protocol_command;
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
  };
  const std::vector<Case> cases = {
      {"version", kVersion, 2},
      {"length", kLength, 80},
      {"protocol", kProtocolType, 2},
      {"command length", kCommandLength, 32},
      {"I/O command", kCommandSpecific, 2},
      {"data to the device", kDataToDeviceTransferLength, 512},
      {"data from the device", kDataFromDeviceTransferLength, 512},
      {"error information past the block", kErrorInfoOffset, 200},
      {"error information over the command", kErrorInfoOffset, 100},
      {"CDW12", kCommand + nvme_sqe::kCdw12, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(1));
    WriteLe32(block, c.at, c.value);
    EXPECT_FALSE(ReadNvmeProtocolCommandBlock(block));
  }
  const NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(1));
  EXPECT_FALSE(ReadNvmeProtocolCommandBlock(std::span(block).first(143)));
  EXPECT_FALSE(NvmeProtocolCommandSucceeded(block));  // pending until the driver answers
  NvmeProtocolCommandBlock answered = block;
  WriteLe32(answered, kReturnStatus, kStatusSuccess);
  EXPECT_TRUE(NvmeProtocolCommandSucceeded(answered));
}

}  // namespace
}  // namespace kestrine
