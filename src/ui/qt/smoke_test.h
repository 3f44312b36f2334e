// The window's self-check on Linux (--smoke-test FILE), as the Windows programs have it: once the
// first refresh has finished, the program reads back what its window shows, runs "Refresh" and
// the choice of the second drive as a user would, writes what it saw to FILE and ends. Message
// boxes are not shown but written down, and answered OK or No. It lets a script check the window
// over real disks without a screen (QT_QPA_PLATFORM=offscreen). Only the test builds have it
// (self_check.h). A report file that cannot be written ends the program with status 1.
#pragma once

#include <string>
#include <vector>

#include "toolkit.h"

namespace kestrine {

class MainWindow;

// The program's services with the boxes written down instead of shown.
class RecordingApplication final : public Application {
 public:
  explicit RecordingApplication(Application& real) : real_(real) {}
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override;
  std::string ProgramDirectory() const override { return real_.ProgramDirectory(); }
  void Terminate() override { real_.Terminate(); }
  // The "message=..." lines of the boxes since the last call.
  std::vector<std::string> TakeBoxes();

 private:
  Application& real_;
  std::vector<std::string> boxes_;
};

// Runs the steps, writes `report_file` and ends the program. Call it once FormShow has returned.
void RunSmokeTest(MainWindow& window, RecordingApplication& app, const std::string& report_file);

}  // namespace kestrine
