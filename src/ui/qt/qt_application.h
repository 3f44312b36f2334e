// The application's services on Qt: message boxes, the save dialog, the program's directory and
// the end of the event loop.
#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "toolkit.h"

namespace kestrine {

class QtApplication final : public Application {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override;
  std::string ProgramDirectory() const override;
  void Terminate() override;
};

// "name|pattern|name|pattern" as Qt's name filters: "name (pattern)", several patterns
// separated by blanks instead of ';', and "*.*" (every file) as "*".
QStringList DialogNameFilters(std::string_view filter);

// The default extension without a leading "*" or ".": "*.html" gives "html".
QString DialogDefaultSuffix(std::string_view extension);

}  // namespace kestrine
