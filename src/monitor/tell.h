// What the program tells without being asked: how serious it is, and the system log it is
// written to. The tray notification is the window toolkit's (toolkit.h); the log is a port of
// its own, because the command-line program writes to it too.
#pragma once

#include <string>
#include <string_view>

namespace kestrine {

// How serious a thing told is: the notification's icon, the log line's priority.
enum class Severity { Information, Warning, Error };

// One thing told about a drive, in one line ("Reallocated Sector Count rose from 8 to 12").
struct DriveChange {
  Severity severity = Severity::Information;
  std::string text;
  bool operator==(const DriveChange&) const = default;
};

// The system's log: syslog(3) on Linux, the Event Log on Windows. One line per call, as given
// (single-byte text, each char the character with the same number).
class SystemLog {
 public:
  virtual ~SystemLog() = default;
  virtual void Write(Severity severity, std::string_view line) = 0;
};

}  // namespace kestrine
