// kestrine-cli --metrics: the exposition text byte for byte, its label escaping, the latest
// self-test entry, and whole runs over the demo bay (families, unread drives, timing, refusals).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_metrics.h"
#include "metrics_report.h"

namespace kestrine {
namespace {

TEST(MetricsText, IsTheExpositionOfEveryFamilyInTurn) {
  DriveMetrics read;
  read.device = "\\\\.\\PHYSICALDRIVE0";
  read.read = true;
  read.read_seconds = 0.0125;
  read.model = "KESTREL \"HD\"";
  read.serial = "  S1  ";
  read.firmware = "F1";
  read.family = CommandFamily::Sat;
  read.condition = kMetricWarning;
  read.temperature_celsius = 35;
  DriveStatistics& statistics = read.statistics.emplace();
  statistics.bytes_written = Counter128{0, 1};  // 2^64: beyond 64 bits, exactly
  statistics.percentage_used = 7;
  statistics.lifetime_lowest_temperature = -5;
  statistics.minutes_over_warning = 12;
  read.attributes = {{5, "Reallocated Sector Count", 100, 99, 36, 9},
                     {194, "HDD Temperature", 97, 90, 0, 0xFFFFFFFFFFFFULL}};
  read.last_self_test = SelfTestMetrics{7, 33490};
  read.self_test_running = true;
  read.self_test_remaining_percent = 90;
  DriveMetrics unread;
  unread.device = "\\\\.\\PHYSICALDRIVE5";
  unread.read_seconds = 2;
  DriveMetrics asleep;
  asleep.device = "\\\\.\\PHYSICALDRIVE8";
  asleep.asleep = true;

  const std::string d0 = R"(device="\\\\.\\PHYSICALDRIVE0")";
  const std::string d5 = R"(device="\\\\.\\PHYSICALDRIVE5")";
  const std::string d8 = R"(device="\\\\.\\PHYSICALDRIVE8")";
  const std::string a5 = d0 + R"(,id="5",name="Reallocated Sector Count")";
  const std::string a194 = d0 + R"(,id="194",name="HDD Temperature")";
  const auto header = [](const std::string& name) {
    return "# HELP " + name + " ";  // the help text itself is checked by its line below
  };
  const std::string text = RenderMetrics({read, unread, asleep});
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind("# HELP ", 0) == 0) line = line.substr(0, line.find(' ', 7) + 1);
    lines.push_back(line);
  }
  const std::vector<std::string> expected = {
      header("kestrine_drive_info"),
      "# TYPE kestrine_drive_info gauge",
      "kestrine_drive_info{" + d0 +
          R"(,model="KESTREL \"HD\"",serial="S1",firmware="F1",family="sat"} 1)",
      header("kestrine_drive_read_success"),
      "# TYPE kestrine_drive_read_success gauge",
      "kestrine_drive_read_success{" + d0 + "} 1",
      "kestrine_drive_read_success{" + d5 + "} 0",
      header("kestrine_drive_read_duration_seconds"),
      "# TYPE kestrine_drive_read_duration_seconds gauge",
      "kestrine_drive_read_duration_seconds{" + d0 + "} 0.012500",
      "kestrine_drive_read_duration_seconds{" + d5 + "} 2.000000",
      header("kestrine_drive_asleep"),
      "# TYPE kestrine_drive_asleep gauge",
      "kestrine_drive_asleep{" + d0 + "} 0",
      "kestrine_drive_asleep{" + d5 + "} 0",
      "kestrine_drive_asleep{" + d8 + "} 1",
      header("kestrine_drive_condition"),
      "# TYPE kestrine_drive_condition gauge",
      "kestrine_drive_condition{" + d0 + "} 1",
      header("kestrine_drive_temperature_celsius"),
      "# TYPE kestrine_drive_temperature_celsius gauge",
      "kestrine_drive_temperature_celsius{" + d0 + "} 35",
      header("kestrine_drive_bytes_written_total"),
      "# TYPE kestrine_drive_bytes_written_total counter",
      "kestrine_drive_bytes_written_total{" + d0 + "} 18446744073709551616",
      header("kestrine_drive_endurance_used_ratio"),
      "# TYPE kestrine_drive_endurance_used_ratio gauge",
      "kestrine_drive_endurance_used_ratio{" + d0 + "} 0.070000",
      header("kestrine_drive_temperature_lifetime_lowest_celsius"),
      "# TYPE kestrine_drive_temperature_lifetime_lowest_celsius gauge",
      "kestrine_drive_temperature_lifetime_lowest_celsius{" + d0 + "} -5",
      header("kestrine_drive_temperature_over_warning_seconds"),
      "# TYPE kestrine_drive_temperature_over_warning_seconds gauge",
      "kestrine_drive_temperature_over_warning_seconds{" + d0 + "} 720",
      header("kestrine_attribute_value"),
      "# TYPE kestrine_attribute_value gauge",
      "kestrine_attribute_value{" + a5 + "} 100",
      "kestrine_attribute_value{" + a194 + "} 97",
      header("kestrine_attribute_worst"),
      "# TYPE kestrine_attribute_worst gauge",
      "kestrine_attribute_worst{" + a5 + "} 99",
      "kestrine_attribute_worst{" + a194 + "} 90",
      header("kestrine_attribute_threshold"),
      "# TYPE kestrine_attribute_threshold gauge",
      "kestrine_attribute_threshold{" + a5 + "} 36",
      "kestrine_attribute_threshold{" + a194 + "} 0",
      header("kestrine_attribute_raw_value"),
      "# TYPE kestrine_attribute_raw_value gauge",
      "kestrine_attribute_raw_value{" + a5 + "} 9",
      "kestrine_attribute_raw_value{" + a194 + "} 281474976710655",
      header("kestrine_self_test_last_result"),
      "# TYPE kestrine_self_test_last_result gauge",
      "kestrine_self_test_last_result{" + d0 + "} 7",
      header("kestrine_self_test_last_lifetime_seconds"),
      "# TYPE kestrine_self_test_last_lifetime_seconds gauge",
      "kestrine_self_test_last_lifetime_seconds{" + d0 + "} 120564000",
      header("kestrine_self_test_running"),
      "# TYPE kestrine_self_test_running gauge",
      "kestrine_self_test_running{" + d0 + "} 1",
      header("kestrine_self_test_remaining_percent"),
      "# TYPE kestrine_self_test_remaining_percent gauge",
      "kestrine_self_test_remaining_percent{" + d0 + "} 90",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);

  // A device named twice is written once; no drives give no text.
  EXPECT_EQ(RenderMetrics({read, read, unread, asleep}), text);
  EXPECT_EQ(RenderMetrics({}), "");
}

TEST(MetricsText, LabelValuesAreEscapedAndUtf8) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "plain"},
      {"a\\b", "a\\\\b"},
      {"say \"x\"", "say \\\"x\\\""},
      {"two\nlines", "two\\nlines"},
      {"caf\xE9", "caf\xC3\xA9"},
      {std::string("nul\0tab\t", 8), std::string("nul\0tab\t", 8)},
  };
  for (const auto& c : cases) EXPECT_EQ(MetricLabelValue(c.in), c.out) << c.in;
}

TEST(MetricsSelfTest, TheLatestEntryIsTheOneTheIndexNames) {
  using namespace self_test_log;
  Sector log{};
  const auto put = [&log](std::size_t entry, Byte type, Byte status, std::uint16_t hours) {
    const std::size_t at = kFirstDescriptor + entry * kDescriptorSize;
    log[at + kType] = type;
    log[at + kStatus] = status;
    WriteLe16(log, at + kLifeHours, hours);
  };
  put(0, 1, 0x00, 100);
  put(1, 2, 0x73, 200);
  const struct {
    Byte index;
    std::optional<int> status;
    int hours;
  } cases[] = {{0, std::nullopt, 0},  {1, 0, 100},           {2, 7, 200},
               {3, std::nullopt, 0},  {21, std::nullopt, 0}, {22, std::nullopt, 0},
               {255, std::nullopt, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.index});
    log[kIndex] = c.index;
    DriveReading reading;
    reading.family = CommandFamily::Ata;
    reading.condition = Condition::Ok;
    AddAtaSelfTestLog(reading, log);
    const std::optional<SelfTestMetrics> latest = DriveMetricsFromReading(reading).last_self_test;
    ASSERT_EQ(latest.has_value(), c.status.has_value());
    if (latest) {
      EXPECT_EQ(latest->status, *c.status);
      EXPECT_EQ(latest->lifetime_hours, c.hours);
    }
  }
}

// The demo bay through the whole program, with a clock that moves a quarter second per call.
struct DemoRun {
  SimBay bay;
  int status = -1;
  std::string out;
  std::string err;
  explicit DemoRun(const std::vector<std::string>& arguments) {
    AddDemoDrives(bay);
    CliEnvironment environment;
    environment.make_port = [this] { return std::make_unique<testing::BorrowedPort>(bay); };
    double now = 0;
    environment.clock = [&now] { return now += 0.25; };
    std::ostringstream out_stream;
    std::ostringstream err_stream;
    status = CliMain(arguments, environment, out_stream, err_stream);
    out = out_stream.str();
    err = err_stream.str();
  }
  bool Has(const std::string& line) const { return out.find("\n" + line + "\n") != out.npos; }
};

std::string Device(int number) {
  return R"(device="\\\\.\\PHYSICALDRIVE)" + std::to_string(number) + "\"";
}

TEST(MetricsRun, EveryDemoDriveWithItsFamilyConditionAndTiming) {
  const DemoRun run({"--metrics"});
  EXPECT_EQ(run.status, kExitCritical) << run.err;
  // The USB SSD answers only SAT; the card reader answers no IDENTIFY and is not read.
  const auto family_of = [&run](int drive) -> std::string {
    const std::size_t info = run.out.find("kestrine_drive_info{" + Device(drive));
    if (info == std::string::npos) return "not listed";
    const std::size_t family = run.out.find("family=", info);
    return run.out.substr(family, run.out.find('\n', info) - family);
  };
  EXPECT_EQ(family_of(kDemoUsbSsd), R"(family="sat"} 1)");
  for (const int drive : {kDemoHealthyDisk, kDemoFailingDisk, kDemoPendingSectors})
    EXPECT_EQ(family_of(drive), R"(family="ata"} 1)") << drive;
  EXPECT_EQ(run.out.find("kestrine_drive_info{" + Device(kDemoCardReader)), std::string::npos);
  EXPECT_TRUE(run.Has("kestrine_drive_read_success{" + Device(kDemoCardReader) + "} 0"));
  EXPECT_TRUE(run.Has("kestrine_drive_condition{" + Device(kDemoHealthyDisk) + "} 0"));
  EXPECT_TRUE(run.Has("kestrine_drive_condition{" + Device(kDemoFailingDisk) + "} 2"));
  EXPECT_TRUE(run.Has("kestrine_drive_condition{" + Device(kDemoPendingSectors) + "} 1"));
  // Two clock readings per drive, its first drive read afresh rather than at start-up.
  for (const int drive : {0, 1, 2, 3, 5})
    EXPECT_TRUE(run.Has("kestrine_drive_read_duration_seconds{" + Device(drive) + "} 0.250000"));
  // The whole raw value, where the view shows its low 16 bits.
  EXPECT_TRUE(run.Has("kestrine_attribute_raw_value{" + Device(kDemoHealthyDisk) +
                      R"(,id="194",name="HDD Temperature"} 188979806243)"));
  EXPECT_TRUE(run.Has("kestrine_drive_temperature_celsius{" + Device(kDemoHealthyDisk) + "} 35"));
  EXPECT_TRUE(run.Has("kestrine_self_test_last_result{" + Device(kDemoFailingDisk) + "} 7"));
  // The same messages as the text tables, although the first drive was read twice.
  EXPECT_EQ(run.err, DemoRun({}).err);
}

TEST(MetricsRun, ADriveAskedForThatCannotBeReadIsInTheMetricsAndAnError) {
  const DemoRun run({"--metrics", "--drive", "5", "--drive", "0"});
  EXPECT_EQ(run.status, kExitError);
  EXPECT_TRUE(run.Has("kestrine_drive_read_success{" + Device(5) + "} 0"));
  EXPECT_TRUE(run.Has("kestrine_drive_read_success{" + Device(0) + "} 1"));
  EXPECT_NE(run.err.find("could not be read"), std::string::npos);
}

TEST(MetricsRun, MetricsAndJsonTogetherAreRefused) {
  const DemoRun run({"--metrics", "--json"});
  EXPECT_EQ(run.status, kExitError);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("--metrics"), std::string::npos);
}

}  // namespace
}  // namespace kestrine
