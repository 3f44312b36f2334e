// The SCSI family's command blocks byte for byte, the list of what it may send, and the
// pass-through block that carries them.
#include <gtest/gtest.h>

#include <vector>

#include "scsi_cdb.h"
#include "scsi_pass_through_block.h"

namespace kestrine {
namespace {

std::vector<Byte> Bytes(const ScsiCdb& cdb) {
  return std::vector<Byte>(cdb.View().begin(), cdb.View().end());
}

TEST(ScsiCdb, EachBuilderGivesItsBlock) {
  struct Case {
    const char* what;
    ScsiCdb cdb;
    std::vector<Byte> expected;
  };
  const std::vector<Case> cases = {
      {"standard INQUIRY", InquiryCdb(std::nullopt, 96), {0x12, 0, 0, 0, 96, 0}},
      {"VPD 00h", InquiryCdb(0x00, 252), {0x12, 1, 0x00, 0, 252, 0}},
      {"VPD 80h", InquiryCdb(0x80, 252), {0x12, 1, 0x80, 0, 252, 0}},
      {"VPD 83h", InquiryCdb(0x83, 0x0200), {0x12, 1, 0x83, 0x02, 0x00, 0}},
      {"VPD B1h", InquiryCdb(0xB1, 252), {0x12, 1, 0xB1, 0, 252, 0}},
      {"READ CAPACITY (10)", ReadCapacity10Cdb(), {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"READ CAPACITY (16)",
       ReadCapacity16Cdb(),
       {0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0}},
      {"LOG SENSE 0Dh, cumulative",
       LogSenseCdb(0x0D, 0, 1024),
       {0x4D, 0, 0x4D, 0, 0, 0, 0, 0x04, 0x00, 0}},
      {"LOG SENSE 2Fh subpage 1",
       LogSenseCdb(0x2F, 0x01, 0xFFFC),
       {0x4D, 0, 0x6F, 0x01, 0, 0, 0, 0xFF, 0xFC, 0}},
      {"MODE SENSE (10) 1Ch", ModeSense10Cdb(0x1C), {0x5A, 0x08, 0x1C, 0, 0, 0, 0, 0, 252, 0}},
      {"READ DEFECT DATA (10)", ReadDefectData10Cdb(), {0x37, 0, 0x0C, 0, 0, 0, 0, 0, 4, 0}},
      {"READ DEFECT DATA (12)", ReadDefectData12Cdb(), {0xB7, 0x0C, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0}},
      {"short self-test",
       SendDiagnosticCdb(ScsiSelfTest::BackgroundShort),
       {0x1D, 0x20, 0, 0, 0, 0}},
      {"extended self-test",
       SendDiagnosticCdb(ScsiSelfTest::BackgroundExtended),
       {0x1D, 0x40, 0, 0, 0, 0}},
      {"abort", SendDiagnosticCdb(ScsiSelfTest::AbortBackground), {0x1D, 0x80, 0, 0, 0, 0}},
      {"REQUEST SENSE", RequestSenseCdb(), {0x03, 0, 0, 0, 252, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(c.cdb), c.expected) << c.what;
    EXPECT_TRUE(ScsiCdbAllowed(c.cdb.View())) << c.what;
  }
}

TEST(ScsiCdb, NothingOutsideTheListIsAllowed) {
  const std::vector<std::vector<Byte>> refused = {
      {},
      {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0},                        // WRITE (10)
      {0xA1, 0x08, 0x0E, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0},         // ATA PASS-THROUGH (12)
      {0x12, 0, 0, 0, 96},                                      // INQUIRY, cut short
      {0x1D, 0x04, 0, 0, 0, 0},                                 // default self-test, foreground
      {0x1D, 0x10, 0, 0, 8, 0},                                 // PF with a parameter list
      {0x1D, 0xA0, 0, 0, 0, 0},                                 // foreground short self-test
      {0x9E, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0},  // another service action
  };
  for (const auto& cdb : refused)
    EXPECT_FALSE(ScsiCdbAllowed(cdb)) << int(cdb.empty() ? 0 : cdb[0]);
}

// The bridges' test pins the block of a data-out command; this one a data-in command's, one with
// no data, and the lenient reading the SCSI family relies on.
TEST(ScsiPassThroughBlock, DataInHeaderAndTheRepliesRead) {
  auto build = [](const ScsiCdb& cdb, std::uint32_t data_in) {
    return BuildScsiPassThroughBlock(DataInCommand(cdb, data_in), 2);
  };
  const std::vector<Byte> block = build(LogSenseCdb(0x0D, 0, 1024), 1024);
  ASSERT_EQ(block.size(), 80u + 1024u);
  const std::vector<Byte> header = {
      44,   0,    0,    0, 0, 0, 10, 24,  // Length, status, path, target, LUN, CDB and sense length
      1,    0,    0,    0,                // data in
      0x00, 0x04, 0,    0,                // DataTransferLength 1024
      2,    0,    0,    0,                // TimeOutValue
      80,   0,    0,    0,                // DataBufferOffset
      48,   0,    0,    0,                // SenseInfoOffset
      0x4D, 0,    0x4D, 0, 0, 0, 0,  0x04, 0x00, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<Byte>(block.begin(), block.begin() + 44), header);
  EXPECT_EQ(build(SendDiagnosticCdb(ScsiSelfTest::BackgroundShort), 0)[8], 2) << "no data phase";
  EXPECT_TRUE(build(LogSenseCdb(0, 0, 4), kScsiMaxTransfer + 1).empty());
  // A reply claiming more data than the area holds gives only the area.
  std::vector<Byte> reply = build(InquiryCdb(std::nullopt, 96), 96);
  reply[12] = 0xFF;
  EXPECT_EQ(ReadScsiPassThroughBlock(reply)->data.size(), 96u);
  EXPECT_EQ(ReadScsiPassThroughBlock(std::span(reply).first(100))->data.size(), 20u);
  // Without its data area, the status and sense still count; without its header, nothing does.
  reply[2] = 2;
  EXPECT_EQ(ReadScsiPassThroughBlock(std::span(reply).first(66))->status, 2);
  EXPECT_EQ(ReadScsiPassThroughBlock(std::span(reply).first(66))->sense.size(), 18u);
  EXPECT_FALSE(ReadScsiPassThroughBlock(std::span(reply).first(43)));
}

}  // namespace
}  // namespace kestrine
