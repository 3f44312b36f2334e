// A self-test that ends is told: while one runs on a drive (started from the window, or found
// running at a read, as one kestrine-cli started is), the drive is re-read once a minute, and
// the read that finds it no longer running tells its result from the self-test log.
#include <algorithm>

#include "drive_views.h"
#include "form_texts.h"
#include "message_format.h"
#include "unit1.h"

namespace kestrine {

namespace {

constexpr char kSelfTestEnded[] = "Self-test ended: %s, %s";
constexpr char kSelfTestFirstError[] = "%s (first error at LBA %s)";
// The cells of the Self Test Logs view that say what ended and how (form_pages.h).
constexpr std::size_t kDescriptionCell = 2;
constexpr std::size_t kStatusCell = 3;
constexpr std::size_t kFirstErrorCell = 4;

// The latest self-test as the Self Test Logs view shows it: "Self-test ended: <description>,
// <status>", with the first error's LBA where the log gives one; empty when the log has none.
std::string SelfTestEndText(const DriveReading& reading) {
  if (!reading.last_self_test) return {};
  const auto latest = std::ranges::find(reading.self_test_log, *reading.last_self_test);
  const std::vector<ViewCells> rows = DriveViewRows(reading).self_test_log;
  const auto index = static_cast<std::size_t>(latest - reading.self_test_log.begin());
  if (index >= rows.size() || rows[index].size() <= kFirstErrorCell) return {};
  const ViewCells& row = rows[index];
  std::string text = FormatMessage(kSelfTestEnded, {row[kDescriptionCell], row[kStatusCell]});
  if (!row[kFirstErrorCell].empty())
    text = FormatMessage(kSelfTestFirstError, {text, row[kFirstErrorCell]});
  return text;
}

}  // namespace

void TForm1::SelfTestTimer() {
  if (self_tests_running_.empty()) return;
  const std::string selected = SelectedPath();
  std::vector<std::string> others;
  // A copy: the re-read of the drive shown may end its test, and take it out of the set.
  const std::set<std::string> running = self_tests_running_;
  for (const std::string& path : running) {
    if (path == selected) {
      RefreshUnasked();
    } else {
      others.push_back(path);
    }
  }
  if (!others.empty() && ReadOtherDrives) ReadOtherDrives(std::move(others));
}

void TForm1::WatchSelfTest(const std::string& path, const DriveReading& reading) {
  if (reading.self_test.running) {
    self_tests_running_.insert(path);
    return;
  }
  if (self_tests_running_.erase(path) == 0) return;
  // Without the log this read brought, the result is not known: nothing is told.
  const std::string text = reading.parts.self_test_log ? SelfTestEndText(reading) : std::string();
  if (text.empty()) return;
  const std::string name = ToldDriveName(path, reading.identity);
  if (system_log_ != nullptr)
    system_log_->Write(Severity::Information, name + texts::kToldDriveSeparator + text);
  told_drive_ = path;
  ui_.TrayIcon1.Notify({Severity::Information, name, text});
}

}  // namespace kestrine
