#include "qt_controls.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QSignalBlocker>
#include <algorithm>

#include "qt_latin1.h"

namespace kestrine {

namespace {

// How often a notification that waits for the tray icon's place looks again.
constexpr int kTrayPlaceCheckMs = 250;

}  // namespace

void QtComboBox::Clear() {
  const QSignalBlocker blocker(widget_);
  widget_->clear();
  widget_->clearEditText();
}

void QtComboBox::AddItem(const std::string& text) {
  const QSignalBlocker blocker(widget_);
  // Qt makes the first entry of an empty list the current one; the selector's text only
  // changes when an entry is selected, so the text it had is put back.
  const bool was_empty = widget_->count() == 0;
  const QString kept = widget_->currentText();
  widget_->addItem(FromLatin1(text));
  if (was_empty) {
    widget_->setCurrentIndex(-1);
    widget_->setEditText(kept);
  }
}

void QtComboBox::SetItem(int index, const std::string& text) {
  const QSignalBlocker blocker(widget_);
  const QString kept = widget_->currentText();
  widget_->setItemText(index, FromLatin1(text));
  // Qt puts the entry's new text into the edit field where it is the current one.
  widget_->setEditText(kept);
  // The list opens as wide as its longest entry, the path and the model whole.
  widget_->view()->setMinimumWidth(widget_->view()->sizeHintForColumn(0));
}

void QtComboBox::SelectFirst() {
  if (widget_->count() == 0) return;
  const QSignalBlocker blocker(widget_);
  widget_->setCurrentIndex(0);
  widget_->setEditText(widget_->itemText(0));
}

void QtComboBox::SetText(const std::string& text) {
  const QSignalBlocker blocker(widget_);
  widget_->setEditText(FromLatin1(text));
  // The path first, where the box is narrower than the path and the model.
  if (widget_->lineEdit() != nullptr) widget_->lineEdit()->setCursorPosition(0);
}

std::string QtComboBox::Text() const {
  return ToLatin1(widget_->currentText());
}

void QtLabel::SetCaption(const std::string& text) {
  widget_->setText(FromLatin1(text));
  widget_->adjustSize();
}

void QtLabel::SetColor(Rgb background) {
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Window, QColor(background.red, background.green, background.blue));
  widget_->setPalette(palette);
}

void QtLabel::Clear() {
  widget_->clear();
  widget_->adjustSize();
  // A palette that sets no colour: the label takes the window's again.
  widget_->setPalette(QPalette());
}

void QtStatusBar::SetText(const std::string& text) {
  widget_->setText(FromLatin1(text));
}

namespace {

// Lines separated by CR LF, as the window's logic writes them, separated by LF alone, as Qt
// breaks lines.
QString QtLines(const std::string& text) {
  QString lines = FromLatin1(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines;
}

QSystemTrayIcon::MessageIcon MessageIcon(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return QSystemTrayIcon::Critical;
    case Severity::Warning:
      return QSystemTrayIcon::Warning;
    case Severity::Information:
      break;
  }
  return QSystemTrayIcon::Information;
}

}  // namespace

void QtTrayIcon::SetHint(const std::string& text) {
  widget_->setToolTip(QtLines(text));
}

QtTrayIcon::QtTrayIcon(QSystemTrayIcon* widget, std::function<bool()> balloon_beside_icon)
    : QtAdapter(widget),
      balloon_beside_icon_(std::move(balloon_beside_icon)),
      place_check_(new QTimer(widget)),
      program_icon_(widget->icon()) {
  place_check_->setInterval(kTrayPlaceCheckMs);
  QObject::connect(place_check_, &QTimer::timeout, widget, [this] {
    if (!IconPlaced()) return;
    place_check_->stop();
    if (waiting_) Show(*std::exchange(waiting_, std::nullopt));
  });
}

bool QtTrayIcon::IconPlaced() const {
  if (!balloon_beside_icon_ || !balloon_beside_icon_()) return true;
  // An icon not yet embedded in the tray has no place: Qt would draw the balloon at the
  // screen's top-left corner.
  const QRect place = widget_->geometry();
  return widget_->isVisible() && !place.isEmpty() && place.topLeft() != QPoint(0, 0);
}

void QtTrayIcon::SetMark(Severity worst) {
  if (worst == mark_) return;
  mark_ = worst;
  if (worst == Severity::Information) {
    widget_->setIcon(program_icon_);
    return;
  }
  const Rgb colour = worst == Severity::Error ? kRed : kOrange;
  QIcon marked;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pixmap = program_icon_.pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal disc = size * 0.5;
    painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
    painter.setBrush(QColor(colour.red, colour.green, colour.blue));
    painter.drawEllipse(
        QRectF(size - disc, size - disc, disc, disc).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.end();
    marked.addPixmap(pixmap);
  }
  widget_->setIcon(marked);
}

void QtTrayIcon::Notify(const Notification& notification) {
  if (!IconPlaced()) {
    waiting_ = notification;
    place_check_->start();
    return;
  }
  Show(notification);
}

void QtTrayIcon::Show(const Notification& notification) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  // The desktop's notification server may take both texts as markup: a drive's model ("<b>",
  // "<a href=...>") is shown as the drive gave it, never as markup.
  const auto shown = [](const std::string& text) {
    return QtLines(text)
        .replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"));
  };
#else
  const auto shown = [](const std::string& text) { return QtLines(text); };
#endif
  widget_->showMessage(shown(notification.title), shown(notification.text),
                       MessageIcon(notification.severity));
}

}  // namespace kestrine
