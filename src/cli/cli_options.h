// The command line of kestrine-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrine {

enum class SelfTestKind { Short, Extended };

struct HtmlRequest {
  int page = 0;  // the view's page index, 0 to 3
  std::string file;
};

struct CliOptions {
  std::vector<std::string> drives;  // numbers or selector texts; empty: every drive
  std::vector<std::string> loads;   // snapshot files, drives 0, 1, ... in this order
  bool json = false;
  bool metrics = false;  // Prometheus' text format instead of text tables
  // --metrics FILE: the metrics replace FILE once complete; nullopt: standard output.
  std::optional<std::string> metrics_file;
  std::optional<std::string> save;
  std::optional<HtmlRequest> html;
  std::optional<SelfTestKind> self_test;
  // Each drive's power mode is asked first without waking it, and a drive asleep is not read.
  bool no_wake = false;
  bool demo = false;  // the demo program's simulated drives instead of the system's

  // The drives read are simulated ones (--demo, --load), not the system's.
  bool SimulatedDrives() const { return demo || !loads.empty(); }

  bool no_history = false;  // the drives read are not kept in the history
  // --history: the history's drives instead of reading any, chosen by --drive (the path they
  // were read at last) and --serial, in the time range, as text, --json or --html FILE.
  bool history = false;
  std::vector<std::string> serials;
  std::optional<std::int64_t> since;  // seconds since 1970 UTC
  std::optional<std::int64_t> until;
  std::optional<std::string> history_page;
  bool every_day = false;  // the text's temperature table per day, however many days
  std::optional<std::string> history_file;  // instead of the history's own place

  std::optional<std::string> config_file;  // --config: instead of the configuration's own place
  bool check_config = false;  // say what the configuration file holds, and read no drive

  // --save, --html and --self-test act on one drive.
  bool ActsOnDrive() const { return save || html || self_test; }
  // The options alone name one drive: one --drive, or without --drive a single --load.
  bool NamesOneDrive() const { return drives.size() == 1 || (drives.empty() && loads.size() == 1); }
};

// The exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWarning = 1;
inline constexpr int kExitCritical = 2;
inline constexpr int kExitError = 3;

struct ParsedArguments {
  std::optional<CliOptions> options;  // nullopt: nothing to run, exit with `exit_status`
  int exit_status = kExitOk;
};

// `arguments` without the program's name. --help and --version are written to `out`; a
// mistake to `err`, with the exit status kExitError.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out,
                               std::ostream& err);

// The selector's text for a --drive value: a decimal number of up to nine digits becomes
// "\\.\PHYSICALDRIVE" and those digits as typed (so that "010", like "\\.\PhysicalDrive010",
// names no drive); a Linux disk's device path ("/dev/sda", "/dev/nvme0n1") becomes the path of
// its drive number; any other text is taken as typed into the selector.
std::string DriveSelectorText(const std::string& drive);

}  // namespace kestrine
