// The Identify view: its rows for a record, and the rows a refresh puts into ListView2.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "identify_view_rows.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using Rows = std::vector<IdentifyViewRow>;

std::vector<std::string> Items(const Rows& rows) {
  std::vector<std::string> items;
  for (const IdentifyViewRow& row : rows) items.push_back(row.item);
  return items;
}

std::string ValueOf(const Rows& rows, const std::string& item) {
  for (const IdentifyViewRow& row : rows) {
    if (row.item == item) return row.value;
  }
  return "<absent>";
}

THDDInfo ParallelDrive() {
  THDDInfo info;
  info.Model = "ST320410A";
  info.Firmware = "3.39     ";
  info.SerialNumber = "5FB3QF34 ";
  info.LBABits = 48;
  info.LBASize = 3907029168;
  info.Cache = 2048;
  info.TransferMode = "PIO/DMA";
  info.UDMAMax = "UDMA/133";
  info.UDMACurrent = "UDMA/100";
  info.SATACurrent = "----";
  info.SATAMax = "----";
  info.InterfaceType = "Parallel ATA";
  info.Features = "SMART APM-Supported LBA48";
  info.MajorVersion = "ATA/ATAPI-7";
  info.NominalMediaRotationRate = 7200;
  return info;
}

TEST(IdentifyViewRows, ParallelDriveShowsFourteenRows) {
  const Rows expected = {
      {"Model", "ST320410A"},
      {"FW", "3.39     "},
      {"SN", "5FB3QF34 "},
      {"LBASize", "3907029168"},
      {"Cache", "2048"},
      {"InterfaceType", "Parallel ATA"},
      {"MajorVersion", "ATA/ATAPI-7"},
      {"TransferMode", "PIO/DMA"},
      {"Current - Max", "UDMA/100 - UDMA/133"},
      {"Features", "SMART APM-Supported LBA48"},
      {"SSD", "No"},
      {"NominalMediaRotationRate", "7200"},
      {"SleepSupported", "No"},
      {"NominalFormFactor", ""},
  };
  EXPECT_EQ(IdentifyViewRows(ParallelDrive()), expected);
}

TEST(IdentifyViewRows, RowVariants) {
  const std::vector<std::string> all = {"Model",
                                        "FW",
                                        "SN",
                                        "LBASize",
                                        "Cache",
                                        "InterfaceType",
                                        "MajorVersion",
                                        "TransferMode",
                                        "Current - Max",
                                        "Features",
                                        "SSD",
                                        "NominalMediaRotationRate",
                                        "SleepSupported",
                                        "NominalFormFactor"};
  auto without = [&](std::vector<std::string> gone) {
    std::vector<std::string> items;
    for (const std::string& item : all) {
      if (std::ranges::find(gone, item) == gone.end()) items.push_back(item);
    }
    return items;
  };
  struct Case {
    const char* what;
    std::string interface_type;
    bool ssd;
    std::vector<std::string> items;
    std::string current_max;
  };
  const Case cases[] = {
      {"parallel", "Parallel ATA", false, all, "UDMA/100 - UDMA/133"},
      {"parallel SSD", "Parallel ATA", true, without({"NominalMediaRotationRate"}),
       "UDMA/100 - UDMA/133"},
      {"serial", "Serial ATA", false, without({"TransferMode"}), "SATA/300 - SATA/600"},
      {"serial SSD", "Serial ATA", true, without({"TransferMode", "NominalMediaRotationRate"}),
       "SATA/300 - SATA/600"},
      // Only the exact text counts as parallel.
      {"near miss", "Parallel ATA ", false, without({"TransferMode"}), "SATA/300 - SATA/600"},
      {"empty interface", "", false, without({"TransferMode"}), "SATA/300 - SATA/600"},
  };
  for (const Case& c : cases) {
    THDDInfo info = ParallelDrive();
    info.InterfaceType = c.interface_type;
    info.SATACurrent = "SATA/300";
    info.SATAMax = "SATA/600";
    info.SSD = c.ssd;
    const Rows rows = IdentifyViewRows(info);
    EXPECT_EQ(Items(rows), c.items) << c.what;
    EXPECT_EQ(ValueOf(rows, "Current - Max"), c.current_max) << c.what;
    EXPECT_EQ(ValueOf(rows, "SSD"), c.ssd ? "Yes" : "No") << c.what;
  }
}

TEST(IdentifyViewRows, DecodedBlocks) {
  // Serial drive without Ultra DMA texts, newer fields gated off at version 6.
  Sector block{};
  WriteLe16(block, 2 * 76, 0x010E);
  WriteLe16(block, 2 * 80, 0x0040);
  WriteLe16(block, 2 * 88, 0x003F);
  WriteLe16(block, 2 * 169, 0x0001);
  WriteLe16(block, 2 * 217, 0x0001);
  Rows rows = IdentifyViewRows(DecodeIdentifySector(block));
  EXPECT_EQ(rows.size(), 13u);
  EXPECT_EQ(ValueOf(rows, "Current - Max"), "---- - SATA/600");
  EXPECT_EQ(ValueOf(rows, "SSD"), "No");
  EXPECT_EQ(ValueOf(rows, "NominalMediaRotationRate"), "0");
  EXPECT_EQ(ValueOf(rows, "Features"), " NCQ");

  // The same block at version 7: a non-rotating medium drops the rotation-rate row.
  WriteLe16(block, 2 * 80, 0x0080);
  rows = IdentifyViewRows(DecodeIdentifySector(block));
  EXPECT_EQ(rows.size(), 12u);
  EXPECT_EQ(ValueOf(rows, "SSD"), "Yes");
  EXPECT_EQ(ValueOf(rows, "NominalMediaRotationRate"), "<absent>");
  EXPECT_EQ(ValueOf(rows, "Features"), " NCQ TRIM");

  // A parallel drive whose Ultra DMA texts are partly empty.
  Sector parallel{};
  WriteLe16(parallel, 2 * 88, 0x003F);
  rows = IdentifyViewRows(DecodeIdentifySector(parallel));
  EXPECT_EQ(rows.size(), 14u);
  EXPECT_EQ(ValueOf(rows, "Current - Max"), " - UDMA/100");
  EXPECT_EQ(ValueOf(rows, "TransferMode"), "PIO");
  EXPECT_EQ(ValueOf(rows, "MajorVersion"), "----");
  EXPECT_EQ(ValueOf(rows, "FW"), " ");
}

TEST(FillIdentifyView, AppendsTheRowsOfTheGivenDrive) {
  testing::FormFixture f;
  THDDInfo other = ParallelDrive();
  other.Model = "OTHER";
  f.drv.Tables().HDDInfo[199] = other;
  f.drv.Tables().HDDInfo[200] = ParallelDrive();
  f.ui.ListView2.AddRow({"kept", "row"});
  f.form.TakeReading(AtaReadingFromTables(f.drv.Tables(), 200));
  f.form.FillIdentifyView();

  const auto& rows = f.ui.ListView2.Rows();
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"kept", "row"}));  // it does not clear the list
  const Rows expected = IdentifyViewRows(ParallelDrive());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(rows[i + 1], (std::vector<std::string>{expected[i].item, expected[i].value}));
  }
}

// A refresh through each transport decodes the block it brought and shows it.
TEST(FillIdentifyView, RefreshShowsACapturedDrive) {
  KESTRINE_REQUIRE_CAPTURED();
  struct Case {
    const char* what;
    DriveBehaviour behaviour;
    const char* method;
  };
  const Case cases[] = {
      {"ATA pass-through", {}, "IOCTL_ATA_PASS_THROUGH"},
      {"legacy requests", {.answers_ata_pass_through = false}, "IOCTL_ATA_PASS_THROUGH"},
      {"SAT",
       {.answers_ata_pass_through = false, .answers_legacy = false},
       "IOCTL_SCSI_PASS_THROUGH"},
  };
  const std::vector<std::vector<std::string>> expected = {
      {"Model", "WDC WD2500JB-00REA0"},
      {"FW", "20.00K20 "},
      {"SN", "WD-WMANK4051741 "},
      {"LBASize", "488397168"},
      {"Cache", "8192"},
      {"InterfaceType", "Parallel ATA"},
      {"MajorVersion", "ATA/ATAPI-7"},
      {"TransferMode", "PIO/DMA"},
      {"Current - Max", "UDMA/66 - UDMA/100"},
      {"Features", "SMART AAM-Enabled LBA48"},
      {"SSD", "No"},
      {"NominalMediaRotationRate", "0"},
      {"SleepSupported", "No"},
      {"NominalFormFactor", ""},
  };
  for (const Case& c : cases) {
    testing::FormFixture f;
    f.bay.AddDrive(0, testing::CapturedImage("WDC_WD2500JB--00REA0-20.00K20"), c.behaviour);
    f.Run([](TForm1& form) { form.FormShow(); });
    EXPECT_EQ(f.ui.ListView2.Rows(), expected) << c.what;
    EXPECT_TRUE(f.ui.App.messages.empty()) << c.what;
    EXPECT_TRUE(f.ui.StatusBar1.text.ends_with(std::string("Method:") + c.method))
        << c.what << ": " << f.ui.StatusBar1.text;
  }
}

TEST(FillIdentifyView, RefreshShowsASerialSsd) {
  KESTRINE_REQUIRE_CAPTURED();
  testing::FormFixture f;
  f.bay.AddDrive(5, testing::CapturedImage("INTEL_SSDSA2CW120G3--4PC10302"));
  f.Run([](TForm1& form) { form.FormShow(); });
  const std::vector<std::vector<std::string>> expected = {
      {"Model", "INTEL SSDSA2CW120G3"},
      {"FW", "4PC10302 "},
      {"SN", "CVPR109301UZ120LGN   "},
      {"LBASize", "234441648"},
      {"Cache", "0"},
      {"InterfaceType", "Serial ATA"},
      {"MajorVersion", "ATA8-ACS"},
      {"Current - Max", "---- - SATA/300"},
      {"Features", "SMART LBA48 NCQ TRIM"},
      {"SSD", "Yes"},
      {"SleepSupported", "No"},
      {"NominalFormFactor", ""},
  };
  EXPECT_EQ(f.ui.ListView2.Rows(), expected);
}

}  // namespace
}  // namespace kestrine
