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

// An adapter of one control of the toolkit interface on its Qt widget.
template <typename Control, typename Widget>
class QtAdapter : public Control {
 public:
  explicit QtAdapter(Widget* widget) : widget_(widget) {}

 protected:
  Widget* widget_;
};

// The editable drive selector. Changes made here, by program, raise no change event.
class QtComboBox final : public QtAdapter<ComboBox, QComboBox> {
 public:
  using QtAdapter::QtAdapter;
  void Clear() override;
  void AddItem(const std::string& text) override;
  void SelectFirst() override;
  void SetText(const std::string& text) override;
  std::string Text() const override;
};

// A label whose background shows a colour: its font and text colour stay as they are.
class QtLabel final : public QtAdapter<Label, QLabel> {
 public:
  using QtAdapter::QtAdapter;
  void SetCaption(const std::string& text) override;
  void SetColor(Rgb background) override;
  void Clear() override;
};

// The status bar's one text, shown in a label that fills the bar.
class QtStatusBar final : public QtAdapter<StatusBar, QLabel> {
 public:
  using QtAdapter::QtAdapter;
  void SetText(const std::string& text) override;
};

class QtTrayIcon final : public QtAdapter<TrayIcon, QSystemTrayIcon> {
 public:
  using QtAdapter::QtAdapter;
  void SetHint(const std::string& text) override;
  // QSystemTrayIcon::showMessage: a D-Bus notification where the icon is served over D-Bus,
  // Qt's own balloon beside an X11 icon.
  void Notify(const Notification& notification) override;
};

class QtPageControl final : public QtAdapter<PageControl, QTabWidget> {
 public:
  using QtAdapter::QtAdapter;
  int ActivePageIndex() const override { return widget_->currentIndex(); }
};

}  // namespace kestrine
