#include "cli_run.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "drive_metrics.h"
#include "drive_number.h"
#include "drive_report.h"
#include "errors.h"
#include "form_texts.h"
#include "history_recorder.h"
#include "history_report.h"
#include "json_report.h"
#include "latin1_text.h"
#include "memory_toolkit.h"
#include "metrics_report.h"
#include "nvme_snapshot.h"
#include "open_refusal.h"
#include "reading.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "snapshot_drive.h"
#include "snapshot_file.h"
#include "text_report.h"
#include "unit1.h"

namespace kestrine {

namespace {

constexpr char kProgram[] = "kestrine-cli";

// Output that did not reach its file (a full disk, a closed pipe) is an error, whatever the
// drives' condition: a script must not take a cut-off document for a whole one.
int ReportUnwritableOutput(std::ostream& err) {
  err << kProgram << ": standard output cannot be written\n";
  return kExitError;
}

int ConditionStatus(const std::string& condition) {
  if (condition == texts::kConditionCritical) return kExitCritical;
  if (condition == texts::kConditionWarning) return kExitWarning;
  return kExitOk;
}

// One run: the drive layer and TForm1 over the in-memory toolkit, as the window holds them.
// Message boxes are written to standard error; a Yes/No question is answered Yes (the option on
// the command line is the user's confirmation), and the save dialog answers with the file named
// on the command line.
class CliSession {
 public:
  CliSession(DevicePort& port, const CliOptions& options, const CliEnvironment& environment,
             std::ostream& err)
      : options_(options), err_(err), drv_(port), form_(drv_, ui_.Controls()) {
    ui_.App.program_directory = environment.program_directory;
    ui_.App.answer_when_none_left = true;
  }

  // The drives to read: every drive the window lists at start-up (the first one is read then,
  // as the window reads it), or the drives named on the command line.
  std::vector<std::string> Targets(bool& first_is_read) {
    first_is_read = false;
    if (!options_.drives.empty()) {
      std::vector<std::string> targets;
      for (const std::string& drive : options_.drives) targets.push_back(DriveSelectorText(drive));
      return targets;
    }
    ui_.ForgetShownTexts();
    RunGuarded(ui_.App, [this] { form_.FormShow(); });
    first_is_read = !ui_.ComboBox1.items.empty();
    return ui_.ComboBox1.items;
  }

  // Holds back the messages of the start-up refresh when it found no drive: its conversion
  // error only says that the selector is empty. Whether the drives need more rights is kept.
  bool DropMessages() {
    const std::vector<std::string> messages = ui_.App.TakeMessages();
    return std::ranges::find(messages, texts::kNeedsAdministratorRights) != messages.end();
  }

  DriveReport Read(const std::string& target, bool already_read) {
    if (!already_read) {
      ui_.ForgetShownTexts();
      ui_.ComboBox1.text = target;
      // A drive that does not open is not refreshed: the open's own error says what happened,
      // where the window could only call it no S.M.A.R.T. device.
      if (std::optional<std::string> refusal = OpenRefusal(drv_, target)) {
        DriveReport report = CaptureUnread(ui_);
        ui_.App.ShowMessage(*refusal);
        TakeMessages(report);
        return report;
      }
      RunGuarded(ui_.App, [this] { form_.ComboBox1Change(); });
    }
    DriveReport report = CaptureDrive(ui_);
    if (!options_.loads.empty()) {
      const std::optional<int> number = SimBay::ResolvePath(report.path);
      if (number && static_cast<std::size_t>(*number) < options_.loads.size())
        report.snapshot = options_.loads[static_cast<std::size_t>(*number)];
    }
    TakeMessages(report);
    return report;
  }

  SmartDrv& DriveLayer() { return drv_; }

  // Keeps the reading of the drive just read in the history; a problem is told once.
  void KeepInHistory(HistoryRecorder& history, const DriveReport& report) {
    const DriveReading* reading = form_.LastReading();
    if (!reading || !report.drive_number || reading->slot != *report.drive_number) return;
    if (const std::optional<std::string> problem = history.Keep(*reading, report.path))
      err_ << kProgram << ": " << TerminalText(*problem) << '\n';
  }

  // --save, --html and --self-test on the drive just read. False when one of them failed.
  bool Act(DriveReport& report) {
    bool done = true;
    if (options_.save) done = SaveSnapshot(report.path, *options_.save) && done;
    if (options_.html) {
      ui_.PageControl1.active = options_.html->page;
      ui_.App.save_file_name = options_.html->file;
      RunGuarded(ui_.App, [this] { form_.SavetoHTML1Click(); });
      done = TakeMessages(report) == 0 && done;
    }
    if (options_.self_test) {
      const bool is_short = *options_.self_test == SelfTestKind::Short;
      RunGuarded(ui_.App, [this, is_short] {
        if (is_short) {
          form_.Button4Click();
        } else {
          form_.Button2Click();
        }
      });
      if (TakeMessages(report) == 0) {
        err_ << kProgram << ": " << TerminalText(report.path) << ": "
             << (is_short ? "short" : "extended") << " self-test started\n";
      } else {
        done = false;
      }
    }
    return done;
  }

 private:
  // Writes the messages shown since the last call to standard error and adds them to the
  // drive's report. Returns how many there were.
  std::size_t TakeMessages(DriveReport& report) {
    const std::vector<std::string> messages = ui_.App.TakeMessages();
    for (const std::string& message : messages) {
      err_ << kProgram << ": ";
      if (!report.path.empty()) err_ << TerminalText(report.path) << ": ";
      err_ << TerminalText(message) << '\n';
    }
    report.messages.insert(report.messages.end(), messages.begin(), messages.end());
    return messages.size();
  }

  // The blocks of the refresh just made, and the self-test log read afresh: the log is not kept
  // in the drive layer's tables.
  bool SaveSnapshot(const std::string& path, const std::string& file) {
    const Byte drive_number = DriveNumberFromText(path);
    const SmartTables& tables = drv_.Tables();
    Snapshot snapshot;
    bool log_read = false;
    if (tables.Family[drive_number] == TransportFamily::Nvme) {
      log_read = TakeNvmeSnapshot(drv_, path, drive_number, snapshot);
    } else {
      snapshot.identify = tables.IdentifySector[drive_number];
      snapshot.smart_data = tables.SmartDataSector;
      snapshot.thresholds = tables.SmartThresholdSector;
      Sector log{};
      const DeviceHandle handle = drv_.OpenDrive(path);
      log_read = drv_.ReadSelfTestLog(handle, drive_number, log) == 1;
      drv_.CloseDrive(handle);
      if (log_read) snapshot.self_test_log = log;
    }
    if (!log_read) {
      err_ << kProgram << ": " << TerminalText(path)
           << ": the self-test log could not be read; the snapshot holds none\n";
    }
    try {
      WriteSnapshotFile(file, snapshot);
    } catch (const SnapshotError& error) {
      err_ << kProgram << ": " << error.what() << '\n';
      return false;
    }
    return true;
  }

  const CliOptions& options_;
  std::ostream& err_;
  SmartDrv drv_;
  MemoryToolkit ui_;
  TForm1 form_;
};

}  // namespace

int RunCli(const CliOptions& options, const CliEnvironment& given, std::ostream& out,
           std::ostream& err) {
  CliEnvironment environment = given;
  if (options.history_file) {
    environment.history_location = [file = *options.history_file] {
      return HistoryLocation{file, false};
    };
  }
  if (options.history) return RunHistory(options, environment, out, err);
  // Snapshot files first: a refused file ends the run before any drive is read.
  SimBay bay;
  bay.SetRecording(false);
  if (options.loads.size() > kDriveSlots) {
    err << kProgram << ": at most " << kDriveSlots << " snapshot files\n";
    return kExitError;
  }
  bool refused = false;
  for (std::size_t i = 0; i < options.loads.size(); ++i) {
    try {
      AddSnapshotDrive(bay, static_cast<int>(i), ReadSnapshotFile(options.loads[i]));
    } catch (const SnapshotError& error) {
      err << kProgram << ": " << error.what() << '\n';
      refused = true;
    }
  }
  if (refused) return kExitError;

  std::unique_ptr<DevicePort> system_port;
  DevicePort* port = &bay;
  if (options.loads.empty()) {
    if (environment.make_port) system_port = environment.make_port();
    if (!system_port) system_port = std::make_unique<NullDevicePort>();
    port = system_port.get();
  }

  CliSession session(*port, options, environment, err);
  bool first_is_read = false;
  const std::vector<std::string> targets = session.Targets(first_is_read);
  std::vector<DriveReport> reports;
  if (targets.empty()) {
    if (session.DropMessages()) err << kProgram << ": " << texts::kNeedsAdministratorRights << '\n';
    err << kProgram << ": no drive can be opened\n";
    if (options.json) out << RenderJson(reports);
    return kExitError;
  }

  // --metrics times each drive's own read: the first drive is read again rather than taken from
  // the start-up refresh, whose messages the new read repeats.
  if (options.metrics && first_is_read) {
    session.DropMessages();
    first_is_read = false;
  }
  const std::function<double()> clock = environment.clock ? environment.clock : [] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  std::vector<DriveMetrics> metrics;
  // Real drives are kept in the history; the drives of snapshot files are not.
  std::optional<HistoryRecorder> history;
  if (options.loads.empty() && !options.no_history && environment.history_location)
    history.emplace(environment.history_location(), kProgram);

  bool failed = false;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const double started = options.metrics ? clock() : 0;
    DriveReport report = session.Read(targets[i], i == 0 && first_is_read);
    if (options.metrics) {
      metrics.push_back(MeasureDrive(session.DriveLayer(), report));
      metrics.back().read_seconds = clock() - started;
    }
    if (report.Read() && history) session.KeepInHistory(*history, report);
    if (report.Read()) {
      if (options.ActsOnDrive()) failed = !session.Act(report) || failed;
    } else if (!options.drives.empty() || options.ActsOnDrive()) {
      // A drive asked for by name, or one to act on, must be read.
      err << kProgram << ": " << TerminalText(report.path) << " could not be read\n";
      failed = true;
    }
    if (!options.json && !options.metrics) {
      if (!reports.empty()) out << '\n';
      RenderText(report, out);
    }
    reports.push_back(std::move(report));
  }
  if (options.json) out << RenderJson(reports);
  if (options.metrics) {
    if (environment.binary_output) environment.binary_output();
    out << RenderMetrics(metrics);
  }
  out.flush();
  if (!out) return ReportUnwritableOutput(err);

  if (failed) return kExitError;
  int status = kExitOk;
  bool any_read = false;
  for (const DriveReport& report : reports) {
    if (!report.Read()) continue;
    any_read = true;
    status = std::max(status, ConditionStatus(*report.condition));
  }
  if (!any_read) {
    err << kProgram << ": no drive could be read\n";
    return kExitError;
  }
  return status;
}

int CliMain(const std::vector<std::string>& arguments, const CliEnvironment& environment,
            std::ostream& out, std::ostream& err) {
  try {
    const ParsedArguments parsed = ParseArguments(arguments, out, err);
    if (!parsed.options) return parsed.exit_status;
    return RunCli(*parsed.options, environment, out, err);
  } catch (...) {
    return ReportUnexpectedError(err);
  }
}

int ReportUnexpectedError(std::ostream& err) noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      err << kProgram << ": " << error.what() << '\n';
    } catch (...) {
      err << kProgram << ": an unexpected error ended the run\n";
    }
    err.flush();
  } catch (...) {
    // Nothing more can be said when standard error itself fails.
  }
  return kExitError;
}

}  // namespace kestrine
