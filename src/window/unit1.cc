#include "unit1.h"

#include <algorithm>

#include "drive_number.h"
#include "errors.h"
#include "form_pages.h"
#include "form_texts.h"
#include "list_view_report.h"
#include "reading_texts.h"

namespace kestrine {

namespace {

std::string AsleepStatusText(const std::string& read_status, PowerMode mode) {
  const char* asleep =
      mode == PowerMode::Suspended ? texts::kAsleepSuspended : texts::kAsleepStandby;
  return read_status.empty() ? asleep : read_status + "  " + asleep;
}

}  // namespace

TForm1::TForm1(SmartDrv& drive_layer, FormControls controls, SystemLog* system_log)
    : DriveCondition(texts::kConditionOk),
      drv_(drive_layer),
      ui_(controls),
      system_log_(system_log) {
  ui_.ListView1.SetCustomDraw([this](int row) { return ListView1CustomDrawItem(row); });
}

void TForm1::FormShow() {
  ListDrives();
  ui_.ComboBox1.SelectFirst();
  if (ui_.ComboBox1.Text().empty()) {
    // Nothing to read: an empty window that says so, rather than the empty selector's
    // conversion error.
    DriveCondition.clear();
    ui_.lblstatus.Clear();
    ui_.StatusBar1.SetText(texts::kNoDiskFound);
    ui_.TrayIcon1.SetHint(texts::kNoDiskFound);
    return;
  }
  RequestRefresh();
}

void TForm1::ListDrives() {
  ui_.ComboBox1.Clear();
  DevicePort& port = drv_.Port();
  bool refused = false;
  bool listed = false;
  for (int number = 0; number <= 255; ++number) {
    const std::string path = DriveDevicePath(number);
    if (port.PowerWithoutOpening(path) == PowerMode::Suspended) {
      ui_.ComboBox1.AddItem(path);
      listed = true;
      continue;
    }
    const DeviceHandle handle = port.Open(path, Access::ReadOnly);
    if (handle == kInvalidHandle) {
      refused = refused || port.LastOpenFailure().error == OpenError::AccessDenied;
      continue;
    }
    ui_.ComboBox1.AddItem(path);
    listed = true;
    port.Close(handle);
  }
  // Drives there but none to open: say why before the empty list's refresh complains.
  if (refused && !listed) ui_.App.ShowMessage(texts::kNeedsAdministratorRights);
}

void TForm1::ComboBox1Change() {
  RequestRefresh();
}
void TForm1::Timer2Timer() {
  RefreshUnasked();
}
void TForm1::Refresh1Click() {
  RequestRefresh();
}
void TForm1::RefreshUnasked() {
  RequestRefresh(Cause::Unasked);
}
void TForm1::RefreshUnlessAsleep() {
  RequestRefresh(Cause::UnlessAsleep);
}

void TForm1::SavetoHTML1Click() {
  SaveActivePageAsHtml();
}

bool TForm1::SaveActivePageAsHtml() {
  const int page = ui_.PageControl1.ActivePageIndex();
  if (page < 0 || page >= static_cast<int>(kPages.size())) return false;
  return SaveListViewAsHtml(PageListView(ui_, static_cast<std::size_t>(page)), ui_.App);
}

void TForm1::Restore1Click() {
  ui_.App.Terminate();
}

void TForm1::NotificationClick() {
  if (told_drive_.empty() || told_drive_ == ui_.ComboBox1.Text()) return;
  ui_.ComboBox1.SetText(told_drive_);
  RequestRefresh();
}

void TForm1::RequestRefresh(Cause cause) {
  if (refreshing_) {
    // Held requests run as one, a read whenever the user asked for one of them.
    held_cause_ = refresh_held_ && held_cause_ == Cause::User ? Cause::User : cause;
    refresh_held_ = true;
    return;
  }
  struct Running {
    TForm1& form;
    explicit Running(TForm1& f) : form(f) { form.refreshing_ = true; }
    ~Running() {
      form.refreshing_ = false;
      form.refresh_cause_ = Cause::User;
    }
  };
  Running running(*this);
  do {
    refresh_held_ = false;
    RefreshDrive(cause);
    cause = held_cause_;
  } while (refresh_held_);
}

void TForm1::RefreshDrive(Cause cause) {
  refresh_cause_ = cause;
  left_asleep_ = PowerMode::Unknown;
  if (cause != Cause::User && LeaveAsleep()) return;
  ui_.ListView1.Clear();
  ui_.ListView2.Clear();
  ui_.ListView3.Clear();
  ui_.ListView4.Clear();
  reading_ = DriveReading{};
  changes_.clear();
  DriveCondition = texts::kConditionOk;

  const std::string selected = ui_.ComboBox1.Text();
  Byte drive_number = 0;
  try {
    drive_number = DriveNumberFromText(selected);
  } catch (const EConvertError& error) {
    ShowDriveNotRead(selected);
    if (cause != Cause::Unasked) throw;  // the top-level handler shows the conversion error
    TellNotRead(selected, error.what());
    return;
  }
  const DeviceHandle handle = drv_.OpenDrive(selected);
  TDisk_Property property;
  drv_.QueryDiskProperty(selected, property);

  std::string bus_type = property.BusType;
  bool nvme = false;
  if (drv_.IdentifyDeviceAta(handle, drive_number) == CommandResult::Success) {
    drv_.ReadThresholdsAta(handle, drive_number);
    drv_.ReadSmartDataAta(handle, drive_number);
  } else if (drv_.IdentifyDeviceSat(handle, drive_number) == CommandResult::Success) {
    drv_.ReadSmartDataSat(handle, drive_number);
    drv_.ReadThresholdsSat(handle, drive_number);
  } else if (drv_.IdentifyDeviceNvme(handle, drive_number) == CommandResult::Success) {
    drv_.ReadHealthLogNvme(handle, drive_number);
    bus_type = texts::kBusNvme;
    nvme = true;
  } else {
    ShowDriveNotRead(selected);
    drv_.CloseDrive(handle);
    if (cause != Cause::Unasked) {
      ui_.App.ShowMessage(texts::kNotSmartDevice);
    } else {
      TellNotRead(selected, texts::kNotSmartDevice);
    }
    return;
  }
  drv_.CloseDrive(handle);
  told_not_read_.reset();
  reading_ = nvme ? NvmeReadingFromTables(drv_.Tables(), drive_number)
                  : AtaReadingFromTables(drv_.Tables(), drive_number);
  read_drive_ = selected;
  read_status_ = "BusType:" + bus_type + " " + "Method:" + std::string(MethodText(reading_.family));
  ui_.StatusBar1.SetText(read_status_);

  if (nvme) {
    FillNvmeViews();
  } else {
    FillIdentifyView();
    FillAttributeView();
    FillSelfTestLogView();
    // Without the S.M.A.R.T. data there are no status bytes to show.
    if (reading_.parts.health) FillGeneralView();
  }
  // Compared once the self-test log is in the reading.
  changes_ = watch_.Look(reading_, selected);
  std::string name = selected;
  for (const std::string* text : {&reading_.identity.model, &reading_.identity.serial}) {
    // The drive pads its texts with spaces.
    const std::size_t first = text->find_first_not_of(' ');
    if (first != std::string::npos)
      name += " " + text->substr(first, text->find_last_not_of(' ') - first + 1);
  }
  Tell(selected, name, changes_);
  if (AfterDriveRead) AfterDriveRead(reading_, selected, cause != Cause::Unasked);
}

void TForm1::TellNotRead(const std::string& selected, const std::string& reason) {
  if (told_not_read_ == selected) return;
  told_not_read_ = selected;
  Tell(selected, selected, {{Severity::Warning, FormatMessage(texts::kNotReadAtTick, {reason})}});
}

void TForm1::SelfTestLogRead(bool read) {
  if (read) {
    told_log_not_read_.reset();
    return;
  }
  if (refresh_cause_ != Cause::Unasked) {
    ui_.App.ShowMessage(texts::kFailed);
    return;
  }
  const std::string selected = ui_.ComboBox1.Text();
  if (told_log_not_read_ == selected) return;
  told_log_not_read_ = selected;
  Tell(selected, selected, {{Severity::Warning, texts::kSelfTestLogNotReadAtTick}});
}

void TForm1::Tell(const std::string& path, const std::string& name,
                  const std::vector<DriveChange>& changes) {
  Notification notification;
  for (const DriveChange& change : changes) {
    if (system_log_ != nullptr)
      system_log_->Write(change.severity, name + texts::kToldDriveSeparator + change.text);
    // A drive that got better is only logged.
    if (change.severity == Severity::Information) continue;
    if (!notification.text.empty()) notification.text += texts::kLineBreak;
    notification.text += change.text;
    notification.severity = std::max(notification.severity, change.severity);
  }
  if (notification.text.empty()) return;
  notification.title = name.empty() ? texts::kConfirmCaption : name;
  told_drive_ = path;
  ui_.TrayIcon1.Notify(notification);
}

bool TForm1::LeaveAsleep() {
  const std::string selected = ui_.ComboBox1.Text();
  Byte drive_number = 0;
  try {
    drive_number = DriveNumberFromText(selected);
  } catch (const EConvertError&) {
    return false;  // the read that follows says what is wrong with the text
  }
  const PowerMode mode = drv_.PowerModeWithoutWaking(selected, drive_number);
  if (!Asleep(mode)) return false;
  left_asleep_ = mode;
  if (read_drive_ != selected) {
    // What is on show was read from another drive: none of it is this drive's.
    for (ListView* view : {&ui_.ListView1, &ui_.ListView2, &ui_.ListView3, &ui_.ListView4})
      view->Clear();
    reading_ = DriveReading{};
    read_status_.clear();
    DriveCondition.clear();
    ui_.lblstatus.Clear();
    ui_.TrayIcon1.SetHint(selected + texts::kLineBreak + AsleepStatusText("", mode));
  }
  ui_.StatusBar1.SetText(AsleepStatusText(read_status_, mode));
  return true;
}

void TForm1::ShowDriveNotRead(const std::string& selected) {
  DriveCondition.clear();
  read_status_.clear();
  ui_.lblstatus.Clear();
  ui_.StatusBar1.SetText("");
  ui_.TrayIcon1.SetHint(selected + texts::kLineBreak + texts::kNotSmartDevice);
}

void TForm1::ShowHealthNotRead() {
  DriveCondition.clear();
  ui_.lblstatus.Clear();
  ui_.TrayIcon1.SetHint(ui_.ComboBox1.Text() + texts::kLineBreak + texts::kHintCondition +
                        texts::kHealthNotRead);
}

}  // namespace kestrine
