#include "drive_number.h"
#include "form_texts.h"
#include "self_test_log_rows.h"
#include "unit1.h"

namespace kestrine {

namespace {

// Closes the drive when it goes out of scope, also when the drive number cannot be read. A drive
// that did not open is not singled out: its reads fail and the close is refused harmlessly.
class OpenedDrive {
 public:
  OpenedDrive(SmartDrv& drv, std::string_view name) : drv_(drv), handle_(drv.OpenDrive(name)) {}
  OpenedDrive(const OpenedDrive&) = delete;
  OpenedDrive& operator=(const OpenedDrive&) = delete;
  ~OpenedDrive() { drv_.CloseDrive(handle_); }
  DeviceHandle Handle() const { return handle_; }

 private:
  SmartDrv& drv_;
  DeviceHandle handle_;
};

}  // namespace

void TForm1::FillSelfTestLogView() {
  const std::string selected = ui_.ComboBox1.Text();
  Sector log{};
  bool read = false;
  {
    const OpenedDrive drive(drv_, selected);
    const Byte drive_number = DriveNumberFromText(selected);
    read = drv_.ReadSelfTestLogAta(drive.Handle(), drive_number, log) != 0 ||
           drv_.ReadSelfTestLogSat(drive.Handle(), drive_number, log) != 0;
  }
  // The drive is closed before the message box, which keeps the event loop running.
  if (!read) {
    ui_.App.ShowMessage(texts::kFailed);
    return;
  }
  for (auto& row : SelfTestLogRows(log)) ui_.ListView3.AddRow(std::move(row));
}

}  // namespace kestrine
