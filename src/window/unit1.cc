#include "unit1.h"

#include <algorithm>

#include "drive_number.h"
#include "drive_session.h"
#include "drive_views.h"
#include "errors.h"
#include "form_pages.h"
#include "form_texts.h"
#include "list_view_report.h"
#include "reading_texts.h"

namespace kestrine {

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
    SetTrayHint(texts::kNoDiskFound);
    return;
  }
  RequestOtherDrives();
  RequestRefresh();
}

void TForm1::ListDrives() {
  ui_.ComboBox1.Clear();
  const ListedDrives listed = kestrine::ListDrives(drv_.Port());
  for (const std::string& path : listed.paths) ui_.ComboBox1.AddItem(path);
  listed_ = listed.paths;
  items_ = listed.paths;
  // Drives there but none to open: say why before the empty list's refresh complains.
  if (listed.refused && listed.paths.empty()) ui_.App.ShowMessage(texts::kNeedsAdministratorRights);
}

void TForm1::ComboBox1Change() {
  RequestRefresh();
}
void TForm1::Timer2Timer() {
  RequestOtherDrives();
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
  if (told_drive_.empty() || told_drive_ == SelectedPath()) return;
  const auto listed = std::ranges::find(listed_, told_drive_);
  ui_.ComboBox1.SetText(listed == listed_.end()
                            ? told_drive_
                            : items_[static_cast<std::size_t>(listed - listed_.begin())]);
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
  const std::string selected = SelectedPath();
  Byte drive_number = 0;
  try {
    drive_number = DriveNumberFromText(selected);
  } catch (const EConvertError& error) {
    ClearViews();
    ShowDriveNotRead(selected);
    if (cause != Cause::Unasked) throw;  // the top-level handler shows the conversion error
    TellNotRead(selected, error.what());
    return;
  }
  // A refresh nobody asked for leaves a sleeping drive asleep, and the views as they are.
  SessionResult read =
      ReadDrive(drv_, selected, drive_number, {.check_power = cause != Cause::User});
  if (read.outcome == DriveOutcome::Asleep) {
    left_asleep_ = read.asleep;
    if (read_drive_ != selected) {
      // What is on show was read from another drive: none of it is this drive's.
      ClearViews();
      read_status_.clear();
      DriveCondition.clear();
      ui_.lblstatus.Clear();
      SetTrayHint(selected + texts::kLineBreak + AsleepStatusText("", read.asleep));
    }
    ui_.StatusBar1.SetText(AsleepStatusText(read_status_, read.asleep));
    return;
  }
  ClearViews();
  if (!read.Identified()) {
    ShowDriveNotRead(selected);
    if (cause != Cause::Unasked) {
      ui_.App.ShowMessage(texts::kNotSmartDevice);
    } else {
      TellNotRead(selected, texts::kNotSmartDevice);
    }
    return;
  }
  told_not_read_.reset();
  reading_ = std::move(read.reading);
  read_drive_ = selected;
  read_status_ = ReadStatusText(read.bus_type, reading_.family, reading_.usb_bridge);
  ui_.StatusBar1.SetText(read_status_);
  FillViews(read.self_test_log_asked);
  conditions_[selected] = DriveCondition;
  ShowTray();
  NameInSelector(selected, reading_.identity);
  WatchSelfTest(selected, reading_);
  // Compared once the self-test log is in the reading.
  changes_ = watch_.Look(reading_, selected);
  Tell(selected, ToldDriveName(selected, reading_.identity), changes_);
  if (AfterDriveRead) AfterDriveRead(reading_, selected, cause != Cause::Unasked);
}

void TForm1::ClearViews() {
  ui_.ListView1.Clear();
  ui_.ListView2.Clear();
  ui_.ListView3.Clear();
  ui_.ListView4.Clear();
  ui_.ListView5.Clear();
  reading_ = DriveReading{};
  changes_.clear();
  DriveCondition = texts::kConditionOk;
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
  const std::string selected = SelectedPath();
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

void TForm1::ShowDriveNotRead(const std::string& selected) {
  DriveCondition.clear();
  read_status_.clear();
  ui_.lblstatus.Clear();
  ui_.StatusBar1.SetText("");
  conditions_.erase(selected);
  SetTrayHint(selected + texts::kLineBreak + texts::kNotSmartDevice);
}

void TForm1::ShowHealthNotRead() {
  DriveCondition.clear();
  ui_.lblstatus.Clear();
  SetTrayHint(HealthNotReadHintText(SelectedPath()));
}

}  // namespace kestrine
