// The other drives: each one the selector lists but the one shown, read by the front end's round
// and handed back here on the window's thread.
#include <algorithm>

#include "drive_views.h"
#include "form_texts.h"
#include "message_format.h"
#include "reading_texts.h"
#include "selector_text.h"
#include "text_trim.h"
#include "tray_hint.h"
#include "unit1.h"

namespace kestrine {

void TForm1::RequestOtherDrives() {
  if (!ReadOtherDrives) return;
  std::vector<std::string> others;
  const std::string selected = SelectedPath();
  std::ranges::copy_if(listed_, std::back_inserter(others),
                       [&selected](const std::string& path) { return path != selected; });
  if (!others.empty()) ReadOtherDrives(std::move(others));
}

std::string TForm1::SelectedPath() const {
  return std::string(SelectorPath(ui_.ComboBox1.Text()));
}

void TForm1::NameInSelector(const std::string& path, const DriveIdentity& identity) {
  const auto listed = std::ranges::find(listed_, path);
  if (listed == listed_.end()) return;
  std::string& item = items_[static_cast<std::size_t>(listed - listed_.begin())];
  const std::string entry = SelectorEntry(path, TrimmedSpaces(identity.model));
  if (entry == item) return;
  const bool shown = ui_.ComboBox1.Text() == item;
  ui_.ComboBox1.SetItem(static_cast<int>(listed - listed_.begin()), entry);
  item = entry;
  if (shown) ui_.ComboBox1.SetText(entry);
}

void TForm1::SetTrayHint(std::string hint) {
  shown_hint_ = std::move(hint);
  ShowTray();
}

void TForm1::ShowTray() {
  ui_.TrayIcon1.SetHint(TrayHintText(shown_hint_, SelectedPath(), conditions_));
  ui_.TrayIcon1.SetMark(TrayMark(DriveCondition, conditions_));
}

void TForm1::OtherDriveRead(const std::string& path, const SessionResult& read) {
  if (read.outcome == DriveOutcome::Asleep) return;
  if (!read.Identified()) {
    // A drive never read in this run (a card reader without a card) is not told of at each
    // start; one that answered before and no longer does is told once.
    const auto known = conditions_.find(path);
    if (known == conditions_.end()) return;
    conditions_.erase(known);
    ShowTray();
    const std::string reason = read.message.empty() ? texts::kNotSmartDevice : read.message;
    Tell(path, path, {{Severity::Warning, FormatMessage(texts::kNotReadAtTick, {reason})}});
    return;
  }
  const DriveReading& reading = read.reading;
  conditions_[path] =
      reading.parts.health ? std::string(ConditionText(reading.condition)) : std::string();
  ShowTray();
  NameInSelector(path, reading.identity);
  Tell(path, ToldDriveName(path, reading.identity), watch_.Look(reading, path));
  WatchSelfTest(path, reading);
  if (AfterDriveRead) AfterDriveRead(reading, path, false);
}

}  // namespace kestrine
