// What the Qt window shows of a drive's condition: rows painted with the colour decided when
// they are painted, the condition label's caption and colour, and the tray icon's hint.
#include <gtest/gtest.h>

#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <vector>

#include "qt_test_main.h"
#include "window_fixture.h"

namespace kestrine::testing {
namespace {

constexpr int kWorseColumn = 3;

// The colour painted in a row's "Worse" cell, right of its short number.
QColor PaintedRowColour(QTreeWidget* view, int row) {
  const QRect rect = view->visualItemRect(view->topLevelItem(row));
  const int x = view->header()->sectionViewportPosition(kWorseColumn) +
                view->header()->sectionSize(kWorseColumn) - 4;
  const QImage image = view->viewport()->grab().toImage();
  return image.pixelColor(x, rect.center().y());
}

QColor ToQColor(Rgb colour) {
  return QColor(colour.red, colour.green, colour.blue);
}

struct ShownCondition {
  int combo_index;
  const char* drive;
  const char* condition;
  Rgb colour;
  const char* temperature;
  // The painted colour of each row; nullopt for the list's normal background.
  std::vector<std::optional<Rgb>> rows;
};

class ConditionDisplay : public ::testing::TestWithParam<ShownCondition> {};

TEST_P(ConditionDisplay, RowsLabelAndHintFollowTheDrive) {
  const ShownCondition& expected = GetParam();
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  auto* const lblstatus = fx.Find<QLabel>("lblstatus");
  const QColor text_colour = lblstatus->palette().color(QPalette::WindowText);
  const QFont font = lblstatus->font();
  // Refresh the drive of the case (the first is already shown; the others come by a change).
  fx.Find<QComboBox>("ComboBox1")->setCurrentIndex(expected.combo_index);
  fx.Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  fx.Settle();
  ASSERT_TRUE(fx.app.messages.empty());

  auto* const view = fx.Find<QTreeWidget>("ListView1");
  ASSERT_EQ(view->topLevelItemCount(), static_cast<int>(expected.rows.size()));
  const QColor normal = view->palette().color(QPalette::Base);
  for (std::size_t row = 0; row < expected.rows.size(); ++row) {
    SCOPED_TRACE(row);
    const QColor painted = PaintedRowColour(view, static_cast<int>(row));
    EXPECT_EQ(painted, expected.rows[row] ? ToQColor(*expected.rows[row]) : normal)
        << painted.name().toStdString();
  }

  EXPECT_EQ(lblstatus->text(), QString::fromLatin1(expected.condition));
  EXPECT_EQ(lblstatus->palette().color(QPalette::Window), ToQColor(expected.colour));
  EXPECT_EQ(lblstatus->grab().toImage().pixelColor(1, 1), ToQColor(expected.colour));
  EXPECT_EQ(lblstatus->palette().color(QPalette::WindowText), text_colour);
  EXPECT_EQ(lblstatus->font(), font);

  // The hint's lines: the drive, "Temperature:" with the degree sign, "Condition:"; then a line
  // for each other drive read that is not OK.
  EXPECT_TRUE(fx.window.TrayIcon1()->toolTip().startsWith(
      QString::fromLatin1(expected.drive) + QStringLiteral("\nTemperature:") +
      QString::fromLatin1(expected.temperature) + QChar(0x00B0) + QStringLiteral("\nCondition:") +
      QString::fromLatin1(expected.condition)))
      << fx.window.TrayIcon1()->toolTip().toStdString();

  // A drive that cannot be read next: nothing of this drive's verdict stays on show.
  fx.Find<QComboBox>("ComboBox1")->setEditText(QStringLiteral("\\\\.\\PHYSICALDRIVE9"));
  fx.Settle();
  EXPECT_EQ(fx.app.messages, std::vector<std::string>{"Not a S.M.A.R.T enabled device"});
  EXPECT_EQ(lblstatus->text(), QString());
  EXPECT_EQ(lblstatus->palette().color(QPalette::Window),
            fx.window.palette().color(QPalette::Window));
  EXPECT_EQ(fx.StatusText(), "");
  const QString hint = fx.window.TrayIcon1()->toolTip();
  EXPECT_TRUE(
      hint.startsWith(QStringLiteral("\\\\.\\PHYSICALDRIVE9\nNot a S.M.A.R.T enabled device")))
      << hint.toStdString();
  EXPECT_FALSE(hint.contains(QStringLiteral("Temperature"))) << hint.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Drives, ConditionDisplay,
    ::testing::Values(
        // A pre-fail attribute below its threshold: its row red, the label red.
        ShownCondition{0, kDrive0, "CRITICAL", kRed, "40", {kRed, std::nullopt}},
        ShownCondition{1, kDrive1, "OK", kGreen, "31", {std::nullopt, std::nullopt}},
        // An old-age attribute below its threshold: its row orange, the label orange.
        ShownCondition{2, kDrive2, "WARNING", kOrange, "35", {std::nullopt, kOrange}}),
    [](const ::testing::TestParamInfo<ShownCondition>& info) {
      return std::string(info.param.condition);
    });

TEST(RowPainting, ColourIsTheRowsItemVerdictNotItsText) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  fx.Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
  fx.Settle();
  auto* const view = fx.Find<QTreeWidget>("ListView1");
  ASSERT_EQ(view->topLevelItemCount(), 2);
  ASSERT_EQ(PaintedRowColour(view, 0), ToQColor(kRed));

  // The colour is the reading's verdict on the row's item: a cell's text changed on screen does
  // not change it, and no text is read back into a number.
  view->topLevelItem(0)->setText(kWorseColumn, QStringLiteral("90"));
  EXPECT_EQ(PaintedRowColour(view, 0), ToQColor(kRed));
}

}  // namespace
}  // namespace kestrine::testing
