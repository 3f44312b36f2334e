#include "qt_application.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "qt_latin1.h"

namespace kestrine {

void QtApplication::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), FromLatin1(text),
                  QMessageBox::Ok);
  box.exec();
}

bool QtApplication::AskYesNo(const std::string& caption, const std::string& text) {
  // No owner and no modality: the main window stays usable while the question is open, and the
  // event loop keeps running (a tick of Timer2 still refreshes the views).
  QMessageBox box(QMessageBox::NoIcon, FromLatin1(caption), FromLatin1(text),
                  QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::Yes);
  box.setWindowModality(Qt::NonModal);
  QEventLoop answered;
  QObject::connect(&box, &QDialog::finished, &answered, &QEventLoop::quit);
  box.show();
  box.raise();
  box.activateWindow();
  answered.exec();
  // Closed without an answer (its close button, or the program ending while it is open): No.
  return box.clickedButton() == box.button(QMessageBox::Yes);
}

std::optional<std::string> QtApplication::SaveFileDialog(const SaveDialogOptions& options) {
  QFileDialog dialog(nullptr, FromLatin1(options.title));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Choosing an existing file replaces it without a question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(DialogNameFilters(options.filter));
  dialog.setDefaultSuffix(DialogDefaultSuffix(options.default_extension));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  // A file name goes to the file system as the system spells names, not as display text, so
  // that a folder named outside ISO-8859-1 is still the folder chosen.
  return QFile::encodeName(chosen.front()).toStdString();
}

std::string QtApplication::ProgramDirectory() const {
  return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

void QtApplication::Terminate() {
  QCoreApplication::quit();
}

QStringList DialogNameFilters(std::string_view filter) {
  QStringList parts = FromLatin1(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    filters.push_back(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')'));
  }
  return filters;
}

QString DialogDefaultSuffix(std::string_view extension) {
  QString suffix = FromLatin1(extension);
  while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.'))) {
    suffix.remove(0, 1);
  }
  return suffix;
}

}  // namespace kestrine
