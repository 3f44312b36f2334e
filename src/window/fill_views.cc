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

void AddRows(ListView& list, std::vector<ViewCells> rows) {
  for (ViewCells& row : rows) list.AddRow(std::move(row));
}

}  // namespace

void TForm1::FillViews(bool self_test_log_asked) {
  DriveViews views = DriveViewRows(reading_);
  AddRows(ui_.ListView2, std::move(views.identify));
  ShowAttributes(std::move(views.attributes));
  if (self_test_log_asked) SelfTestLogRead(reading_.parts.self_test_log);
  AddRows(ui_.ListView3, std::move(views.self_test_log));
  AddRows(ui_.ListView4, std::move(views.general));
  AddRows(ui_.ListView5, std::move(views.statistics));
}

void TForm1::FillIdentifyView() {
  const AtaPart* ata = std::get_if<AtaPart>(&reading_.part);
  if (ata == nullptr || !ata->identify) return;
  for (IdentifyViewRow& row : IdentifyViewRows(*ata->identify)) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }
}

void TForm1::FillAttributeView() {
  ShowAttributes(AttributeViewRows(reading_));
}

void TForm1::ShowAttributes(std::vector<ViewCells> rows) {
  // Without the health table there are no items and no verdict: the label shows none.
  if (!reading_.parts.health) {
    ShowHealthNotRead();
    return;
  }
  AddRows(ui_.ListView1, std::move(rows));
  DriveCondition = std::string(ConditionText(reading_.condition));
  ShowCondition(TemperatureText(reading_));
}

void TForm1::FillGeneralView() {
  const AtaPart* ata = std::get_if<AtaPart>(&reading_.part);
  if (ata == nullptr || !ata->status) return;
  AddRows(ui_.ListView4, GeneralViewRows(*ata->status));
}

void TForm1::FillSelfTestLogView() {
  const std::string selected = SelectedPath();
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
  const NvmePart* nvme = std::get_if<NvmePart>(&reading_.part);
  if (nvme == nullptr || !nvme->identity || !nvme->blocks) return;
  bool asked = false;
  {
    const OpenedDrive drive(drv_, SelectedPath());
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
  SetTrayHint(ConditionHintText(SelectedPath(), temperature, DriveCondition));
}

std::optional<Rgb> TForm1::ListView1CustomDrawItem(int row) const {
  return AttributeRowColour(reading_, row);
}

}  // namespace kestrine
