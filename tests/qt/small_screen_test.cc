// The Qt main window on a screen too small for the layout's place: the screen of a 1920 x 1080
// display at a scale factor of 2 (960 x 540 device-independent pixels). The offscreen platform
// is given that screen through its configuration file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>

#include "window_fixture.h"

namespace kestrine::testing {
namespace {

TEST(SmallScreen, TheWindowIsMovedJustEnoughToLieWithinTheAvailableArea) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  const QRect area = fx.window.screen()->availableGeometry();
  ASSERT_EQ(area.size(), QSize(960, 540)) << "the configured screen";
  const QRect frame = fx.window.frameGeometry();
  EXPECT_TRUE(area.contains(frame))
      << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
  // The least move: flush with the right and bottom edges, nothing more.
  EXPECT_EQ(frame.right(), area.right());
  EXPECT_EQ(frame.bottom(), area.bottom());
  EXPECT_EQ(fx.window.size(), QSize(611, 469));
  // The status bar, the part that was out of sight, is on the screen.
  const QWidget* const status_bar = fx.Find<QWidget>("StatusBar1");
  ASSERT_NE(status_bar, nullptr);
  const QRect status_on_screen(status_bar->mapToGlobal(QPoint(0, 0)), status_bar->size());
  EXPECT_TRUE(area.contains(status_on_screen));

  // Hidden and shown again, it stays where it is.
  const QPoint placed = fx.window.pos();
  fx.window.hide();
  fx.Show();
  EXPECT_EQ(fx.window.pos(), placed);
}

}  // namespace
}  // namespace kestrine::testing

int main(int argc, char** argv) {
  // The screen's configuration, written where the platform can read it while the test runs.
  QTemporaryDir folder;
  const QString config = QDir(folder.path()).filePath(QStringLiteral("screen.json"));
  QFile file(config);
  if (!folder.isValid() || !file.open(QIODevice::WriteOnly)) return 2;
  file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 960, "height": 540,
                               "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2.0}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
