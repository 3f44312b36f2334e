// The typed reading in kestrine-cli --json: its numbers agree with what the views show, each
// verdict with the row's colour, and the schema catches a document that breaks it.
#include <gtest/gtest.h>

#include <string>

#include "cli_support.h"
#include "demo_drives.h"
#include "json_report.h"
#include "sim_bay.h"

namespace kestrine {
namespace {

using json = nlohmann::json;
using testing::RunCliWith;

json DemoDocument() {
  SimBay bay;
  AddDemoDrives(bay);
  return RunCliWith({"--json"}, &bay).Json();
}

TEST(CliReadingJson, ItemsAgreeWithTheAttributesView) {
  const json document = DemoDocument();
  int items_seen = 0;
  for (const json& drive : document.at("drives")) {
    SCOPED_TRACE(drive.at("path").get<std::string>());
    const json& reading = drive.at("reading");
    if (drive.at("condition").is_null()) {
      EXPECT_TRUE(reading.is_null());
      continue;
    }
    EXPECT_EQ(reading.at("condition"), drive.at("condition"));
    const json& rows = drive.at("views").at("Attributes").at("rows");
    const json& items = reading.at("items");
    ASSERT_EQ(items.size(), rows.size());
    const bool whole = reading.at("family") == "nvme" || reading.at("family") == "scsi";
    for (std::size_t i = 0; i < items.size(); ++i, ++items_seen) {
      const json& item = items[i];
      const json& cells = rows[i].at("cells");
      EXPECT_EQ(std::to_string(item.at("id").get<int>()), cells[0]);
      EXPECT_EQ(item.at("name"), cells[6]);
      // The view shows the low 16 bits of an ATA raw value, the whole value of an NVMe field or
      // a SCSI item.
      const json& raw = item.at("raw");
      if (whole) {
        EXPECT_EQ(raw.is_string() ? raw.get<std::string>() : raw.dump(), cells[5]);
      } else {
        EXPECT_EQ(std::to_string(raw.get<std::uint64_t>() & 0xFFFF), cells[5]);
        EXPECT_EQ(std::to_string(item.at("worst").get<int>()), cells[3]);
      }
      const json& background = rows[i].at("background");
      const std::string row_verdict = item.at("row_verdict");
      EXPECT_EQ(background.is_null()          ? "OK"
                : background == RgbText(kRed) ? "CRITICAL"
                                              : "WARNING",
                row_verdict);
      EXPECT_EQ(item.at("reasons").empty(), item.at("verdict") == "OK");
    }
  }
  EXPECT_GT(items_seen, 40);
}

// The statistics as numbers: the worn NVMe drive's bytes written are its data units written times
// 512,000; the SSD's come from its Device Statistics, beside the decode of its packed 194.
const json& ReadingOf(const json& document, int drive) {
  for (const json& shown : document.at("drives")) {
    if (shown.at("drive_number") == drive) return shown.at("reading");
  }
  throw std::out_of_range("no drive " + std::to_string(drive));
}

TEST(CliReadingJson, StatisticsAndDecodedRawValues) {
  const json document = DemoDocument();
  const json& nvme = ReadingOf(document, kDemoWornNvmeSsd);
  std::uint64_t units_written = 0;
  for (const json& item : nvme.at("items")) {
    if (item.at("name") == "Data Units Written")
      units_written = std::stoull(item.at("raw").get<std::string>());
  }
  ASSERT_GT(units_written, 0u);
  EXPECT_EQ(nvme.at("statistics").at("bytes_written"), units_written * 512'000);
  EXPECT_TRUE(nvme.at("statistics").at("percentage_used").is_number());
  const json& ssd = ReadingOf(document, kDemoUsbSsd);
  EXPECT_EQ(ssd.at("statistics").at("bytes_written"), 13428871245ULL * 512);
  EXPECT_EQ(ssd.at("statistics").at("percentage_used"), 3);
  EXPECT_TRUE(ssd.at("statistics").at("available_spare").is_null());
  int decoded = 0;
  for (const json& item : ssd.at("items")) {
    if (item.at("decoded").is_null()) continue;
    ++decoded;
    EXPECT_EQ(item.at("id"), 194);
    EXPECT_EQ(item.at("decoded").at("parts"),
              (json{{"current", 33}, {"lowest", 21}, {"highest", 45}}));
  }
  EXPECT_EQ(decoded, 1);
}

TEST(CliReadingJson, TheSchemaCatchesABrokenDocument) {
  const json good = DemoDocument();
  EXPECT_TRUE(testing::CliJsonSchema().Check(good).empty());
  const struct {
    const char* name;
    json::json_pointer at;
    json value;
  } cases[] = {
      {"negative raw", json::json_pointer("/drives/0/reading/items/0/raw"), -1},
      {"raw text not decimal", json::json_pointer("/drives/0/reading/items/0/raw"), "0x10"},
      {"unknown verdict", json::json_pointer("/drives/0/reading/items/0/verdict"), "BAD"},
      {"number as text", json::json_pointer("/drives/0/reading/items/0/id"), "5"},
      {"reading not an object", json::json_pointer("/drives/0/reading"), 1},
      {"drive number beyond a byte", json::json_pointer("/drives/0/drive_number"), 256},
      {"statistic as text", json::json_pointer("/drives/2/reading/statistics/bytes_written"), "1"},
  };
  for (const auto& c : cases) {
    json broken = good;
    broken[c.at] = c.value;
    EXPECT_FALSE(testing::CliJsonSchema().Check(broken).empty()) << c.name;
  }
  json missing = good;
  missing["drives"][0].erase("reading");
  EXPECT_FALSE(testing::CliJsonSchema().Check(missing).empty());
}

}  // namespace
}  // namespace kestrine
