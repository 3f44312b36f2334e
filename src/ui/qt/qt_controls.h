// The window's small controls on their Qt widgets. Each adapter only draws what the window's
// logic hands it; the widgets are owned by their Qt parent.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <optional>
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
  void SetItem(int index, const std::string& text) override;
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
  // The icon the widget has now is the program's, the one the marks are drawn on.
  // `balloon_beside_icon`: whether Qt draws its own balloon beside the icon (an XEmbed tray),
  // rather than handing the notification to the desktop's notification service.
  explicit QtTrayIcon(QSystemTrayIcon* widget, std::function<bool()> balloon_beside_icon = {});
  void SetHint(const std::string& text) override;
  // The program's icon with a disc in the mark's colour in its lower right quarter.
  void SetMark(Severity worst) override;
  // QSystemTrayIcon::showMessage: a D-Bus notification where the icon is served over D-Bus,
  // Qt's own balloon beside an X11 icon. Qt points its balloon at the icon's place, so until
  // the tray has given the icon one the notifications wait (the last one is shown then).
  void Notify(const Notification& notification) override;

 private:
  bool IconPlaced() const;
  void Show(const Notification& notification);

  std::function<bool()> balloon_beside_icon_;
  std::optional<Notification> waiting_;
  QTimer* place_check_ = nullptr;  // owned by the widget
  QIcon program_icon_;
  Severity mark_ = Severity::Information;
};

class QtPageControl final : public QtAdapter<PageControl, QTabWidget> {
 public:
  using QtAdapter::QtAdapter;
  int ActivePageIndex() const override { return widget_->currentIndex(); }
};

}  // namespace kestrine
