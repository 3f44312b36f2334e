// The Qt adapters of the toolkit interface: texts as ISO-8859-1 both ways, the selector changed
// by program without a change event, and the save dialog's filters.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <string>

#include "qt_application.h"
#include "qt_controls.h"
#include "qt_list_view.h"
#include "qt_test_main.h"

namespace kestrine {
namespace {

TEST(QtListView, CellsCrossAsSingleBytesBothWays) {
  QTreeWidget widget;
  QtListView list(&widget, kIdentifyColumns);
  EXPECT_EQ(list.ColumnCaptions(), (std::vector<std::string>{"Item", "Value"}));

  const std::string model = "Caf\xE9 \xFF\x80";
  list.AddRow({"Model", model});
  list.AddRow({"Only a caption"});
  ASSERT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(widget.topLevelItem(0)->text(1), QString::fromUtf8("Caf\u00E9 \u00FF\u0080"));
  EXPECT_EQ(list.CellText(0, 1), model);
  EXPECT_EQ(list.CellText(1, 1), "");
  EXPECT_EQ(list.CellText(2, 0), "");
  EXPECT_EQ(list.CellText(-1, 0), "");
  list.Clear();
  EXPECT_EQ(list.ItemCount(), 0);
}

TEST(QtComboBox, ChangesByProgramRaiseNoChangeEvent) {
  QComboBox widget;
  widget.setEditable(true);
  int changes = 0;
  QObject::connect(&widget, &QComboBox::editTextChanged, [&changes] { ++changes; });
  QtComboBox combo(&widget);

  widget.setEditText(QStringLiteral("typed"));
  ASSERT_EQ(changes, 1);
  combo.AddItem("\\\\.\\PHYSICALDRIVE0");
  combo.AddItem("\\\\.\\PHYSICALDRIVE2");
  EXPECT_EQ(combo.Text(), "typed");  // appending leaves the text alone
  combo.SelectFirst();
  EXPECT_EQ(combo.Text(), "\\\\.\\PHYSICALDRIVE0");
  combo.Clear();
  EXPECT_EQ(combo.Text(), "");
  EXPECT_EQ(widget.count(), 0);
  combo.SelectFirst();  // an empty list keeps the text empty
  EXPECT_EQ(combo.Text(), "");
  EXPECT_EQ(changes, 1);
}

TEST(QtLabel, CaptionInLatin1AndBackgroundColour) {
  QLabel widget;
  widget.setAutoFillBackground(true);
  QtLabel label(&widget);
  label.SetCaption("\xB0");
  EXPECT_EQ(widget.text(), QString(QChar(0x00B0)));
  label.SetColor(kOrange);
  EXPECT_EQ(widget.palette().color(QPalette::Window), QColor(255, 128, 0));
}

struct FilterCase {
  const char* filter;
  QStringList expected;
};

TEST(SaveDialog, FilterPairsBecomeNameFilters) {
  const FilterCase cases[] = {
      {"HTML files (*.html)|*.HTML|HTM files (*.htm)|*.HTM",
       {"HTML files (*.html) (*.HTML)", "HTM files (*.htm) (*.HTM)"}},
      {"Reports|*.htm;*.html|All files|*.*", {"Reports (*.htm *.html)", "All files (*)"}},
      {"", {}},
      {"Name without a pattern", {}},
  };
  for (const FilterCase& c : cases) {
    EXPECT_EQ(DialogNameFilters(c.filter), c.expected) << c.filter;
  }
  EXPECT_EQ(DialogDefaultSuffix("*.html"), QStringLiteral("html"));
  EXPECT_EQ(DialogDefaultSuffix("htm"), QStringLiteral("htm"));
  EXPECT_EQ(DialogDefaultSuffix(""), QString());
}

}  // namespace
}  // namespace kestrine
