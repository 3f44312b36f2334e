// The log-page reads, byte for byte against literal images.
#include <gtest/gtest.h>

#include <vector>

#include "block_bytes.h"
#include "read_log_request.h"

namespace kestrine {
namespace {

using testing::AllZeroFrom;
using testing::Head;

TEST(ReadLogRequest, ReadLogExtInTheAtaPassThroughBlock) {
  // Device Statistics, page 105h of drive 1: the page's high byte in the previous task file.
  const auto block = BuildReadLogExtAtaBlock({.log = 0x04, .page = 0x0105}, 1);
  const std::vector<Byte> expected = {
      40,   0,    0x0A, 0,    0,    0,    0,    0,     // Length, flags data-in | 48-bit
      0x00, 0x02, 0,    0,    2,    0,    0,    0,     // DataTransferLength 512, TimeOutValue 2
      0,    0,    0,    0,    44,   0,    0,    0,     // DataBufferOffset 44
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,  // PreviousTaskFile
      0x00, 0x01, 0x04, 0x05, 0x00, 0x01, 0x2F, 0x00,  // CurrentTaskFile
      0,    0,    0,    0,    0xCF};
  EXPECT_EQ(Head(block, 45), expected);
  EXPECT_TRUE(AllZeroFrom(block, 45));
}

TEST(ReadLogRequest, ReadLogExtInAtaPassThrough16) {
  const auto block = BuildReadLogExtSatBlock({.log = 0xE0, .page = 0}, 0xA0);
  const std::vector<Byte> expected = {
      44,   0,    0,    0,    0,    0,    16,   24,    // Length, CdbLength 16, SenseInfoLength 24
      1,    0,    0,    0,    0x00, 0x02, 0,    0,     // DataIn, DataTransferLength 512
      2,    0,    0,    0,    80,   0,    0,    0,     // TimeOutValue 2, DataBufferOffset 80
      48,   0,    0,    0,                             // SenseInfoOffset 48
      0x85, 0x09, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00,  // PIO data-in | EXTEND, 1 block
      0xE0, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x2F, 0x00};
  EXPECT_EQ(Head(block, 44), expected);
  EXPECT_TRUE(AllZeroFrom(block, 44));
}

TEST(ReadLogRequest, SmartReadLogInBothBlocks) {
  const auto ata = BuildAtaPassThroughBlock(SmartReadLogRegisters(0xE0, 1, 0), 512);
  EXPECT_EQ(Head(std::span(ata).subspan(32), 8),
            (std::vector<Byte>{0xD5, 0x01, 0xE0, 0x4F, 0xC2, 0x00, 0xB0, 0x00}));
  const auto sat = BuildSatPassThroughBlock(SmartReadLogRegisters(0x04, 1, 0xB0), 512);
  EXPECT_EQ(Head(std::span(sat).subspan(28), 12),
            (std::vector<Byte>{0xA1, 0x08, 0x0E, 0xD5, 0x01, 0x04, 0x4F, 0xC2, 0xB0, 0xB0, 0, 0}));
}

}  // namespace
}  // namespace kestrine
