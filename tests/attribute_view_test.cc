// The Attributes view: which entries become rows, what the rows show, the drive condition with
// its label and tray hint, and the row colours; on prepared tables and on captured drives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reading_texts.h"
#include "drive_image_builder.h"
#include "errors.h"
#include "fake_toolkit.h"
#include "reading.h"
#include "smart_layout.h"
#include "test_drives.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using testing::FormFixture;

using testing::kDrive0;

// One attribute entry and the threshold at the same position, written with the block's own
// layout: id, flags (LE16), current, worst, six raw bytes; threshold id, threshold value.
struct Attr {
  int position = 0;
  Byte id = 0;
  std::uint16_t flags = 0;
  Byte current = 100;
  Byte worst = 100;
  Byte threshold = 0;
  std::array<Byte, 6> raw{};
};

constexpr std::uint16_t kPreFail = 0x0033;  // PF OC EC SP
constexpr std::uint16_t kOldAge = 0x0032;   // OC EC SP

void Place(SmartTables& tables, Byte drive, const Attr& a) {
  AttributeEntry& entry = tables.AttributeTable[drive][static_cast<std::size_t>(a.position)];
  using namespace smart_entry;
  entry[kId] = a.id;
  WriteLe16(entry, kFlags, a.flags);
  entry[kCurrent] = a.current;
  entry[kWorst] = a.worst;
  std::ranges::copy(a.raw, entry.begin() + kRaw);
  ThresholdEntry& threshold = tables.ThresholdTable[drive][static_cast<std::size_t>(a.position)];
  threshold[kId] = a.id;
  threshold[kThreshold] = a.threshold;
}

// A form with the given entries in drive 0's tables, filled once.
struct FilledView {
  FormFixture fx;
  explicit FilledView(const std::vector<Attr>& attrs, Byte drive = 0) {
    for (const Attr& a : attrs) Place(fx.drv.Tables(), drive, a);
    fx.ui.ComboBox1.text = kDrive0;
    fx.Run([drive](TForm1& form) {
      form.TakeReading(AtaReadingFromTables(form.DriveLayer().Tables(), drive));
      form.FillAttributeView();
    });
  }
  const std::vector<std::vector<std::string>>& Rows() const { return fx.ui.ListView1.Rows(); }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const auto& row : Rows()) ids.push_back(row.at(0));
    return ids;
  }
  std::vector<std::optional<Rgb>> Colours() const {
    std::vector<std::optional<Rgb>> colours;
    for (int row = 0; row < fx.ui.ListView1.ItemCount(); ++row) {
      colours.push_back(fx.ui.ListView1.RowBackground(row));
    }
    return colours;
  }
  std::string Hint() const { return fx.ui.TrayIcon1.hint; }
};

std::string HintFor(const std::string& temperature, const std::string& condition) {
  return std::string(kDrive0) + "\r\nTemperature:" + temperature + "\xB0" +
         "\r\nCondition:" + condition;
}

Rgb LabelColourFor(const std::string& condition) {
  if (condition == "CRITICAL") return kRed;
  if (condition == "WARNING") return kOrange;
  return kGreen;
}

const std::optional<Rgb> kNone;

struct ViewCase {
  const char* name;
  std::vector<Attr> attrs;
  std::vector<std::string> ids;
  const char* condition;
  std::vector<std::optional<Rgb>> colours;
  const char* temperature;
};

const std::vector<ViewCase>& ViewCases() {
  static const std::vector<ViewCase> cases = {
      {"all ids zero", {}, {}, "OK", {}, ""},
      {"out of order: the lower id after a higher one is left out",
       {{0, 1}, {1, 3}, {2, 2}, {3, 5}},
       {"1", "3", "5"},
       "OK",
       {kNone, kNone, kNone},
       ""},
      {"an empty entry does not end the table",
       {{0, 1}, {5, 0}, {29, 9}},
       {"1", "9"},
       "OK",
       {kNone, kNone},
       ""},
      {"duplicate id: the earlier entry wins, the later one's failure is not seen",
       {{4, 7, kPreFail, 100, 100, 50}, {9, 7, kPreFail, 100, 10, 90}},
       {"7"},
       "OK",
       {kNone},
       ""},
      {"pre-fail worst equal to threshold",
       {{0, 3, kPreFail, 36, 36, 36}},
       {"3"},
       "OK",
       {kNone},
       ""},
      {"pre-fail worst one below threshold",
       {{0, 3, kPreFail, 36, 35, 36}},
       {"3"},
       "CRITICAL",
       {kRed},
       ""},
      {"old-age worst equal to threshold", {{0, 4, kOldAge, 20, 20, 20}}, {"4"}, "OK", {kNone}, ""},
      {"old-age worst one below threshold",
       {{0, 4, kOldAge, 20, 19, 20}},
       {"4"},
       "WARNING",
       {kOrange},
       ""},
      {"the current value is never compared",
       {{0, 3, kPreFail, 1, 100, 50}},
       {"3"},
       "OK",
       {kNone},
       ""},
      {"a threshold of zero cannot be undercut",
       {{0, 3, kPreFail, 0, 0, 0}},
       {"3"},
       "OK",
       {kNone},
       ""},
      {"old-age failure then pre-fail failure further down",
       {{0, 4, kOldAge, 1, 1, 20}, {1, 8, kPreFail, 1, 1, 20}},
       {"4", "8"},
       "CRITICAL",
       {kOrange, kRed},
       ""},
      {"critical is not lowered by later warnings",
       {{0, 3, kPreFail, 1, 1, 20}, {1, 4, kOldAge, 1, 1, 20}, {2, 197, kOldAge, 100, 100, 0, {1}}},
       {"3", "4", "197"},
       "CRITICAL",
       {kRed, kOrange, kOrange},
       ""},
      {"watched counter whose low two bytes are zero",
       {{0, 197, kOldAge, 100, 100, 0, {0, 0, 1, 0, 0, 0}}},
       {"197"},
       "OK",
       {kNone},
       ""},
      {"watched counter of one",
       {{0, 197, kOldAge, 100, 100, 0, {1, 0, 0, 0, 0, 0}}},
       {"197"},
       "WARNING",
       {kOrange},
       ""},
      {"raw of an id that is not watched does not count",
       {{0, 199, kOldAge, 100, 100, 0, {0xFF, 0xFF}}},
       {"199"},
       "OK",
       {kNone},
       ""},
      {"failing pre-fail counter: critical, yet painted orange",
       {{0, 5, kPreFail, 30, 30, 36, {12}}},
       {"5"},
       "CRITICAL",
       {kOrange},
       ""},
      {"temperature from a packed raw value",
       {{0, 194, kOldAge, 35, 50, 0, {0x23, 0x00, 0x10, 0x00, 0x2D, 0x00}}},
       {"194"},
       "OK",
       {kNone},
       "35"},
      {"temperature from both low bytes",
       {{0, 194, kOldAge, 35, 50, 0, {0x23, 0x01}}},
       {"194"},
       "OK",
       {kNone},
       "291"},
      {"id 194 after a higher id gives no temperature",
       {{0, 200}, {1, 194, kOldAge, 35, 50, 0, {0x23}}},
       {"200"},
       "OK",
       {kNone},
       ""},
      {"only id 194 feeds the temperature",
       {{0, 190, kOldAge, 40, 40, 0, {40}}, {1, 231, kOldAge, 40, 40, 0, {41}}},
       {"190", "231"},
       "OK",
       {kNone, kNone},
       ""},
  };
  return cases;
}

TEST(AttributeView, PreparedTables) {
  for (const ViewCase& c : ViewCases()) {
    SCOPED_TRACE(c.name);
    FilledView view(c.attrs);
    EXPECT_EQ(view.Ids(), c.ids);
    EXPECT_EQ(view.fx.form.DriveCondition, c.condition);
    EXPECT_EQ(view.Colours(), c.colours);
    EXPECT_EQ(view.fx.ui.lblstatus.caption, c.condition);
    EXPECT_EQ(view.fx.ui.lblstatus.color, LabelColourFor(c.condition));
    EXPECT_EQ(view.Hint(), HintFor(c.temperature, c.condition));
    EXPECT_TRUE(view.fx.ui.App.messages.empty());
  }
}

TEST(AttributeView, RowCellsInColumnOrder) {
  FilledView view({
      {0, 5, kPreFail, 200, 199, 140, {0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF}},
      {1, 99, kOldAge, 255, 0, 255, {0xFF, 0xFF}},
      {2, 108, 0x0000, 0, 253, 0},
      {3, 234, 0x0001, 1, 2, 3},
      {4, 255, 0xFFFF, 100, 100, 0},
  });
  const std::vector<std::vector<std::string>> expected = {
      {"5", "Pre-fail", "200", "199", "140", "4660", "Reallocated Sector Count"},
      {"99", "Old_age", "255", "0", "255", "65535", "Unknown"},
      {"108", "Old_age", "0", "253", "0", "0", "Unknown"},
      {"234", "Pre-fail", "1", "2", "3", "0", "Average erase count AND Maximum Erase Co"},
      {"255", "Pre-fail", "100", "100", "0", "0", "Unknown"},
  };
  EXPECT_EQ(view.Rows(), expected);
}

TEST(AttributeView, DuplicateShowsTheEarlierThreshold) {
  FilledView view({{4, 7, kOldAge, 100, 100, 50}, {9, 7, kOldAge, 100, 100, 90}});
  ASSERT_EQ(view.Rows().size(), 1u);
  EXPECT_EQ(view.Rows()[0][4], "50");
}

TEST(AttributeView, ReadsTheSlotOfTheDriveNumber) {
  FilledView view({{0, 9, kOldAge, 100, 100, 0}}, 3);
  EXPECT_EQ(view.Ids(), std::vector<std::string>{"9"});
  view.fx.ui.ListView1.Clear();
  view.fx.form.TakeReading(AtaReadingFromTables(view.fx.drv.Tables(), 0));
  view.fx.form.FillAttributeView();
  EXPECT_EQ(view.fx.ui.ListView1.ItemCount(), 0);
}

TEST(AttributeView, EvaluateOnlyRaisesTheCondition) {
  const struct {
    const char* before;
    const char* type;
    int id;
    int worst;
    int threshold;
    int raw16;
    const char* after;
  } cases[] = {
      {"OK", "Old_age", 4, 19, 20, 0, "WARNING"},
      {"WARNING", "Old_age", 4, 19, 20, 0, "WARNING"},
      {"CRITICAL", "Old_age", 4, 19, 20, 0, "CRITICAL"},
      {"OK", "Pre-fail", 3, 35, 36, 0, "CRITICAL"},
      {"WARNING", "Pre-fail", 3, 35, 36, 0, "CRITICAL"},
      {"OK", "Pre-fail", 3, 36, 36, 0, "OK"},
      {"WARNING", "Pre-fail", 3, 200, 36, 0, "WARNING"},
      {"OK", "Old_age", 201, 100, 0, 1, "WARNING"},
      {"CRITICAL", "Old_age", 188, 100, 0, 1, "CRITICAL"},
      {"OK", "Pre-fail", 5, 30, 36, 12, "CRITICAL"},
      {"OK", "Old_age", 197, 100, 0, 0, "OK"},
      {"OK", "", 4, 1, 20, 0, "OK"},  // neither type: only the counter rule applies
      {"OK", "", 10, 100, 0, 3, "WARNING"},
  };
  const auto verdict_of = [](std::string_view text) {
    return text == "CRITICAL"  ? Verdict::Critical
           : text == "WARNING" ? Verdict::Warning
                               : Verdict::Ok;
  };
  for (const auto& c : cases) {
    // An earlier item that raised the condition to `before`, then the item judged.
    std::vector<HealthItem> items(2);
    if (verdict_of(c.before) != Verdict::Ok) items[0].findings = {{verdict_of(c.before), "x"}};
    items[1].findings = AtaAttributeFindings(c.type, c.id, c.worst, c.threshold, c.raw16);
    EXPECT_EQ(ConditionText(JudgeCondition(items)), c.after)
        << c.before << " " << c.type << " id " << c.id << " worst " << c.worst << " threshold "
        << c.threshold << " raw " << c.raw16;
  }
}

TEST(AttributeView, EveryWatchedCounterWarns) {
  for (int id = 0; id <= 255; ++id) {
    HealthItem item;
    item.findings = AtaAttributeFindings("Old_age", id, 100, 0, 1);
    const bool watched = id == 5 || id == 10 || id == 184 || id == 187 || id == 188 || id == 196 ||
                         id == 197 || id == 198 || id == 201;
    EXPECT_EQ(ConditionText(JudgeCondition({item})), watched ? "WARNING" : "OK") << id;
  }
}

// A row is painted by the last rule its attribute met: a failing pre-fail counter that is also
// non-zero shows orange, while the drive's condition takes the worst.
TEST(AttributeView, RowColourIsTheLastRuleMet) {
  const struct {
    Attr attr;
    std::optional<Rgb> colour;
    const char* condition;
  } cases[] = {
      {{0, 3, kPreFail, 100, 35, 36, {}}, kRed, "CRITICAL"},
      {{0, 3, kPreFail, 100, 36, 36, {}}, kNone, "OK"},
      {{0, 4, kOldAge, 1, 1, 20, {7}}, kOrange, "WARNING"},
      {{0, 5, kPreFail, 100, 35, 36, {12}}, kOrange, "CRITICAL"},
      {{0, 5, kPreFail, 100, 35, 36, {}}, kRed, "CRITICAL"},
      {{0, 197, kOldAge, 100, 100, 0, {1}}, kOrange, "WARNING"},
      {{0, 199, kOldAge, 100, 100, 0, {1}}, kNone, "OK"},
      {{0, 9, kPreFail, 100, 9, 10, {}}, kRed, "CRITICAL"},
      {{0, 9, kPreFail, 100, 10, 9, {}}, kNone, "OK"},
      {{0, 5, kOldAge, 100, 100, 0, {0, 0, 1}}, kNone, "OK"},  // only the low 16 bits count
  };
  for (const auto& c : cases) {
    const FilledView view({c.attr});
    ASSERT_EQ(view.Rows().size(), 1u);
    EXPECT_EQ(view.fx.ui.ListView1.RowBackground(0), c.colour) << int{c.attr.id};
    EXPECT_EQ(view.fx.form.DriveCondition, c.condition) << int{c.attr.id};
    EXPECT_EQ(view.fx.form.ListView1CustomDrawItem(1), kNone);
    EXPECT_EQ(view.fx.form.ListView1CustomDrawItem(-1), kNone);
  }
}

TEST(AttributeView, LabelAndHintDropTheVerdictWhenTheDriveStopsAnswering) {
  FormFixture fx;
  DriveImage failing;
  AddAttribute(failing, {.id = 3, .flags = kFlagPreFail, .worst = 1, .threshold = 20});
  fx.bay.AddDrive(0, failing);
  fx.Run([](TForm1& form) { form.FormShow(); });
  ASSERT_EQ(fx.ui.lblstatus.caption, "CRITICAL");
  const std::string hint = fx.ui.TrayIcon1.hint;

  // The drive stops answering: the views are cleared, and the label and the hint no longer show
  // the verdict of a read that did not happen.
  fx.bay.FindDrive(0)->behaviour = {
      .answers_ata_pass_through = false, .answers_legacy = false, .answers_sat = false};
  fx.Run([](TForm1& form) { form.Refresh1Click(); });
  EXPECT_EQ(fx.ui.ListView1.ItemCount(), 0);
  EXPECT_EQ(fx.ui.lblstatus.caption, "");
  EXPECT_EQ(fx.ui.lblstatus.color, std::nullopt);
  EXPECT_NE(fx.ui.TrayIcon1.hint, hint);
  EXPECT_EQ(fx.ui.TrayIcon1.hint, "\\\\.\\PHYSICALDRIVE0\r\nNot a S.M.A.R.T enabled device");
}

// Captured drives, the expectations worked out from their bytes.
struct CapturedCase {
  const char* name;
  int rows;
  int first_id;
  int last_id;
  const char* condition;
  const char* temperature;
  std::vector<std::pair<int, Rgb>> coloured;  // rows with a background, by id
};

const std::vector<CapturedCase>& CapturedCases() {
  static const std::vector<CapturedCase> cases = {
      {"FUJITSU_MHY2120BH--0084000D", 21, 1, 240, "OK", "28", {}},
      {"FUJITSU_MHY2120BH--0085000B",
       14,
       1,
       200,
       "WARNING",
       "34",
       {{196, kOrange}, {197, kOrange}, {198, kOrange}}},
      {"FUJITSU_MHY2250BH--0085000B",
       14,
       1,
       200,
       "WARNING",
       "39",
       {{196, kOrange}, {197, kOrange}, {198, kOrange}}},
      {"FUJITSU_MHZ2160BH_G1--0084000A", 21, 1, 240, "OK", "39", {}},
      {"INTEL_SSDSA2CW120G3--4PC10302", 19, 3, 242, "OK", "", {}},
      // Ids 225 to 228 follow 233 in the table and are left out.
      {"INTEL_SSDSA2MH080G1GC--045C8820", 8, 3, 233, "OK", "", {}},
      {"MCCOE64GEMPP--2.9.09", 16, 1, 232, "WARNING", "", {{5, kOrange}}},
      // Ids 96 to 101 at the table's end follow 209 and are left out.
      {"Maxtor_96147H8--BAC51KJ0",
       24,
       1,
       209,
       "WARNING",
       "",
       {{5, kOrange}, {10, kOrange}, {197, kOrange}, {201, kOrange}}},
      // Attribute 10 (pre-fail) has fallen to worst 210 below its threshold 223: CRITICAL, yet
      // its row is orange because the retry counter is also non-zero.
      {"Maxtor_96147H8--BAC51KJ0--2",
       24,
       1,
       209,
       "CRITICAL",
       "",
       {{5, kOrange}, {10, kOrange}, {197, kOrange}, {201, kOrange}}},
      {"SAMSUNG_HD501LJ--CR100-12",
       23,
       1,
       202,
       "WARNING",
       "47",
       {{5, kOrange}, {196, kOrange}, {197, kOrange}}},
      {"SAMSUNG_MMCQE28G8MUP--0VA_VAM08L1Q", 21, 9, 238, "OK", "", {}},
      {"SAMSUNG_MP0804H--UE100-14", 21, 1, 255, "OK", "48", {}},
      {"ST320410A--3.39", 15, 1, 202, "CRITICAL", "40", {{5, kOrange}, {10, kRed}}},
      // Attribute 4 (old-age) has worst 1 below its threshold 20; 196 counts 2097 events.
      {"ST9100821AS--3.CME", 24, 1, 254, "WARNING", "34", {{4, kOrange}, {196, kOrange}}},
      {"ST9160821AS--3.CLH",
       22,
       1,
       202,
       "WARNING",
       "38",
       {{190, kOrange}, {196, kOrange}, {197, kOrange}, {198, kOrange}}},
      {"TOSHIBA_MK1651GSY--38IGT0G5T", 15, 1, 254, "WARNING", "41", {{5, kOrange}}},
      {"WDC_WD2500JB--00REA0-20.00K20", 15, 1, 200, "CRITICAL", "17", {{3, kRed}, {197, kOrange}}},
      {"WDC_WD2500JS-75NCB3--10.02E04", 16, 1, 200, "WARNING", "38", {{190, kOrange}}},
      {"WDC_WD5000AAKS--00TMA0-12.01C01",
       17,
       1,
       200,
       "WARNING",
       "40",
       {{5, kOrange}, {196, kOrange}, {197, kOrange}}},
  };
  return cases;
}

TEST(AttributeView, CapturedDrivesAreAllCovered) {
  KESTRINE_REQUIRE_CAPTURED();
  std::vector<std::string> expected;
  for (const CapturedCase& c : CapturedCases()) expected.push_back(c.name);
  EXPECT_EQ(testing::CapturedNames(), expected);
}

TEST(AttributeView, CapturedDrives) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const CapturedCase& c : CapturedCases()) {
    SCOPED_TRACE(c.name);
    FormFixture fx;
    fx.bay.AddDrive(0, testing::CapturedImage(c.name));
    fx.Run([](TForm1& form) { form.FormShow(); });
    ASSERT_TRUE(fx.ui.App.messages.empty()) << fx.ui.App.messages.front();

    const auto& rows = fx.ui.ListView1.Rows();
    ASSERT_EQ(static_cast<int>(rows.size()), c.rows);
    EXPECT_EQ(rows.front().at(0), std::to_string(c.first_id));
    EXPECT_EQ(rows.back().at(0), std::to_string(c.last_id));
    std::vector<std::pair<int, Rgb>> coloured;
    int previous = 0;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      ASSERT_EQ(rows[row].size(), 7u);
      const int id = std::stoi(rows[row][0]);
      EXPECT_GT(id, previous);
      previous = id;
      if (const auto colour = fx.ui.ListView1.RowBackground(row)) coloured.push_back({id, *colour});
    }
    EXPECT_EQ(coloured, c.coloured);
    EXPECT_EQ(fx.form.DriveCondition, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.caption, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.color, LabelColourFor(c.condition));
    EXPECT_EQ(fx.ui.TrayIcon1.hint, HintFor(c.temperature, c.condition));
  }
}

TEST(AttributeView, CapturedFailingRowsShowTheirValues) {
  KESTRINE_REQUIRE_CAPTURED();
  const struct {
    const char* drive;
    std::vector<std::string> row;
  } cases[] = {
      {"Maxtor_96147H8--BAC51KJ0--2",
       {"10", "Pre-fail", "212", "210", "223", "99", "Spin-up Retry Count"}},
      {"ST9100821AS--3.CME", {"4", "Old_age", "1", "1", "20", "55783", "Start/Stop Count"}},
      {"ST9100821AS--3.CME", {"194", "Old_age", "34", "53", "0", "34", "HDD Temperature"}},
      {"ST9100821AS--3.CME",
       {"196", "Old_age", "98", "98", "0", "2097", "Reallocated Event Count"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.drive);
    FormFixture fx;
    fx.bay.AddDrive(0, testing::CapturedImage(c.drive));
    fx.Run([](TForm1& form) { form.FormShow(); });
    bool found = false;
    for (const auto& row : fx.ui.ListView1.Rows()) found = found || row == c.row;
    EXPECT_TRUE(found) << c.row[0];
  }
}

}  // namespace
}  // namespace kestrine
