#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#if KESTRINE_QT_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#endif

#include "errors.h"
#include "form_layout.h"
#include "form_pages.h"
#include "form_texts.h"
#include "program_icon.h"
#include "qt_latin1.h"
#include "window_placement.h"

namespace kestrine {

namespace {

using namespace layout;

QRect Rect(const Place& place) {
  return QRect(place.left, place.top, place.width, place.height);
}

}  // namespace

MainWindow::MainWindow(Application& app, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      app_(app) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(FromLatin1(std::string(texts::kCaptionPrefix) + texts::kContactAddress));
  setWindowIcon(ProgramIcon());
  // Opens at the layout's size; the pages and the status bar follow when it is resized.
  resize(kClientWidth, kClientHeight);
  setMinimumSize(kMinimumClientWidth, kMinimumClientHeight);
  move(kWindowLeft, kWindowTop);

  CreateControls();
  CreateMenus();
  CreateTrayIcon();

  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(kTimer2IntervalMs);
  connect(timer2_, &QTimer::timeout, this, [this] { Forward(&TForm1::Timer2Timer); });
  timer2_->start();
  auto* const self_test_timer = new QTimer(this);
  self_test_timer->setInterval(kSelfTestTimerIntervalMs);
  connect(self_test_timer, &QTimer::timeout, this, [this] { Forward(&TForm1::SelfTestTimer); });
  self_test_timer->start();
}

MainWindow::~MainWindow() {
  // The widgets are taken down after this body, by the QWidget destructor, and hiding a list view
  // still lays out its rows. With no rows left, nothing asks the form (gone by then in the
  // programs) or the adapters (gone before the widgets) for a row's colour.
  round_.reset();
  form_ = nullptr;
  for (const auto& list : adapters_.list_views) list->Widget()->clear();
}

void MainWindow::CreateControls() {
  auto* const label1 = new QLabel(FromLatin1(kLabel1Caption), this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setTextFormat(Qt::PlainText);
  label1->move(kLabel1.left, kLabel1.top);
  label1->adjustSize();

  auto* const combo_box1 = new QComboBox(this);
  combo_box1->setObjectName(QStringLiteral("ComboBox1"));
  combo_box1->setEditable(true);
  combo_box1->setInsertPolicy(QComboBox::NoInsert);
  // Each typed key is one change of the text, not a completion of it.
  combo_box1->setCompleter(nullptr);
  combo_box1->setGeometry(kComboBox1.left, kComboBox1.top, kComboBox1.width,
                          combo_box1->sizeHint().height());
  // A chosen entry and every typed key change the text; changes by program are made with the
  // box's signals blocked.
  connect(combo_box1, &QComboBox::editTextChanged, this,
          [this] { Forward(&TForm1::ComboBox1Change); });
  adapters_.drive_selector = std::make_unique<QtComboBox>(combo_box1);

  auto* const button4 = new QPushButton(FromLatin1(kButton4Caption), this);
  button4->setObjectName(QStringLiteral("Button4"));
  button4->setGeometry(Rect(kButton4));
  connect(button4, &QPushButton::clicked, this, [this] { Forward(&TForm1::Button4Click); });

  auto* const button2 = new QPushButton(FromLatin1(kButton2Caption), this);
  button2->setObjectName(QStringLiteral("Button2"));
  button2->setGeometry(Rect(kButton2));
  connect(button2, &QPushButton::clicked, this, [this] { Forward(&TForm1::Button2Click); });

  auto* const lblstatus = new QLabel(this);
  lblstatus->setObjectName(QStringLiteral("lblstatus"));
  lblstatus->setTextFormat(Qt::PlainText);
  QFont status_font = lblstatus->font();
  status_font.setPixelSize(kLblstatusFontPixels);
  lblstatus->setFont(status_font);
  lblstatus->setAutoFillBackground(true);
  lblstatus->move(kLblstatus.left, kLblstatus.top);
  lblstatus->adjustSize();
  adapters_.condition_label = std::make_unique<QtLabel>(lblstatus);

  page_control1_ = new QTabWidget(this);
  page_control1_->setObjectName(QStringLiteral("PageControl1"));
  page_control1_->setGeometry(Rect(kPageControl1));
  for (const Page& page : kPages) {
    auto& list = adapters_.list_views[static_cast<std::size_t>(page.list_view - 1)];
    list = std::make_unique<QtListView>(CreateListView(page.list_view), page.columns);
    page_control1_->addTab(list->Widget(), FromLatin1(page.caption));
  }
  page_control1_->setCurrentIndex(0);
  adapters_.pages = std::make_unique<QtPageControl>(page_control1_);

  auto* const status_bar1 = new QStatusBar(this);
  status_bar1->setObjectName(QStringLiteral("StatusBar1"));
  status_bar1->setSizeGripEnabled(false);
  status_bar1_ = status_bar1;
  LayOutClientArea();
  auto* const status_text = new QLabel(status_bar1);
  status_text->setObjectName(QStringLiteral("StatusBar1Text"));
  status_text->setTextFormat(Qt::PlainText);
  status_bar1->addWidget(status_text, 1);
  adapters_.status_bar = std::make_unique<QtStatusBar>(status_text);
}

QTreeWidget* MainWindow::CreateListView(int number) {
  auto* const view = new QTreeWidget(page_control1_);
  view->setObjectName(QStringLiteral("ListView%1").arg(number));
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
    popup_menu1_->popup(view->viewport()->mapToGlobal(at));
  });
  view->installEventFilter(this);
  return view;
}

void MainWindow::CreateMenus() {
  popup_menu1_ = new QMenu(this);
  popup_menu1_->setObjectName(QStringLiteral("PopupMenu1"));
  QAction* const refresh = popup_menu1_->addAction(FromLatin1(kRefreshCaption));
  refresh->setObjectName(QStringLiteral("Refresh1"));
  connect(refresh, &QAction::triggered, this, [this] { Forward(&TForm1::Refresh1Click); });
  popup_menu1_->addSeparator();
  QAction* const save = popup_menu1_->addAction(FromLatin1(kSaveToHtmlCaption));
  save->setObjectName(QStringLiteral("SavetoHTML1"));
  connect(save, &QAction::triggered, this, [this] { Forward(&TForm1::SavetoHTML1Click); });

  tray_menu2_ = new QMenu(this);
  tray_menu2_->setObjectName(QStringLiteral("TrayMenu2"));
  QAction* const quit = tray_menu2_->addAction(FromLatin1(kQuitCaption));
  quit->setObjectName(QStringLiteral("Restore1"));
  connect(quit, &QAction::triggered, this, [this] { Forward(&TForm1::Restore1Click); });
}

void MainWindow::CreateTrayIcon() {
  tray_icon_ = new QSystemTrayIcon(windowIcon(), this);
  tray_icon_->setObjectName(QStringLiteral("TrayIcon1"));
  // A right click opens the menu; Qt adds the icon again when the notification area comes
  // back (a restarted panel or status-notifier host), as the shell's "TaskbarCreated" asks
  // of a Windows program.
  tray_icon_->setContextMenu(tray_menu2_);
  // A double click brings the hidden window back, and so does a single click where the host
  // never reports double clicks; elsewhere a single click does nothing.
  connect(tray_icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (isVisible()) return;
            if (reason == QSystemTrayIcon::DoubleClick ||
                (reason == QSystemTrayIcon::Trigger && TrayServedOverDBus())) {
              RestoreFromTray();
            }
          });
  // A click on a notification brings the window back showing the drive it told of.
  connect(tray_icon_, &QSystemTrayIcon::messageClicked, this, [this] {
    RestoreFromTray();
    Forward(&TForm1::NotificationClick);
  });
  adapters_.tray = std::make_unique<QtTrayIcon>(
      tray_icon_, [this] { return NotificationAreaAvailable() && !TrayServedOverDBus(); });
  tray_icon_->show();
}

FormControls MainWindow::Controls() {
  return adapters_.Controls(app_);
}

void MainWindow::Attach(TForm1& form) {
  form_ = &form;
}

void MainWindow::StartRound(DevicePort& port) {
  // Called on the round's thread: the drives read are taken on the window's, and not at all
  // once the window is gone.
  round_ = std::make_unique<DriveRound>(port, [this] {
    QMetaObject::invokeMethod(
        this, [this] { TakeRound(); }, Qt::QueuedConnection);
  });
  if (form_ != nullptr)
    form_->ReadOtherDrives = [this](std::vector<std::string> paths) {
      round_->Read(std::move(paths));
    };
}

void MainWindow::TakeRound() {
  if (form_ == nullptr || round_ == nullptr) return;
  TForm1& form = *form_;
  for (const RoundRead& read : round_->Take())
    RunGuarded(app_, [&form, &read] { form.OtherDriveRead(read.path, read.result); });
}

void MainWindow::Forward(void (TForm1::*handler)()) {
  if (form_ == nullptr) return;
  TForm1& form = *form_;
  RunGuarded(app_, [&form, handler] { (form.*handler)(); });
}

bool MainWindow::NotificationAreaAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

bool MainWindow::TrayServedOverDBus() const {
#if KESTRINE_QT_DBUS
  // Qt serves its tray icons over D-Bus when a host is registered with the status-notifier
  // watcher, and decides so once, when the first icon is made; the same question is asked once
  // here.
  static const bool served_over_dbus = [] {
    const QString watcher_service = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* const bus_daemon = bus.interface();
    if (!bus.isConnected() || bus_daemon == nullptr ||
        !bus_daemon->isServiceRegistered(watcher_service).value()) {
      return false;
    }
    QDBusInterface watcher(watcher_service, QStringLiteral("/StatusNotifierWatcher"),
                           watcher_service, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
  }();
  return served_over_dbus;
#else
  return false;
#endif
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (form_shown_) return;
  form_shown_ = true;
  KeepOnScreen();
  // Once the window is on the screen, so that a message box of the first refresh has the window
  // behind it.
  QTimer::singleShot(0, this, [this] {
    // Placed again now that the window manager may have put its frame around the window.
    KeepOnScreen();
    Forward(&TForm1::FormShow);
    if (after_form_show_) after_form_show_();
  });
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutClientArea();
}

void MainWindow::LayOutClientArea() {
  if (page_control1_ == nullptr || status_bar1_ == nullptr) return;
  const Place pages = PagesFor(width(), height());
  page_control1_->setGeometry(Rect(pages));
  status_bar1_->setGeometry(0, height() - kStatusBar1Height, width(), kStatusBar1Height);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  if (!NotificationAreaAvailable()) return;
  // Hidden after the state change has been handled: the window and its task-bar entry go, the
  // tray icon stays.
  QTimer::singleShot(0, this, [this] {
    if (isMinimized()) hide();
  });
}

void MainWindow::KeepOnScreen() {
  const QRect frame = frameGeometry();
  const QScreen* on = QGuiApplication::screenAt(frame.topLeft());
  if (on == nullptr) on = screen();
  if (on == nullptr) return;
  const QRect area = on->availableGeometry();
  const Place fitted = FitWindowInto({frame.x(), frame.y(), frame.width(), frame.height()},
                                     {area.x(), area.y(), area.width(), area.height()});
  if (fitted.left != frame.x() || fitted.top != frame.y()) move(fitted.left, fitted.top);
}

void MainWindow::RestoreFromTray() {
  showNormal();
  raise();
  activateWindow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* const view = qobject_cast<QTreeWidget*>(watched);
  if (view == nullptr || event->type() != QEvent::KeyPress)
    return QWidget::eventFilter(watched, event);
  const auto* const key = static_cast<const QKeyEvent*>(event);
  if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier) return false;
  // The context-menu event the Menu key brings, at the same place: the current row.
  const QPoint at = view->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent menu_event(QContextMenuEvent::Keyboard, at, view->mapToGlobal(at),
                               key->modifiers());
  QCoreApplication::sendEvent(view, &menu_event);
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  app_.Terminate();
}

}  // namespace kestrine
