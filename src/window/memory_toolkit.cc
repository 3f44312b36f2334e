#include "memory_toolkit.h"

namespace kestrine {

void MemoryComboBox::Clear() {
  items.clear();
  text.clear();
}

void MemoryComboBox::SelectFirst() {
  if (!items.empty()) text = items.front();
}

void MemoryLabel::Clear() {
  caption.clear();
  color.reset();
}

void MemoryApplication::ShowMessage(const std::string& text) {
  messages.push_back(text);
  if (on_message) on_message(text);
}

bool MemoryApplication::AskYesNo(const std::string& caption, const std::string& text) {
  questions.push_back({caption, text});
  if (on_question) on_question();
  if (answers.empty()) return answer_when_none_left;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> MemoryApplication::SaveFileDialog(const SaveDialogOptions& options) {
  dialogs.push_back(options);
  return save_file_name;
}

std::vector<std::string> MemoryApplication::TakeMessages() {
  std::vector<std::string> taken;
  taken.swap(messages);
  return taken;
}

FormControls MemoryToolkit::Controls() {
  return FormControls{ListView1,  ListView2, ListView3, ListView4,    ListView5, ComboBox1,
                      StatusBar1, lblstatus, TrayIcon1, PageControl1, App};
}

void MemoryToolkit::ForgetShownTexts() {
  StatusBar1.text.clear();
  lblstatus.Clear();
  TrayIcon1.hint.clear();
}

}  // namespace kestrine
