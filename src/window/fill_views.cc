// The view fillers: the rows of the views, made from the reading by the pure row builders of
// drive_views.h, appended to the list views; the drive's condition on the label and in the tray
// hint, and the row colours that show which items raised it.
#include <string>

#include "drive_number.h"
#include "drive_session.h"
#include "drive_views.h"
#include "form_texts.h"
#include "general_view_rows.h"
#include "identify_view_rows.h"
#include "opened_drive.h"
#include "reading_texts.h"
#include "self_test_log_rows.h"
#include "unit1.h"

namespace kestrine {

namespace {

void AddRows(ListView& list, const std::vector<ViewCells>& rows) {
  for (const ViewCells& row : rows) list.AddRow(row);
}

}  // namespace

void TForm1::FillViews(bool self_test_log_asked) {
  const DriveViews views = DriveViewRows(reading_);
  AddRows(ui_.ListView2, views.identify);
  FillAttributeView();
  if (self_test_log_asked) SelfTestLogRead(reading_.parts.self_test_log);
  AddRows(ui_.ListView3, views.self_test_log);
  AddRows(ui_.ListView4, views.general);
}

void TForm1::FillIdentifyView() {
  if (!reading_.identity.ata) return;
  for (IdentifyViewRow& row : IdentifyViewRows(*reading_.identity.ata)) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }
}

void TForm1::FillAttributeView() {
  // Without the health table there are no items and no verdict: the label shows none.
  if (!reading_.parts.health) {
    ShowHealthNotRead();
    return;
  }
  AddRows(ui_.ListView1, AttributeViewRows(reading_));
  DriveCondition = std::string(ConditionText(reading_.condition));
  ShowCondition(TemperatureText(reading_));
}

void TForm1::FillGeneralView() {
  if (!reading_.ata_status) return;
  AddRows(ui_.ListView4, GeneralViewRows(*reading_.ata_status));
}

void TForm1::FillSelfTestLogView() {
  const std::string selected = ui_.ComboBox1.Text();
  const OpenedDrive drive(drv_, selected);
  const Byte drive_number = DriveNumberFromText(selected);
  Sector log{};
  const bool read = Succeeded(drv_.ReadSelfTestLog(drive.Handle(), drive_number, log));
  SelfTestLogRead(read);
  if (!read) return;
  AddAtaSelfTestLog(reading_, log);
  AddRows(ui_.ListView3, SelfTestLogRows(reading_.self_test_log));
}

void TForm1::FillNvmeViews() {
  if (!reading_.identity.nvme || !reading_.nvme_blocks) return;
  bool asked = false;
  {
    const OpenedDrive drive(drv_, ui_.ComboBox1.Text());
    ReadSelfTestLogInto(drv_, drive.Handle(), reading_, asked);
  }
  FillViews(asked);
}

void TForm1::ShowCondition(const std::string& temperature) {
  ui_.lblstatus.SetCaption(DriveCondition);
  if (DriveCondition == texts::kConditionCritical) {
    ui_.lblstatus.SetColor(kRed);
  } else if (DriveCondition == texts::kConditionWarning) {
    ui_.lblstatus.SetColor(kOrange);
  } else {
    ui_.lblstatus.SetColor(kGreen);
  }
  ui_.TrayIcon1.SetHint(ConditionHintText(ui_.ComboBox1.Text(), temperature, DriveCondition));
}

std::optional<Rgb> TForm1::ListView1CustomDrawItem(int row) const {
  return AttributeRowColour(reading_, row);
}

}  // namespace kestrine
