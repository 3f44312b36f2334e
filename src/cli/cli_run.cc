#include "cli_run.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "ata_registers.h"
#include "config_report.h"
#include "demo_drives.h"
#include "drive_metrics.h"
#include "drive_number.h"
#include "drive_report.h"
#include "drive_session.h"
#include "drive_views.h"
#include "drive_watch.h"
#include "file_writer.h"
#include "form_texts.h"
#include "history_recorder.h"
#include "history_report.h"
#include "json_report.h"
#include "latin1_text.h"
#include "metrics_report.h"
#include "reading.h"
#include "report_texts.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "snapshot_drive.h"
#include "snapshot_file.h"
#include "style_sheet.h"
#include "text_report.h"

namespace kestrine {

namespace {

constexpr char kProgram[] = "kestrine-cli";

// Output that did not reach its file (a full disk, a closed pipe) is an error, whatever the
// drives' condition: a script must not take a cut-off document for a whole one.
int ReportUnwritableOutput(std::ostream& err) {
  err << kProgram << ": standard output cannot be written\n";
  return kExitError;
}

int ConditionStatus(Condition condition) {
  if (condition == Condition::Critical) return kExitCritical;
  if (condition == Condition::Warning) return kExitWarning;
  return kExitOk;
}

// One run: the drive layer read through drive sessions, and what the window would show of each
// drive made by the views' row builders. What the window says in message boxes is written to
// standard error; the options on the command line are the user's confirmations.
class CliSession {
 public:
  CliSession(DevicePort& port, const CliOptions& options, const CliEnvironment& environment,
             std::ostream& err, SystemLog* system_log)
      : options_(options),
        environment_(environment),
        err_(err),
        system_log_(system_log),
        drv_(port) {}

  // A drive's first reading in this run is compared with its latest one in `history`.
  void CompareWithHistory(HistoryRecorder& history) {
    watch_.SetPreviousReading([&history](const DriveKey& key) { return history.Previous(key); });
  }

  // The drives to read: every drive that opens, as the window lists them, or the drives named on
  // the command line. `refused`: none opens, and some refused for want of rights.
  std::vector<std::string> Targets(bool& refused) {
    refused = false;
    std::vector<std::string> targets;
    if (!options_.drives.empty()) {
      for (const std::string& drive : options_.drives) targets.push_back(DriveSelectorText(drive));
      return targets;
    }
    ListedDrives listed = ListDrives(drv_.Port());
    refused = listed.refused && listed.paths.empty();
    return std::move(listed.paths);
  }

  DriveReport Read(const std::string& target) {
    DriveReport report = UnreadDrive(target);
    if (!report.drive_number) {
      // The window's own answer to a text that names no drive number.
      try {
        DriveNumberFromText(target);
      } catch (const EConvertError& error) {
        Say(report, error.what());
      }
      return report;
    }
    // --no-wake asks the power mode first and leaves a sleeping drive asleep.
    SessionResult read = ReadDrive(drv_, target, static_cast<Byte>(*report.drive_number),
                                   {.check_power = options_.no_wake});
    switch (read.outcome) {
      case DriveOutcome::Read:
        break;
      case DriveOutcome::Asleep:
        report.left_asleep = read.asleep;
        report.status_bar = AsleepStatusText("", read.asleep);
        report.tray_hint = "";
        return report;
      case DriveOutcome::NotSmart:
        Say(report, texts::kNotSmartDevice);
        return report;
      case DriveOutcome::NoRights:
      case DriveOutcome::Gone:
      case DriveOutcome::Failed:
        // The open's own error says what happened, where the window could only call it no
        // S.M.A.R.T. device.
        Say(report, read.message);
        return report;
    }
    ShowRead(read, report);
    if (read.self_test_log_asked && !read.reading.parts.self_test_log) Say(report, texts::kFailed);
    // What got worse is told of real drives only.
    std::vector<DriveChange> changes = watch_.Look(read.reading, target);
    if (system_log_ != nullptr) {
      const std::string name = ToldDriveName(target, read.reading.identity);
      for (const DriveChange& change : changes)
        system_log_->Write(change.severity, name + texts::kToldDriveSeparator + change.text);
    }
    if (!options_.SimulatedDrives()) report.changes = std::move(changes);
    report.reading = std::move(read.reading);
    if (!options_.loads.empty()) {
      const std::optional<int> number = SimBay::ResolvePath(report.path);
      if (number && static_cast<std::size_t>(*number) < options_.loads.size())
        report.snapshot = options_.loads[static_cast<std::size_t>(*number)];
    }
    return report;
  }

  // Keeps the reading of the drive just read in the history; a problem is told once, and also
  // to the system log: a timer's run has nobody reading its standard error.
  void KeepInHistory(HistoryRecorder& history, const DriveReport& report) {
    if (!report.reading || !report.drive_number) return;
    const std::optional<std::string> problem = history.Keep(*report.reading, report.path);
    if (!problem) return;
    err_ << kProgram << ": " << TerminalText(*problem) << '\n';
    if (system_log_ != nullptr) system_log_->Write(Severity::Warning, *problem);
  }

  // --save, --html and --self-test on the drive just read. False when one of them failed.
  bool Act(DriveReport& report) {
    bool done = true;
    if (options_.save) done = SaveSnapshot(report, *options_.save) && done;
    if (options_.html) done = SaveHtml(report) && done;
    if (options_.self_test) {
      const bool is_short = *options_.self_test == SelfTestKind::Short;
      bool started = false;
      {
        const DeviceHandle handle = drv_.OpenDrive(report.path);
        started = StartSelfTest(drv_, handle, static_cast<Byte>(*report.drive_number),
                                is_short ? kShortSelfTestOffline : kExtendedSelfTestOffline);
        drv_.CloseDrive(handle);
      }
      if (started) {
        err_ << kProgram << ": " << TerminalText(report.path) << ": "
             << (is_short ? "short" : "extended") << " self-test started\n";
      } else {
        Say(report, texts::kFailed);
        done = false;
      }
    }
    return done;
  }

 private:
  // A message the window would show in a box: written to standard error and kept in the
  // drive's report.
  void Say(DriveReport& report, const std::string& message) {
    err_ << kProgram << ": ";
    if (!report.path.empty()) err_ << TerminalText(report.path) << ": ";
    err_ << TerminalText(message) << '\n';
    report.messages.push_back(message);
  }

  // The page named by --html, as the window's Save to HTML writes it.
  bool SaveHtml(DriveReport& report) {
    const ViewReport& view = report.views[static_cast<std::size_t>(options_.html->page)];
    ReportTable table{.captions = view.columns, .rows = {}};
    for (const ViewRow& row : view.rows) {
      ReportRow& shown = table.rows.emplace_back();
      shown.colour = ReportRowColour(row.background);
      for (const std::string& cell : row.cells) shown.cells.push_back(ReportCellText(cell));
    }
    const HtmlSaved saved = SaveHtmlReport(table, std::filesystem::path(options_.html->file),
                                           environment_.program_directory);
    if (saved.not_created) Say(report, *saved.not_created);
    for (const std::string& message : saved.messages) Say(report, message);
    if (saved.saved && FindStyleSheet(environment_.program_directory).empty())
      err_ << kProgram << ": " << texts::kStyleSheetNotFound << '\n';
    return saved.saved;
  }

  // The blocks the reading was decoded from, and its self-test log.
  bool SaveSnapshot(const DriveReport& report, const std::string& file) {
    const DriveReading& reading = *report.reading;
    Snapshot snapshot;
    const bool log_read = reading.parts.self_test_log;
    const bool kept = std::visit(PerFamily{
                                     [](const NoFamilyPart&) { return true; },
                                     [&](const AtaPart& part) {
                                       if (!part.blocks) return true;
                                       snapshot.identify = part.blocks->identify;
                                       // A READ DATA that did not answer stays out: its cleared
                                       // block is no reading.
                                       if (reading.parts.health)
                                         snapshot.smart_data = part.blocks->smart_data;
                                       snapshot.thresholds = part.blocks->thresholds;
                                       if (log_read)
                                         snapshot.self_test_log = part.blocks->self_test_log;
                                       return true;
                                     },
                                     [&](const NvmePart& part) {
                                       if (!part.blocks) return true;
                                       NvmeSnapshot nvme;
                                       nvme.controller = part.blocks->controller;
                                       nvme.namespace_data = part.blocks->namespace_data;
                                       if (reading.parts.health) nvme.health = part.blocks->health;
                                       if (log_read)
                                         nvme.self_test_log = part.blocks->self_test_log;
                                       snapshot.nvme = nvme;
                                       return true;
                                     },
                                     // A snapshot file has no place for a SAS disk's pages yet:
                                     // none is written, rather than an empty one.
                                     [](const ScsiPart&) { return false; },
                                 },
                                 reading.part);
    if (!kept) {
      err_ << kProgram << ": " << TerminalText(report.path)
           << ": a SAS or SCSI disk cannot be saved as a snapshot\n";
      return false;
    }
    if (!log_read) {
      err_ << kProgram << ": " << TerminalText(report.path)
           << ": the self-test log could not be read; the snapshot holds none\n";
    }
    if (const std::optional<FileError> error = WriteSnapshotFile(file, snapshot)) {
      err_ << kProgram << ": " << SnapshotFileErrorText(file, *error) << '\n';
      return false;
    }
    return true;
  }

  const CliOptions& options_;
  const CliEnvironment& environment_;
  std::ostream& err_;
  SystemLog* system_log_;
  SmartDrv drv_;
  DriveWatch watch_;
};

// Whether two names lead to one file: the same file where both exist, else the same full path.
// A link at a name the program writes is replaced, never written through, so that name is
// compared as written.
bool SameFile(const std::filesystem::path& written, const std::filesystem::path& other) {
  std::error_code error;
  if (!std::filesystem::is_symlink(written, error) &&
      std::filesystem::equivalent(written, other, error)) {
    return true;
  }
  const auto full = [](const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? path : absolute).lexically_normal();
  };
  return full(written) == full(other);
}

// The files the run writes, and the snapshots it reads: no file written may be another file
// written or read, or one would be lost (a report named like the style sheet copied beside it,
// a snapshot saved over the file loaded).
std::optional<std::string> NameClash(const CliOptions& options) {
  std::vector<std::pair<std::filesystem::path, std::string>> written;
  if (options.save) written.emplace_back(*options.save, "--save");
  if (options.html) {
    written.emplace_back(options.html->file, "--html");
    std::error_code error;
    const std::filesystem::path report = std::filesystem::absolute(options.html->file, error);
    if (!error)
      written.emplace_back(report.parent_path() / texts::kStyleSheetName, "the style sheet");
  }
  if (options.metrics_file) written.emplace_back(*options.metrics_file, "--metrics");
  for (std::size_t i = 0; i < written.size(); ++i) {
    const auto& [name, what] = written[i];
    for (std::size_t j = i + 1; j < written.size(); ++j) {
      if (SameFile(name, written[j].first))
        return TerminalText(name.string()) + " is both " + what + " and " + written[j].second;
    }
    for (const std::string& load : options.loads) {
      if (SameFile(name, load))
        return TerminalText(name.string()) + " is both " + what + " and a --load file";
    }
  }
  return std::nullopt;
}

}  // namespace

int RunCli(const CliOptions& options, const CliEnvironment& given, std::ostream& out,
           std::ostream& err) {
  if (const std::optional<std::string> clash = NameClash(options)) {
    err << kProgram << ": " << *clash << "; nothing is read or written\n";
    return kExitError;
  }
  if (options.check_config) return RunCheckConfig(options.config_file, out, err);
  if (options.config_file) LoadConfig(options.config_file, err);
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
    const FileResult<Snapshot> snapshot = ReadSnapshotFile(options.loads[i]);
    if (snapshot) {
      AddSnapshotDrive(bay, static_cast<int>(i), *snapshot);
    } else {
      err << kProgram << ": " << SnapshotFileErrorText(options.loads[i], snapshot.error()) << '\n';
      refused = true;
    }
  }
  if (refused) return kExitError;

  if (options.demo) AddDemoDrives(bay);
  std::unique_ptr<DevicePort> system_port;
  std::unique_ptr<SystemLog> system_log;
  DevicePort* port = &bay;
  if (!options.SimulatedDrives()) {
    if (environment.make_port) system_port = environment.make_port();
    if (!system_port) system_port = std::make_unique<NullDevicePort>();
    port = system_port.get();
    if (environment.open_system_log) system_log = environment.open_system_log();
  }

  // Real drives are kept in the history; simulated ones (the demo's, snapshot files') are not,
  // and are not compared with it.
  std::optional<HistoryRecorder> history;
  if (!options.SimulatedDrives() && !options.no_history && environment.history_location)
    history.emplace(environment.history_location(), kProgram);

  CliSession session(*port, options, environment, err, system_log.get());
  if (history) session.CompareWithHistory(*history);
  bool needs_rights = false;
  const std::vector<std::string> targets = session.Targets(needs_rights);
  std::vector<DriveReport> reports;
  if (targets.empty()) {
    // As with any run that ends before a drive is read, nothing goes to standard output: a
    // script never takes an empty document for a reading. A metrics file keeps its last readings.
    if (needs_rights) err << kProgram << ": " << texts::kNeedsAdministratorRights << '\n';
    err << kProgram << ": no drive can be opened\n";
    if (options.metrics_file) {
      err << kProgram << ": " << TerminalText(*options.metrics_file) << " is left as it was\n";
    }
    return kExitError;
  }

  const std::function<double()> clock = environment.clock ? environment.clock : [] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  std::vector<DriveMetrics> metrics;
  bool failed = false;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const double started = options.metrics ? clock() : 0;
    DriveReport report = session.Read(targets[i]);
    if (options.metrics) {
      metrics.push_back(MeasureDrive(report));
      metrics.back().read_seconds = clock() - started;
    }
    if (history) session.KeepInHistory(*history, report);
    if (report.LeftAsleep()) {
      // Asleep is no failure of the drive's, but what was asked of it cannot be done.
      if (options.ActsOnDrive()) {
        err << kProgram << ": " << TerminalText(report.path) << " is asleep and was not read\n";
        failed = true;
      }
    } else if (report.Identified()) {
      if (options.ActsOnDrive()) failed = !session.Act(report) || failed;
      // A drive asked for by name must be judged: one whose health data did not come is no
      // answer to a script that asks whether it is healthy.
      if (!report.Read() && !options.drives.empty()) {
        err << kProgram << ": " << TerminalText(report.path) << ": " << texts::kHealthNotRead
            << '\n';
        failed = true;
      }
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
  if (options.metrics_file) {
    if (const std::optional<FileError> error =
            ReplaceFileSafely(*options.metrics_file, RenderMetrics(metrics))) {
      err << kProgram << ": " << TerminalText(*options.metrics_file) << ": " << error->Reason()
          << "; the file is left as it was\n";
      return kExitError;
    }
  } else if (options.metrics) {
    if (environment.binary_output) environment.binary_output();
    out << RenderMetrics(metrics);
  }
  out.flush();
  if (!out) return ReportUnwritableOutput(err);

  if (failed) return kExitError;
  int status = kExitOk;
  bool any_read = false;
  for (const DriveReport& report : reports) {
    // A drive left asleep was there and is not in doubt: it neither counts nor is an error.
    any_read = any_read || report.LeftAsleep();
    if (!report.Read() || !report.reading) continue;
    any_read = true;
    status = std::max(status, ConditionStatus(report.reading->condition));
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
