// The Qt main window over a simulated bay, with recorded message boxes, as the Qt tests use it.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QString>
#include <algorithm>
#include <string>

#include "drive_image_builder.h"
#include "fake_toolkit.h"
#include "main_window.h"
#include "qt_latin1.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "test_drives.h"
#include "unit1.h"

namespace kestrine::testing {

// The window with the desktop's notification area, and how its icon is served, chosen by the
// test.
class TestWindow : public MainWindow {
 public:
  using MainWindow::MainWindow;
  bool notification_area = false;
  bool tray_over_dbus = false;

 protected:
  bool NotificationAreaAvailable() const override { return notification_area; }
  bool TrayServedOverDBus() const override { return tray_over_dbus; }
};

// Drive 0: a SATA disk answering ATA pass-through, with a pre-fail attribute below its
// threshold (CRITICAL) and a temperature of 40.
inline DriveImage FailingSataDisk() {
  DriveImage image;
  image.bus_type = BusType::Sata;
  SetIdentifyTexts(image.identify, "QT TEST DISK", "1.0", "SN0");
  AddAttribute(image, {.id = 1,
                       .flags = kFlagPreFail | kFlagOnline,
                       .value = 30,
                       .worst = 30,
                       .raw = 0,
                       .threshold = 50});
  AddAttribute(
      image,
      {.id = 194, .flags = kFlagOnline, .value = 60, .worst = 55, .raw = 40, .threshold = 0});
  SealDriveImage(image);
  return image;
}

// Drive 1: an SSD behind a USB bridge that answers only SAT; nothing below a threshold (OK).
inline DriveImage HealthyUsbSsd() {
  DriveImage image;
  image.bus_type = BusType::Usb;
  SetIdentifyTexts(image.identify, "QT TEST SSD", "2.0", "SN1");
  AddAttribute(
      image,
      {.id = 9, .flags = kFlagOnline, .value = 99, .worst = 99, .raw = 1234, .threshold = 0});
  AddAttribute(
      image,
      {.id = 194, .flags = kFlagOnline, .value = 70, .worst = 60, .raw = 31, .threshold = 0});
  SealDriveImage(image);
  return image;
}

// Drive 2: a SATA disk with an old-age attribute below its threshold (WARNING).
inline DriveImage WornSataDisk() {
  DriveImage image;
  image.bus_type = BusType::Sata;
  SetIdentifyTexts(image.identify, "QT TEST WORN", "3.0", "SN2");
  AddAttribute(
      image,
      {.id = 194, .flags = kFlagOnline, .value = 70, .worst = 60, .raw = 35, .threshold = 0});
  AddAttribute(
      image, {.id = 200, .flags = kFlagOnline, .value = 5, .worst = 5, .raw = 0, .threshold = 10});
  SealDriveImage(image);
  return image;
}

struct WindowFixture {
  SimBay bay;
  SmartDrv drv{bay};
  FakeApplication app;
  TestWindow window{app};
  TForm1 form{drv, window.Controls()};

  WindowFixture() { window.Attach(form); }

  // The three test drives in the bay.
  void AddTestDrives() {
    bay.AddDrive(0, FailingSataDisk());
    bay.AddDrive(1, HealthyUsbSsd(), SatOnly());
    bay.AddDrive(2, WornSataDisk());
  }

  // Shows the window and lets FormShow run.
  void Show() {
    window.show();
    Settle();
  }
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  template <typename Widget>
  Widget* Find(const char* name) const {
    Widget* const widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  std::string StatusText() const { return ToLatin1(Find<QLabel>("StatusBar1Text")->text()); }

  // Each refresh queries the storage properties once.
  int Refreshes() const {
    return static_cast<int>(std::ranges::count_if(bay.Requests(), [](const RecordedRequest& r) {
      return r.code == kIoctlStorageQueryProperty;
    }));
  }
};

}  // namespace kestrine::testing
