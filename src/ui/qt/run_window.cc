#include "run_window.h"

#include <QApplication>

#include "form_texts.h"
#include "main_window.h"
#include "qt_application.h"
#include "smart_drv.h"
#include "unit1.h"

namespace kestrine {

int RunWindow(int& argc, char** argv, DevicePort& port) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(texts::kConfirmCaption));
  // The program ends by "Quit" or by closing its window, not when its last visible window
  // closes: while the window is in the tray, closing a message box would otherwise end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const bool quit_after_first_refresh =
      QApplication::arguments().contains(QString::fromLatin1(kQuitAfterFirstRefreshOption));

  QtApplication services;
  SmartDrv drive_layer(port);
  MainWindow window(services);
  TForm1 form(drive_layer, window.Controls());
  window.Attach(form);
  if (quit_after_first_refresh) window.SetAfterFormShow([] { QApplication::quit(); });
  window.show();
  return QApplication::exec();
}

}  // namespace kestrine
