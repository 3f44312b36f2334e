// The two self-test buttons: after the user's Yes, the drive the selector named when the button
// was clicked is asked to start its short or extended self-test in off-line mode. The drive runs
// it in the background; the next refresh shows its progress and, once done, its log entry.
#include "drive_number.h"
#include "drive_session.h"
#include "form_texts.h"
#include "opened_drive.h"
#include "unit1.h"

namespace kestrine {

void TForm1::Button4Click() {
  StartShortSelfTest();
}

void TForm1::Button2Click() {
  StartExtendedSelfTest();
}

bool TForm1::StartShortSelfTest() {
  return RunSelfTest(kShortSelfTestOffline, texts::kConfirmShortSelfTest);
}

bool TForm1::StartExtendedSelfTest() {
  return RunSelfTest(kExtendedSelfTestOffline, texts::kConfirmExtendedSelfTest);
}

bool TForm1::RunSelfTest(Byte test_code, const char* confirmation) {
  // The question leaves the window usable, so another drive may be selected before the answer
  // comes: the test still goes to the drive the question was about.
  const std::string selected = SelectedPath();
  if (!ui_.App.AskYesNo(texts::kConfirmCaption, confirmation)) return false;
  const OpenedDrive drive(drv_, selected);
  const Byte drive_number = DriveNumberFromText(selected);
  if (StartSelfTest(drv_, drive.Handle(), drive_number, test_code)) {
    self_tests_running_.insert(selected);
    return true;
  }
  ui_.App.ShowMessage(texts::kFailed);
  return false;
}

}  // namespace kestrine
