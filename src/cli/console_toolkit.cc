#include "console_toolkit.h"

namespace kestrine {

void ConsoleComboBox::Clear() {
  items_.clear();
  text_.clear();
}

void ConsoleComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
}

void ConsoleComboBox::SelectFirst() {
  if (!items_.empty()) text_ = items_.front();
}

bool ConsoleApplication::AskYesNo(const std::string&, const std::string&) {
  return true;
}

std::optional<std::string> ConsoleApplication::SaveFileDialog(const SaveDialogOptions&) {
  return save_file_name_;
}

std::vector<std::string> ConsoleApplication::TakeMessages() {
  std::vector<std::string> taken;
  taken.swap(messages_);
  return taken;
}

FormControls ConsoleToolkit::Controls() {
  return FormControls{ListView1,  ListView2, ListView3, ListView4,    ComboBox1,
                      StatusBar1, lblstatus, TrayIcon1, PageControl1, App};
}

void ConsoleToolkit::ForgetShownTexts() {
  StatusBar1.text.reset();
  lblstatus.caption.reset();
  lblstatus.color.reset();
  TrayIcon1.hint.reset();
}

}  // namespace kestrine
