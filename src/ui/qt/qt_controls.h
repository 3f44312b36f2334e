// The window's small controls on their Qt widgets. Each adapter only draws what the window's
// logic hands it; the widgets are owned by their Qt parent.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <string>

#include "toolkit.h"

namespace kestrine {

// The editable drive selector. Changes made here, by program, raise no change event.
class QtComboBox final : public ComboBox {
 public:
  explicit QtComboBox(QComboBox* widget) : widget_(widget) {}
  void Clear() override;
  void AddItem(const std::string& text) override;
  void SelectFirst() override;
  std::string Text() const override;

 private:
  QComboBox* widget_;
};

// A label whose background shows a colour: its font and text colour stay as they are.
class QtLabel final : public Label {
 public:
  explicit QtLabel(QLabel* widget) : widget_(widget) {}
  void SetCaption(const std::string& text) override;
  void SetColor(Rgb background) override;
  void Clear() override;

 private:
  QLabel* widget_;
};

// The status bar's one text, shown in a label that fills the bar.
class QtStatusBar final : public StatusBar {
 public:
  explicit QtStatusBar(QLabel* text) : text_(text) {}
  void SetText(const std::string& text) override;

 private:
  QLabel* text_;
};

class QtTrayIcon final : public TrayIcon {
 public:
  explicit QtTrayIcon(QSystemTrayIcon* icon) : icon_(icon) {}
  void SetHint(const std::string& text) override;

 private:
  QSystemTrayIcon* icon_;
};

class QtPageControl final : public PageControl {
 public:
  explicit QtPageControl(QTabWidget* widget) : widget_(widget) {}
  int ActivePageIndex() const override { return widget_->currentIndex(); }

 private:
  QTabWidget* widget_;
};

}  // namespace kestrine
