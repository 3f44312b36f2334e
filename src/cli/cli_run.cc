#include "cli_run.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "demo_drives.h"
#include "drive_metrics.h"
#include "drive_number.h"
#include "drive_report.h"
#include "errors.h"
#include "file_writer.h"
#include "form_texts.h"
#include "history_recorder.h"
#include "history_report.h"
#include "json_report.h"
#include "latin1_text.h"
#include "memory_toolkit.h"
#include "metrics_report.h"
#include "open_refusal.h"
#include "opened_drive.h"
#include "reading.h"
#include "report_texts.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "snapshot_drive.h"
#include "snapshot_file.h"
#include "style_sheet.h"
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

int ConditionStatus(Condition condition) {
  if (condition == Condition::Critical) return kExitCritical;
  if (condition == Condition::Warning) return kExitWarning;
  return kExitOk;
}

// One run: the drive layer and TForm1 over the in-memory toolkit, as the window holds them.
// Message boxes are written to standard error; a Yes/No question is answered Yes (the option on
// the command line is the user's confirmation), and the save dialog answers with the file named
// on the command line.
class CliSession {
 public:
  CliSession(DevicePort& port, const CliOptions& options, const CliEnvironment& environment,
             std::ostream& err, SystemLog* system_log)
      : options_(options),
        err_(err),
        system_log_(system_log),
        drv_(port),
        form_(drv_, ui_.Controls(), system_log) {
    ui_.App.program_directory = environment.program_directory;
    ui_.App.answer_when_none_left = true;
  }

  // A drive's first reading in this run is compared with its latest one in `history`.
  void CompareWithHistory(HistoryRecorder& history) {
    form_.Watch().SetPreviousReading(
        [&history](const DriveKey& key) { return history.Previous(key); });
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
    if (options_.no_wake) {
      // The window's start-up would read the first drive whatever its power mode.
      RunGuarded(ui_.App, [this] { form_.ListDrives(); });
    } else {
      RunGuarded(ui_.App, [this] { form_.FormShow(); });
      first_is_read = !ui_.ComboBox1.items.empty();
    }
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
      // where the window could only call it no S.M.A.R.T. device. A device the system holds
      // suspended is not opened for that: the open would resume it.
      const bool suspended =
          options_.no_wake &&
          drv_.Port().PowerWithoutOpening(SmartDrv::DevicePathOf(target)) == PowerMode::Suspended;
      std::optional<std::string> refusal;
      if (!suspended) refusal = OpenRefusal(drv_, target);
      if (refusal) {
        DriveReport report = CaptureUnread(ui_);
        ui_.App.ShowMessage(*refusal);
        TakeMessages(report);
        return report;
      }
      if (options_.no_wake) {
        RunGuarded(ui_.App, [this] { form_.RefreshUnlessAsleep(); });
      } else {
        RunGuarded(ui_.App, [this] { form_.ComboBox1Change(); });
      }
      if (Asleep(form_.LeftAsleep())) {
        // The views still hold the drive read before this one.
        DriveReport report = CaptureUnread(ui_);
        report.left_asleep = form_.LeftAsleep();
        TakeMessages(report);
        return report;
      }
    }
    DriveReport report = CaptureDrive(ui_);
    // A drive that answered IDENTIFY has a reading, decided or not; what got worse is told of
    // real drives only.
    if (report.Identified()) {
      report.reading = form_.Reading();
      if (!options_.SimulatedDrives()) report.changes = form_.Changes();
    }
    if (!options_.loads.empty()) {
      const std::optional<int> number = SimBay::ResolvePath(report.path);
      if (number && static_cast<std::size_t>(*number) < options_.loads.size())
        report.snapshot = options_.loads[static_cast<std::size_t>(*number)];
    }
    TakeMessages(report);
    return report;
  }

  SmartDrv& DriveLayer() { return drv_; }

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
    if (options_.save) done = SaveSnapshot(report.path, *options_.save) && done;
    if (options_.html) {
      ui_.PageControl1.active = options_.html->page;
      ui_.App.save_file_name = options_.html->file;
      bool saved = false;
      RunGuarded(ui_.App, [this, &saved] { saved = form_.SaveActivePageAsHtml(); });
      TakeMessages(report);
      if (saved && FindStyleSheet(ui_.App.program_directory).empty())
        err_ << kProgram << ": " << texts::kStyleSheetNotFound << '\n';
      done = saved && done;
    }
    if (options_.self_test) {
      const bool is_short = *options_.self_test == SelfTestKind::Short;
      bool started = false;
      RunGuarded(ui_.App, [this, is_short, &started] {
        started = is_short ? form_.StartShortSelfTest() : form_.StartExtendedSelfTest();
      });
      TakeMessages(report);
      if (started) {
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
  // drive's report.
  void TakeMessages(DriveReport& report) {
    const std::vector<std::string> messages = ui_.App.TakeMessages();
    for (const std::string& message : messages) {
      err_ << kProgram << ": ";
      if (!report.path.empty()) err_ << TerminalText(report.path) << ": ";
      err_ << TerminalText(message) << '\n';
    }
    report.messages.insert(report.messages.end(), messages.begin(), messages.end());
  }

  // The blocks the reading of the refresh just made was decoded from, and the self-test log read
  // afresh: the log is not kept in the drive layer's tables.
  bool SaveSnapshot(const std::string& path, const std::string& file) {
    const DriveReading& reading = form_.Reading();
    Snapshot snapshot;
    bool log_read = false;
    {
      const OpenedDrive drive(drv_, path);
      if (reading.nvme_blocks) {
        NvmeSnapshot nvme;
        nvme.controller = reading.nvme_blocks->controller;
        nvme.namespace_data = reading.nvme_blocks->namespace_data;
        if (reading.parts.health) nvme.health = reading.nvme_blocks->health;
        log_read = drv_.ReadSelfTestLogNvme(drive.Handle()) == CommandResult::Success;
        if (log_read) nvme.self_test_log = drv_.Tables().NvmeSelfTest;
        snapshot.nvme = nvme;
      } else if (reading.ata_blocks) {
        snapshot.identify = reading.ata_blocks->identify;
        // A READ DATA that did not answer stays out: its cleared block is no reading.
        if (reading.parts.health) snapshot.smart_data = reading.ata_blocks->smart_data;
        snapshot.thresholds = reading.ata_blocks->thresholds;
        Sector log{};
        log_read =
            drv_.ReadSelfTestLog(drive.Handle(), reading.slot, log) == CommandResult::Success;
        if (log_read) snapshot.self_test_log = log;
      }
    }
    if (!log_read) {
      err_ << kProgram << ": " << TerminalText(path)
           << ": the self-test log could not be read; the snapshot holds none\n";
    }
    if (const std::optional<FileError> error = WriteSnapshotFile(file, snapshot)) {
      err_ << kProgram << ": " << SnapshotFileErrorText(file, *error) << '\n';
      return false;
    }
    return true;
  }

  const CliOptions& options_;
  std::ostream& err_;
  SystemLog* system_log_;
  SmartDrv drv_;
  MemoryToolkit ui_;
  TForm1 form_;
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
  bool first_is_read = false;
  const std::vector<std::string> targets = session.Targets(first_is_read);
  std::vector<DriveReport> reports;
  if (targets.empty()) {
    // As with any run that ends before a drive is read, nothing goes to standard output: a
    // script never takes an empty document for a reading. A metrics file keeps its last readings.
    if (session.DropMessages()) err << kProgram << ": " << texts::kNeedsAdministratorRights << '\n';
    err << kProgram << ": no drive can be opened\n";
    if (options.metrics_file) {
      err << kProgram << ": " << TerminalText(*options.metrics_file) << " is left as it was\n";
    }
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
  bool failed = false;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const double started = options.metrics ? clock() : 0;
    DriveReport report = session.Read(targets[i], i == 0 && first_is_read);
    if (options.metrics) {
      metrics.push_back(MeasureDrive(session.DriveLayer(), report));
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
