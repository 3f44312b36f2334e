// The system log on Windows: the Application log of the Event Log, source "Kestrine". The
// installer registers the source with kestrine.exe as its message file; without it Event Viewer
// still shows each line, after a note that the description was not found.
#include <windows.h>

#include <string>

#include "kestrine_events.h"
#include "platform_system_log.h"

namespace kestrine {

namespace {

constexpr char kEventSource[] = "Kestrine";

class EventLog final : public SystemLog {
 public:
  EventLog() : source_(RegisterEventSourceA(nullptr, kEventSource)) {}
  ~EventLog() override {
    if (source_ != nullptr) DeregisterEventSource(source_);
  }
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  void Write(Severity severity, std::string_view line) override {
    if (source_ == nullptr) return;
    WORD type = EVENTLOG_INFORMATION_TYPE;
    DWORD event = KESTRINE_EVENT_INFORMATION;
    if (severity == Severity::Warning) {
      type = EVENTLOG_WARNING_TYPE;
      event = KESTRINE_EVENT_WARNING;
    } else if (severity == Severity::Error) {
      type = EVENTLOG_ERROR_TYPE;
      event = KESTRINE_EVENT_ERROR;
    }
    const std::string text(line);
    const char* strings[] = {text.c_str()};
    ReportEventA(source_, type, 0, event, nullptr, 1, 0, strings, nullptr);
  }

 private:
  HANDLE source_;
};

}  // namespace

std::unique_ptr<SystemLog> OpenPlatformSystemLog() {
  return std::make_unique<EventLog>();
}

}  // namespace kestrine
