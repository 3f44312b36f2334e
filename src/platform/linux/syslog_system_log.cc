// The system log on Linux: syslog(3), which the journal (or a syslog daemon) picks up.
#include <syslog.h>

#include <string>

#include "latin1_text.h"
#include "platform_system_log.h"

namespace kestrine {

namespace {

// The identity every line carries (journalctl -t kestrine, SYSLOG_IDENTIFIER=kestrine).
constexpr char kSyslogIdentity[] = "kestrine";

int SyslogPriority(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return LOG_ERR;
    case Severity::Warning:
      return LOG_WARNING;
    case Severity::Information:
      break;
  }
  return LOG_INFO;
}

class Syslog final : public SystemLog {
 public:
  Syslog() { openlog(kSyslogIdentity, LOG_PID, LOG_USER); }
  ~Syslog() override { closelog(); }
  Syslog(const Syslog&) = delete;
  Syslog& operator=(const Syslog&) = delete;

  void Write(Severity severity, std::string_view line) override {
    // The journal takes UTF-8; a drive's texts are single bytes and may hold control
    // characters, which would break the line or forge another one: those are escaped.
    const std::string text = TerminalText(line);
    syslog(SyslogPriority(severity), "%s", text.c_str());
  }
};

}  // namespace

std::unique_ptr<SystemLog> OpenPlatformSystemLog() {
  return std::make_unique<Syslog>();
}

}  // namespace kestrine
