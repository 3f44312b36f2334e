// Arbitrary attribute and threshold entries through the Attributes view, its condition and its
// row colours. Input: one byte of drive number, the 360 bytes of attribute entries, the 360 bytes
// of threshold entries (short inputs are zero-filled), then the rest, up to its first 0x00, as the
// drive selector's text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "fuzz_input.h"

namespace {

using kestrine::Byte;

std::vector<std::string> SplitAtNul(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(data[i]));
    }
  }
  return parts;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// One form for the whole run: each input resets what a refresh resets.
struct Form {
  kestrine::SimBay bay;
  kestrine::SmartDrv drv{bay};
  kestrine::testing::FakeToolkit ui;
  kestrine::TForm1 form{drv, ui.Controls()};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Form* const f = new Form;

  kestrine::fuzzing::InputReader input(data, size);
  const Byte drive_number = input.Next();
  kestrine::SmartTables& tables = f->drv.Tables();
  input.Fill({tables.AttributeTable[drive_number][0].data(), kestrine::smart_entry::kEntriesSize});
  input.Fill({tables.ThresholdTable[drive_number][0].data(), kestrine::smart_entry::kEntriesSize});
  const std::vector<std::uint8_t> rest = input.Rest();
  const std::vector<std::string> extra = SplitAtNul(rest.data(), rest.size());

  f->ui.ListView1.Clear();
  f->form.DriveCondition = "OK";
  f->ui.ComboBox1.text = extra.front();
  tables.HealthRead[drive_number] = true;  // the entries stand for a READ DATA that answered
  f->form.TakeReading(kestrine::AtaReadingFromTables(tables, drive_number));
  f->form.FillAttributeView();

  // Rows: at most one per entry, seven cells, ids strictly ascending.
  const auto& rows = f->ui.ListView1.Rows();
  Check(rows.size() <= kestrine::smart_entry::kCount);
  int previous_id = 0;
  bool any_red = false;
  bool any_coloured = false;
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    Check(rows[row].size() == 7);
    const int id = std::stoi(rows[row][0]);
    Check(id > previous_id && id <= 255);
    previous_id = id;
    const std::optional<kestrine::Rgb> colour = f->ui.ListView1.RowBackground(row);
    Check(!colour || *colour == kestrine::kRed || *colour == kestrine::kOrange);
    any_red = any_red || colour == kestrine::kRed;
    any_coloured = any_coloured || colour.has_value();
  }

  // The condition agrees with the colours: every coloured row raised it, every raise shows.
  const std::string& condition = f->form.DriveCondition;
  Check(condition == "OK" || condition == "WARNING" || condition == "CRITICAL");
  Check((condition == "OK") == !any_coloured);
  Check(!any_red || condition == "CRITICAL");
  Check(f->ui.lblstatus.caption == condition);
  const std::string& hint = f->ui.TrayIcon1.hint;
  const std::string tail = "\r\nCondition:" + condition;
  Check(hint.starts_with(extra.front() + "\r\nTemperature:") && hint.ends_with(tail));

  // Rows beyond the view paint nothing; the rest after the selector's text is not used.
  Check(!f->form.ListView1CustomDrawItem(-1));
  Check(!f->form.ListView1CustomDrawItem(static_cast<int>(rows.size())));
  return 0;
}
