// The Statistics view: only the statistics the drive gave valid, bytes in decimal terabytes with
// the exact count, the wear-out projection, and the raw values the model's formats decode; and
// the page as the window shows the demo's SSD.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_path.h"
#include "fake_toolkit.h"
#include "statistics_view_rows.h"

namespace kestrine {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(StatisticsView, RowsOfWhatTheDriveGave) {
  DriveReading reading;
  reading.part = AtaPart{.identify = THDDInfo{}, .status = {}, .blocks = {}};
  reading.identity.model = "ST2000DM001-1CH164   ";  // padded as IDENTIFY gives it
  DriveStatistics& s = reading.statistics.emplace();
  s.bytes_written = Counter128{1'024'000'000'000, 0};
  s.bytes_read = Counter128{0, 1};  // 2^64 bytes
  s.percentage_used = 107;
  s.available_spare = 40;
  s.available_spare_threshold = 10;
  s.lifetime_lowest_temperature = -5;
  s.sensor_temperatures[2] = 51;
  s.minutes_over_warning = 12;
  reading.items.resize(2);
  reading.items[0].id = 188;
  reading.items[0].name = "Command Timeout";
  reading.items[0].raw = {0x0001'0002'0003, 0};
  reading.items[1].id = 9;
  reading.items[1].raw = {1200, 0};
  const WearProjection wear{.worn_out_at = 1'893'456'000, .percent_per_day = 0.0125};
  const Rows expected = {
      {"Data written", "1.02 TB (1024000000000 bytes)"},
      {"Data read", "18446744.07 TB (18446744073709551616 bytes)"},
      {"Endurance used", "107 %"},
      {"Available spare", "40 % (threshold 10 %)"},
      {"Lowest temperature, lifetime",
       "-5 \xB0"
       "C"},
      {"Temperature sensor 3",
       "51 \xB0"
       "C"},
      {"Time over the warning temperature", "12 minutes"},
      {"Worn out by (projected)", "2030-01-01 (0.0125 % a day)"},
      {"Raw 188 Command Timeout, decoded", "1 2 3"},
  };
  EXPECT_EQ(StatisticsViewRows(reading, wear), expected);
  // An NVMe drive's fields are whole values: nothing is decoded.
  reading.part = NvmePart{};
  reading.statistics.reset();
  EXPECT_TRUE(StatisticsViewRows(reading).empty());
}

TEST(StatisticsView, TheDemoSsdOnTheWindowsFifthPage) {
  testing::FormFixture fx;
  AddDemoDrives(fx.bay);
  fx.ui.ComboBox1.text = DriveDevicePath(kDemoUsbSsd);
  fx.Run([](TForm1& form) { form.Refresh1Click(); });
  const Rows& rows = fx.ui.ListView5.Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front(),
            (std::vector<std::string>{"Data written", "6.88 TB (6875582077440 bytes)"}));
  EXPECT_EQ(rows.back(), (std::vector<std::string>{"Raw 194 HDD Temperature, decoded",
                                                   "33 (lowest 21, highest 45)"}));
}

}  // namespace
}  // namespace kestrine
