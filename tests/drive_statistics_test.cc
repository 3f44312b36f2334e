// The decoders of the statistics pages, the SCT status and the NVMe statistics, on laid-out bytes.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "drive_statistics.h"

namespace kestrine {
namespace {

// General Statistics: revision 1, page 1; power-on hours 1234 (supported, valid); sectors
// written 99 (supported, not valid).
std::vector<Byte> GeneralPage() {
  std::vector<Byte> page(512, 0);
  page[0] = 0x01;
  page[2] = 0x01;
  WriteLe64(page, 0x10, 1234 | (std::uint64_t{0xC0} << 56));
  WriteLe64(page, 0x18, 99 | (std::uint64_t{0x80} << 56));
  return page;
}

TEST(DeviceStatisticsPage, OnlyAPageWithItsHeaderIsShown) {
  struct Case {
    const char* what;
    std::function<void(std::vector<Byte>&)> change;
    Byte asked;
    bool shown;
  };
  const std::vector<Case> cases = {
      {"as written", [](std::vector<Byte>&) {}, 1, true},
      {"revision 2", [](std::vector<Byte>& p) { p[0] = 2; }, 1, false},
      {"another page's number", [](std::vector<Byte>&) {}, 5, false},
      {"all FFh", [](std::vector<Byte>& p) { std::fill(p.begin(), p.end(), 0xFF); }, 0xFF, false},
      {"cut short", [](std::vector<Byte>& p) { p.resize(511); }, 1, false},
  };
  for (const Case& c : cases) {
    std::vector<Byte> page = GeneralPage();
    c.change(page);
    const auto decoded = DecodeDeviceStatisticsPage(page, c.asked);
    EXPECT_EQ(decoded.has_value(), c.shown) << c.what;
  }
  const auto decoded = DecodeDeviceStatisticsPage(GeneralPage(), 1);
  EXPECT_EQ(decoded->Value(0x10), 1234u);
  EXPECT_EQ(decoded->Value(0x18), std::nullopt);  // not valid: not shown
  EXPECT_EQ(decoded->Value(0x13), std::nullopt);  // not an entry's offset
}

TEST(DeviceStatisticsPage, TheListOfPages) {
  std::vector<Byte> list(512, 0);
  list[0] = 1;
  list[8] = 3;
  list[9] = 0x00;
  list[10] = 0x01;
  list[11] = 0x07;
  EXPECT_EQ(DeviceStatisticsPageList(list), (std::vector<Byte>{0x00, 0x01, 0x07}));
  list.resize(11);
  EXPECT_EQ(DeviceStatisticsPageList(list), std::nullopt);  // the list runs past the block
}

TEST(SctStatus, SignedTemperaturesAnd80hForNone) {
  std::vector<Byte> status(512, 0);
  status[0] = 3;
  status[200] = 40;
  status[201] = 0x80;
  status[203] = 0xFB;
  status[204] = 61;
  const auto decoded = DecodeSctStatus(status);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->current, 40);
  EXPECT_EQ(decoded->power_cycle_lowest, std::nullopt);
  EXPECT_EQ(decoded->lifetime_lowest, -5);
  EXPECT_EQ(decoded->lifetime_highest, 61);
  status[0] = 1;
  EXPECT_EQ(DecodeSctStatus(status), std::nullopt);
}

TEST(NvmeStatistics, FromTheHealthLogAndIdentifyController) {
  NvmeIdentifyBlock controller{};
  NvmeHealthLog health{};
  WriteLe16(controller, nvme_controller::kWarningTemperature, 343);
  WriteLe128(health, nvme_health::kDataUnitsWritten, Counter128{1000, 0});
  WriteLe128(health, nvme_health::kDataUnitsRead, Counter128{~std::uint64_t{0}, ~std::uint64_t{0}});
  WriteLe16(health, nvme_health::kCompositeTemperature, 300);
  WriteLe16(health, nvme_health::kTemperatureSensor1 + 2, 310);  // sensor 2
  health[nvme_health::kPercentageUsed] = 104;
  WriteLe32(health, nvme_health::kCriticalTemperatureTime, 7);
  const DriveStatistics statistics = NvmeStatisticsFromBlocks(controller, health);
  EXPECT_EQ(statistics.bytes_written, (Counter128{512'000'000, 0}));
  EXPECT_EQ(statistics.bytes_read, (Counter128{~std::uint64_t{0}, ~std::uint64_t{0}}));  // held
  EXPECT_EQ(statistics.temperature, 27);
  EXPECT_EQ(statistics.sensor_temperatures[0], std::nullopt);
  EXPECT_EQ(statistics.sensor_temperatures[1], 37);
  EXPECT_EQ(statistics.warning_temperature, 70);
  EXPECT_EQ(statistics.critical_temperature, std::nullopt);
  EXPECT_EQ(statistics.percentage_used, 104);
  EXPECT_EQ(statistics.minutes_over_critical, 7u);
}

TEST(MultiplyCounter, CarriesAcrossTheHalves) {
  EXPECT_EQ(MultiplyCounter(Counter128{1ULL << 63, 0}, 4), (Counter128{0, 2}));
  EXPECT_EQ(MultiplyCounter(Counter128{3, 1}, 512'000), (Counter128{1'536'000, 512'000}));
}

}  // namespace
}  // namespace kestrine
