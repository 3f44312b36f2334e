// The status vocabulary: every byte value has its text, exactly as the window shows it.
#include <gtest/gtest.h>

#include <string>

#include "status_texts.h"

namespace kestrine {
namespace {

struct ByteText {
  int value;
  std::string text;
};

TEST(StatusTexts, SelfTestStatusUsesTheHighNibbleOnly) {
  const ByteText cases[] = {
      {0x00, "Completed without error"},
      {0x0F, "Completed without error"},
      {0x10, "Aborted by host"},
      {0x17, "Aborted by host"},
      {0x20, "Interrupted (host reset)"},
      {0x30, "Fatal or unknown error"},
      {0x40, "Completed: unknown failure"},
      {0x50, "Completed: electrical failure"},
      {0x60, "Completed: servo/seek failure"},
      {0x79, "Completed: read failure"},
      {0x80, "Completed: handling damage??"},
      {0x90, ""},
      {0xA5, ""},
      {0xE0, ""},
      {0xEF, ""},
      {0xF0, "Self-test routine in progress"},
      {0xF9, "Self-test routine in progress"},
      {0xFF, "Self-test routine in progress"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelfTestStatusText(static_cast<Byte>(c.value)), c.text) << c.value;
  }
}

TEST(StatusTexts, SelfTestTypeNamesKnownTestsAndVendorValuesInHex) {
  const ByteText cases[] = {
      {0, "Offline"},
      {1, "Short offline"},
      {2, "Extended offline"},
      {3, "Conveyance offline"},
      {4, "Selective offline"},
      {5, "Vendor 0x5"},
      {10, "Vendor 0xA"},
      {64, "Vendor 0x40"},
      {126, "Vendor 0x7E"},
      {127, "Abort offline test"},
      {128, "Vendor 0x80"},
      {129, "Short captive"},
      {130, "Extended captive"},
      {131, "Conveyance captive"},
      {132, "Selective captive"},
      {133, "Vendor 0x85"},
      {255, "Vendor 0xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelfTestTypeText(static_cast<Byte>(c.value)), c.text) << c.value;
  }
}

TEST(StatusTexts, OfflineStatusKeepsThreeAndOneThirtyOneApart) {
  const ByteText cases[] = {
      {0, "was never started"},
      {128, "was never started"},
      {1, "is in a Reserved state"},
      {2, "was completed without error"},
      {130, "was completed without error"},
      {3, "is in progress"},
      {131, "is in a Reserved state"},
      {4, "was suspended by an interrupting command from host"},
      {132, "was suspended by an interrupting command from host"},
      {5, "was aborted by an interrupting command from host"},
      {6, "was aborted by the device with a fatal error"},
      {134, "was aborted by the device with a fatal error"},
      {7, "is in a Reserved state"},
      {63, "is in a Reserved state"},
      {191, "is in a Reserved state"},
      {64, "is in a Vendor Specific state"},
      {69, "is in a Vendor Specific state"},
      {127, "is in a Vendor Specific state"},
      {192, "is in a Vendor Specific state"},
      {255, "is in a Vendor Specific state"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OfflineStatusText(static_cast<Byte>(c.value)), c.text) << c.value;
  }
}

TEST(StatusTexts, AutoSaveLooksAtBitsZeroAndOne) {
  const std::string saves = "Saves SMART data before entering power-saving mode.";
  const std::string does_not = "Does not save SMART data before entering power-saving mode.";
  const std::string timer = " Supports SMART auto save timer.";
  const ByteText cases[] = {
      {0x0000, "Automatic saving of SMART data is not implemented"},
      {0x0001, saves},
      {0x0002, does_not + timer},
      {0x0003, saves + timer},
      {0x0004, does_not},
      {0x0100, does_not},
      {0x8001, saves},
      {0xFFFF, saves + timer},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AutoSaveText(static_cast<std::uint16_t>(c.value)), c.text) << c.value;
  }
}

TEST(StatusTexts, ErrorLoggingLooksAtBitZero) {
  EXPECT_EQ(ErrorLoggingText(0x00), "Error logging NOT supported");
  EXPECT_EQ(ErrorLoggingText(0xFE), "Error logging NOT supported");
  EXPECT_EQ(ErrorLoggingText(0x01), "Error logging supported");
  EXPECT_EQ(ErrorLoggingText(0xFF), "Error logging supported");
}

TEST(StatusTexts, UpperHexPadsToTheMinimumAndNeverCuts) {
  struct Case {
    std::uint32_t value;
    int digits;
    std::string text;
  };
  const Case cases[] = {
      {0, 1, "0"},
      {0, 2, "00"},
      {0x5B, 1, "5B"},
      {0x3, 2, "03"},
      {0x100, 2, "100"},
      {0xFFFF, 2, "FFFF"},
      {0xABCDEF01, 1, "ABCDEF01"},
  };
  for (const auto& c : cases) EXPECT_EQ(UpperHex(c.value, c.digits), c.text) << c.value;
}

}  // namespace
}  // namespace kestrine
