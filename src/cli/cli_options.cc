#include "cli_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <string_view>
#include <tuple>

#include "drive_number.h"
#include "drive_path.h"
#include "drive_report.h"
#include "form_texts.h"
#include "history_summary.h"
#include "kestrine_version.h"
#include "latin1_text.h"
#include "smart_drv.h"

namespace kestrine {

namespace {

constexpr char kProgram[] = "kestrine-cli";
// The longest decimal number --drive takes as a drive number: nine digits always fit an int.
constexpr std::size_t kMaxDriveNumberDigits = 9;
constexpr char kVersion[] = "kestrine-cli " KESTRINE_VERSION;
// The forms --since and --until take.
constexpr char kTimeForms[] = "2026-12-07, 2026-12-07T19:30 or 2026-12-07T19:30:00 (UTC)";

constexpr char kDescription[] =
    "kestrine-cli shows what the Kestrine window shows of ATA, SATA and NVMe drives: per drive\n"
    "its condition, status bar, tray hint and the Identify, Attributes, Self Test Logs, General\n"
    "and Statistics views, as text tables, one JSON document or Prometheus metrics. It also saves\n"
    "snapshot files and HTML reports, and starts self-tests.";

// A summary: the manual page is the reference, and the only place each option is explained.
constexpr char kFooter[] =
    "--save, --html and --self-test act on one drive: one --drive, or a single --load.\n"
    "Views for --html: Identify, Attributes, \"Self Test Logs\", General, Statistics\n"
    "(self-test-logs).\n"
    "Exit status: 0 every drive OK, 1 a drive WARNING, 2 a drive CRITICAL, 3 an error.\n"
    "\n"
    "The full reference, with the JSON document, the metrics and the snapshot files:\n"
    "  man kestrine-cli   (in the sources: packaging/linux/kestrine-cli.1.in)";

// Shows --html's two values by their names rather than as "VIEW FILE x 2".
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    if (option->get_expected_max() == 2) return " " + option->get_type_name();
    return CLI::Formatter::make_option_opts(option);
  }
};

// A drive number above the last slot of the drive tables, given as a number ("256") or as
// its path ("\\.\PHYSICALDRIVE256"): the window's logic would take it modulo 256 and show
// another drive's data under its name.
bool NamesDriveBeyondTables(const std::string& drive) {
  std::string_view digits = drive;
  const std::string_view prefix = kPhysicalDrivePrefix;
  if (digits.size() > prefix.size() &&
      std::ranges::equal(digits.substr(0, prefix.size()), prefix, [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
      })) {
    digits.remove_prefix(prefix.size());
  }
  if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits.size() > 3 || std::stoi(std::string(digits)) >= static_cast<int>(kDriveSlots);
}

// What is wrong with a --drive value, found before any drive is read: a drive number beyond the
// tables, a device path that names no whole disk and, with --history, which reads no drive to
// say so, a text that names no drive number.
std::optional<std::string> DriveMistake(const std::string& drive, bool history) {
  if (NamesDriveBeyondTables(drive))
    return "drive numbers go up to " + std::to_string(kDriveSlots - 1);
  if (drive.starts_with("/dev/") && !DriveNumberOfDiskPath(drive))
    return "names no whole disk (/dev/sdX or /dev/nvmeNn1)";
  if (history) {
    try {
      DriveNumberFromText(DriveSelectorText(drive));
    } catch (const EConvertError& error) {
      return TerminalText(error.what());
    }
  }
  return std::nullopt;
}

}  // namespace

std::string DriveSelectorText(const std::string& drive) {
  const bool number = !drive.empty() && drive.size() <= kMaxDriveNumberDigits &&
                      std::ranges::all_of(drive, [](char c) { return c >= '0' && c <= '9'; });
  if (const std::optional<std::uint32_t> disk = DriveNumberOfDiskPath(drive))
    return DriveDevicePath(static_cast<int>(*disk));
  // The digits as typed: "010" is "\\.\PHYSICALDRIVE010", which names no drive, as the window
  // and Windows have it.
  return number ? kPhysicalDrivePrefix + drive : drive;
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out,
                               std::ostream& err) {
  CLI::App app(kDescription, kProgram);
  app.footer(kFooter);
  app.set_version_flag("--version", kVersion);

  CliOptions options;
  std::string since;
  std::string until;
  std::string save;
  std::vector<std::string> html;
  std::string self_test;
  app.add_option("--drive", options.drives, "Read only this drive (number or path); repeatable")
      ->type_name("N|PATH");
  app.add_option("--load", options.loads, "Read a snapshot file instead of drives; repeatable")
      ->type_name("FILE");
  CLI::Option* const load_option = app.get_option("--load");
  app.add_flag("--no-wake", options.no_wake,
               "Leave a drive in standby asleep: ask its power mode first, and do not read it");
  app.add_flag("--demo", options.demo, "Read the demo's simulated drives instead of the system's")
      ->excludes(load_option);
  CLI::Option* const json_option =
      app.add_flag("--json", options.json, "Write one JSON document instead of text tables");
  std::string metrics_file;
  CLI::Option* const metrics_option =
      app.add_option("--metrics", metrics_file,
                     "Write Prometheus metrics (text format 0.0.4) instead of text tables, to "
                     "FILE or to standard output")
          ->expected(0, 1)
          ->type_name("[FILE]")
          ->excludes(json_option);
  CLI::Option* const save_option =
      app.add_option("--save", save, "Write the drive's snapshot after reading it")
          ->type_name("FILE");
  CLI::Option* const html_option =
      app.add_option("--html", html,
                     "Write the HTML report of one view of the drive; with --history, "
                     "--html FILE writes the history page")
          ->expected(1, 2)
          ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
          ->type_name("VIEW FILE");
  CLI::Option* const self_test_option =
      app.add_option("--self-test", self_test, "Start the drive's self-test (no question asked)")
          ->check(CLI::IsMember({"short", "extended"}))
          ->type_name("KIND");
  app.add_flag("--no-history", options.no_history, "Keep no history of the drives read");
  CLI::Option* const history_option =
      app.add_flag("--history", options.history, "Show the history of the drives instead");
  CLI::Option* const serial_option =
      app.add_option("--serial", options.serials, "With --history: only this drive; repeatable")
          ->type_name("TEXT");
  CLI::Option* const since_option =
      app.add_option("--since", since,
                     std::string("With --history: readings from this time: ") + kTimeForms)
          ->type_name("TIME");
  CLI::Option* const until_option =
      app.add_option("--until", until,
                     "With --history: readings up to this time (a day alone: its end)")
          ->type_name("TIME");
  CLI::Option* const every_day_option =
      app.add_flag("--every-day", options.every_day,
                   "With --history: the temperature of every day (beyond 31: per week or month)");
  app.add_option("--history-file", options.history_file,
                 "Keep and read the history in this file instead")
      ->type_name("FILE");
  app.add_option("--config", options.config_file,
                 "Read the configuration from this file instead of its own place")
      ->type_name("FILE");
  app.add_flag("--check-config", options.check_config,
               "Say what the configuration file holds, and read no drive")
      ->excludes(history_option);
  history_option->excludes("--load")
      ->excludes("--demo")
      ->excludes("--metrics")
      ->excludes("--save")
      ->excludes("--self-test");
  for (CLI::Option* option : {serial_option, since_option, until_option, every_day_option})
    option->needs(history_option);
  app.formatter(std::make_shared<HelpFormatter>());

  ParsedArguments parsed;
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error, out, err);
    parsed.exit_status = status == 0 ? kExitOk : kExitError;
    return parsed;
  }

  if (save_option->count() > 0) options.save = save;
  if (metrics_option->count() > 0) {
    options.metrics = true;
    if (!metrics_file.empty() && metrics_file != "-") options.metrics_file = metrics_file;
  }
  if (self_test_option->count() > 0) {
    options.self_test = self_test == "short" ? SelfTestKind::Short : SelfTestKind::Extended;
  }
  const auto fail = [&parsed, &err](const std::string& message) {
    err << kProgram << ": " << message << '\n';
    parsed.exit_status = kExitError;
    return parsed;
  };
  for (auto [text, value, end_of_day, option] :
       {std::tuple{&since, &options.since, false, since_option},
        std::tuple{&until, &options.until, true, until_option}}) {
    if (option->count() == 0) continue;
    *value = ParseUtcTime(*text, end_of_day);
    if (!*value) {
      return fail(option->get_name() + ": \"" + TerminalText(*text) + "\" is no time; write " +
                  kTimeForms);
    }
  }
  if (options.since && options.until && *options.since > *options.until) {
    return fail("--since: \"" + TerminalText(since) + "\" is after --until \"" +
                TerminalText(until) + "\"; the time range holds nothing");
  }
  if (options.history && html_option->count() > 0) {
    if (html.size() != 1 || html[0].empty())
      return fail("--html: with --history, give the page's file name alone");
    options.history_page = html[0];
    html.clear();
  } else if (html_option->count() > 0 && html.size() != 2) {
    return fail("--html needs the view and the report's file name (VIEW FILE)");
  }
  if (html_option->count() > 0 && html.size() == 2) {
    const std::optional<int> page = ViewPageByName(html[0]);
    if (!page) {
      err << kProgram << ": --html: no view \"" << TerminalText(html[0])
          << "\"; the views are Identify, Attributes, \"Self Test Logs\" and General\n";
      parsed.exit_status = kExitError;
      return parsed;
    }
    if (html[1].empty()) {
      err << kProgram << ": --html: the report's file name is empty\n";
      parsed.exit_status = kExitError;
      return parsed;
    }
    options.html = HtmlRequest{*page, html[1]};
  }
  if (save_option->count() > 0 && save.empty()) {
    err << kProgram << ": --save: the snapshot's file name is empty\n";
    parsed.exit_status = kExitError;
    return parsed;
  }
  for (const std::string& drive : options.drives) {
    if (const std::optional<std::string> mistake = DriveMistake(drive, options.history))
      return fail("--drive " + TerminalText(drive) + ": " + *mistake);
  }
  // Decided from the options alone, so that the mistake ends the run before any drive is read.
  if (!options.history && options.ActsOnDrive() && !options.NamesOneDrive()) {
    err << kProgram
        << ": --save, --html and --self-test act on one drive: choose one with --drive, or load "
           "one file with --load\n";
    parsed.exit_status = kExitError;
    return parsed;
  }
  parsed.options = std::move(options);
  return parsed;
}

}  // namespace kestrine
