// TForm1: the main window's logic, free of any toolkit. Front ends forward their events to the
// handlers here (through RunGuarded) and draw what the handlers decide.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "smart_drv.h"
#include "toolkit.h"

namespace kestrine {

struct DriveReading;  // reading.h

inline constexpr int kTimer2IntervalMs = 600000;  // the ten-minute re-read

class TForm1 {
 public:
  TForm1(SmartDrv& drive_layer, FormControls controls);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Event handlers.
  void FormShow();
  void ComboBox1Change();
  void Timer2Timer();
  void Refresh1Click();
  void SavetoHTML1Click();
  void Restore1Click();
  void Button4Click();  // "Self Test (Short)"
  void Button2Click();  // "Self Test (Ext.)"
  // The background of a row of ListView1 when it is painted, from the row's own cells.
  std::optional<Rgb> ListView1CustomDrawItem(const ListView& list, int row) const;

  // The four view fillers, run by RefreshDrive in this order. Public so that tests can run one
  // on prepared tables; each only appends to its list view.
  void FillIdentifyView(Byte drive_number);
  void FillAttributeView(Byte drive_number);
  void FillSelfTestLogView();
  void FillGeneralView();
  // The four views of an NVMe drive, in the same order.
  void FillNvmeViews(Byte drive_number);
  // Raises DriveCondition by one attribute's values.
  void EvaluateAttribute(const std::string& type, int id, int worst, int threshold, int raw16);

  // The condition of the drive shown: "OK", "WARNING" or "CRITICAL".
  std::string DriveCondition;

  // The reading of the drive the last refresh read, views filled; null when it read none.
  const DriveReading* LastReading() const { return last_reading_.get(); }
  // Told of each refresh that read a drive, with the selector's text, once the views are filled.
  std::function<void(const DriveReading& reading, const std::string& path)> AfterDriveRead;

  SmartDrv& DriveLayer() { return drv_; }
  const FormControls& Controls() const { return ui_; }

 private:
  // Runs RefreshDrive, or, when a refresh is already running (a message box inside it keeps the
  // event loop going), holds the request and runs it once when the running refresh ends.
  void RequestRefresh();
  void RefreshDrive();
  // What the window shows once a refresh has ended without reading the drive: no condition, no
  // bus or method, and a tray hint that names the selected drive and the failure, so that
  // nothing of the previous drive's verdict stays on show.
  void ShowDriveNotRead(const std::string& selected);
  void RunSelfTest(Byte test_code, const char* confirmation);
  // The condition label in the condition's colour, and the tray hint with the temperature.
  void ShowCondition(const std::string& temperature);
  // Keeps the reading of the drive just read and tells AfterDriveRead.
  void KeepReading(Byte drive_number, const std::string& selected);

  SmartDrv& drv_;
  FormControls ui_;
  bool refreshing_ = false;
  bool refresh_held_ = false;
  std::unique_ptr<DriveReading> last_reading_;
  std::optional<Sector> self_test_log_;  // the ATA log the Self Test Logs view was filled from
};

}  // namespace kestrine
