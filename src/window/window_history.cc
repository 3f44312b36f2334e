#include "window_history.h"

#include "form_texts.h"
#include "history_entry.h"

namespace kestrine {

static_assert(std::string_view(kStoredConditions[1]) == texts::kConditionOk &&
                  std::string_view(kStoredConditions[2]) == texts::kConditionWarning &&
                  std::string_view(kStoredConditions[3]) == texts::kConditionCritical,
              "the history keeps the conditions in the words the window shows");

void KeepReadingsIn(TForm1& form, HistoryRecorder& recorder) {
  Application& app = form.Controls().App;
  form.AfterDriveRead = [&recorder, &app](const DriveReading& reading, const std::string& path) {
    if (const std::optional<std::string> problem = recorder.Keep(reading, path))
      app.ShowMessage(*problem);
  };
}

}  // namespace kestrine
