// What the window would show for one drive after a refresh, made from the session's reading by
// the views' row builders: the material of both the text tables and the JSON document.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive_session.h"
#include "drive_views.h"
#include "form_pages.h"
#include "power_mode.h"
#include "reading.h"
#include "tell.h"

namespace kestrine {

struct ViewRow {
  std::vector<std::string> cells;  // one per column, as the list view shows them
  std::optional<Rgb> background;   // nullopt: the normal background
};

struct ViewReport {
  std::string name;
  std::vector<std::string> columns;
  std::vector<ViewRow> rows;
};

struct DriveReport {
  std::string path;                     // the selector's text
  std::optional<int> drive_number;      // nullopt when the text names no drive number
  std::optional<std::string> snapshot;  // the file the simulated drive was loaded from
  // What this drive's refresh set: the status bar and the tray hint once the drive answered
  // IDENTIFY, the condition once its health data was read and judged as well. All three nullopt
  // when the drive could not be read.
  std::optional<std::string> status_bar;
  std::string bus_type;  // the storage descriptor's bus; empty when the query did not answer
  std::optional<std::string> condition;
  std::optional<std::string> tray_hint;
  std::vector<std::string> messages;  // the message boxes the window would have shown
  // Standby or Suspended: --no-wake found the drive asleep and did not read it.
  PowerMode left_asleep = PowerMode::Unknown;
  // What the refresh learned, as the window holds it; nullopt when it could not read the drive.
  std::optional<DriveReading> reading;
  // What changed since the drive's previous reading, as told to the system log; filled for real
  // drives only (a snapshot file's drive has no previous reading to speak of).
  std::vector<DriveChange> changes;
  // Under their page captions (kPages), in page order.
  std::array<ViewReport, kPages.size()> views;

  // The refresh reached the views: the drive answered IDENTIFY.
  bool Identified() const { return status_bar.has_value(); }
  // And its health data came: the drive was judged.
  bool Read() const { return condition.has_value(); }
  bool LeftAsleep() const { return Asleep(left_asleep); }
};

// The report of the drive `path` (the selector's text) before it is read: its number, no texts,
// and the views' captions without rows.
DriveReport UnreadDrive(const std::string& path);

// The texts and the views of a session that read the drive (Identified), as the window shows
// them. Messages are not set here.
void ShowRead(const SessionResult& read, DriveReport& report);

// The 0-based page of a view given on the command line: the page caption, ignoring letter case,
// blanks, hyphens and underscores ("self-test-logs" is "Self Test Logs"). nullopt for no view.
std::optional<int> ViewPageByName(std::string_view name);

}  // namespace kestrine
