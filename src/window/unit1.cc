#include "unit1.h"

#include "drive_number.h"
#include "errors.h"
#include "form_pages.h"
#include "form_texts.h"
#include "reading.h"
#include "storage.h"

namespace kestrine {

TForm1::TForm1(SmartDrv& drive_layer, FormControls controls)
    : DriveCondition(texts::kConditionOk), drv_(drive_layer), ui_(controls) {
  ui_.ListView1.SetCustomDraw(
      [this](int row) { return ListView1CustomDrawItem(ui_.ListView1, row); });
}

TForm1::~TForm1() = default;

void TForm1::FormShow() {
  ui_.ComboBox1.Clear();
  DevicePort& port = drv_.Port();
  bool refused = false;
  bool listed = false;
  for (int number = 0; number <= 255; ++number) {
    const std::string path = DriveDevicePath(number);
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
  ui_.ComboBox1.SelectFirst();
  RequestRefresh();
}

void TForm1::ComboBox1Change() {
  RequestRefresh();
}
void TForm1::Timer2Timer() {
  RequestRefresh();
}
void TForm1::Refresh1Click() {
  RequestRefresh();
}

void TForm1::SavetoHTML1Click() {
  const int page = ui_.PageControl1.ActivePageIndex();
  if (page < 0 || page >= static_cast<int>(kPages.size())) return;
  SaveListViewAsHtml(PageListView(ui_, static_cast<std::size_t>(page)), ui_.App);
}

void TForm1::Restore1Click() {
  ui_.App.Terminate();
}

void TForm1::RequestRefresh() {
  if (refreshing_) {
    refresh_held_ = true;
    return;
  }
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  };
  Running running(refreshing_);
  do {
    refresh_held_ = false;
    RefreshDrive();
  } while (refresh_held_);
}

void TForm1::RefreshDrive() {
  ui_.ListView1.Clear();
  ui_.ListView2.Clear();
  ui_.ListView3.Clear();
  ui_.ListView4.Clear();
  DriveCondition = texts::kConditionOk;
  last_reading_.reset();
  self_test_log_.reset();

  const std::string selected = ui_.ComboBox1.Text();
  Byte drive_number = 0;
  try {
    drive_number = DriveNumberFromText(selected);
  } catch (const EConvertError&) {
    ShowDriveNotRead(selected);
    throw;  // the top-level handler shows the conversion error
  }
  const DeviceHandle handle = drv_.OpenDrive(selected);
  TDisk_Property property;
  drv_.QueryDiskProperty(selected, property);

  std::string access_method;
  std::string bus_type = property.BusType;
  bool nvme = false;
  if (drv_.IdentifyDeviceAta(handle, drive_number) == 1) {
    drv_.ReadThresholdsAta(handle, drive_number);
    drv_.ReadSmartDataAta(handle, drive_number);
    access_method = texts::kMethodAta;
  } else if (drv_.IdentifyDeviceSat(handle, drive_number) == 1) {
    drv_.ReadSmartDataSat(handle, drive_number);
    drv_.ReadThresholdsSat(handle, drive_number);
    access_method = texts::kMethodSat;
  } else if (drv_.IdentifyDeviceNvme(handle, drive_number) == 1) {
    drv_.ReadHealthLogNvme(handle, drive_number);
    access_method = texts::kMethodNvme;
    bus_type = texts::kBusNvme;
    nvme = true;
  } else {
    ShowDriveNotRead(selected);
    ui_.App.ShowMessage(texts::kNotSmartDevice);
    drv_.CloseDrive(handle);
    return;
  }
  drv_.CloseDrive(handle);
  ui_.StatusBar1.SetText("BusType:" + bus_type + " " + "Method:" + access_method);

  if (nvme) {
    FillNvmeViews(drive_number);
  } else {
    FillIdentifyView(drive_number);
    FillAttributeView(drive_number);
    FillSelfTestLogView();
    FillGeneralView();
  }
  KeepReading(drive_number, selected);
}

void TForm1::KeepReading(Byte drive_number, const std::string& selected) {
  const SmartTables& tables = drv_.Tables();
  DriveReading reading = ReadingFromTables(tables, drive_number);
  if (reading.family == TransportFamily::Nvme) {
    if (reading.identity.nvme && reading.identity.nvme->SelfTestSupported)
      AddNvmeSelfTestLog(reading, tables.NvmeSelfTest);
  } else if (self_test_log_) {
    AddAtaSelfTestLog(reading, *self_test_log_);
  }
  last_reading_ = std::make_unique<DriveReading>(std::move(reading));
  if (AfterDriveRead) AfterDriveRead(*last_reading_, selected);
}

void TForm1::ShowDriveNotRead(const std::string& selected) {
  ui_.lblstatus.Clear();
  ui_.StatusBar1.SetText("");
  ui_.TrayIcon1.SetHint(selected + texts::kLineBreak + texts::kNotSmartDevice);
}

}  // namespace kestrine
