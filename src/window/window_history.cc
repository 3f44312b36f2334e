#include "window_history.h"

#include <memory>
#include <utility>
#include <vector>

#include "form_texts.h"
#include "history_entry.h"

namespace kestrine {

static_assert(std::string_view(kStoredConditions[1]) == texts::kConditionOk &&
                  std::string_view(kStoredConditions[2]) == texts::kConditionWarning &&
                  std::string_view(kStoredConditions[3]) == texts::kConditionCritical,
              "the history keeps the conditions in the words the window shows");

void KeepReadingsIn(TForm1& form, HistoryRecorder& recorder) {
  form.Watch().SetPreviousReading(
      [&recorder](const DriveKey& key) { return recorder.Previous(key); });
  Application& app = form.Controls().App;
  // A timer's refresh may come while the window is in the tray: its problem waits for the
  // user's next refresh rather than opening a box nobody is there to close.
  auto held = std::make_shared<std::vector<std::string>>();
  form.AfterDriveRead = [&recorder, &app, held](const DriveReading& reading,
                                                const std::string& path, bool asked) {
    if (const std::optional<std::string> problem = recorder.Keep(reading, path))
      held->push_back(*problem);
    if (!asked) return;
    for (const std::string& problem : std::exchange(*held, {})) app.ShowMessage(problem);
  };
}

}  // namespace kestrine
