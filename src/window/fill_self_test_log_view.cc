#include "drive_number.h"
#include "opened_drive.h"
#include "self_test_log_rows.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillSelfTestLogView() {
  const std::string selected = ui_.ComboBox1.Text();
  const OpenedDrive drive(drv_, selected);
  const Byte drive_number = DriveNumberFromText(selected);
  Sector log{};
  const bool read =
      drv_.ReadSelfTestLog(drive.Handle(), drive_number, log) == CommandResult::Success;
  SelfTestLogRead(read);
  if (!read) return;
  AddAtaSelfTestLog(reading_, log);
  for (auto& row : SelfTestLogRows(reading_.self_test_log)) ui_.ListView3.AddRow(std::move(row));
}

}  // namespace kestrine
