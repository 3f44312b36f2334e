#include "cli_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <string_view>
#include <tuple>

#include "drive_number.h"
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

constexpr char kDescription[] =
    "kestrine-cli shows what the Kestrine window shows of ATA drives: the Identify, Attributes,\n"
    "Self Test Logs and General views, the drive's condition, the status bar and the tray hint.\n"
    "It runs the window's own logic, so every cell is the cell the window would show.";

constexpr char kFooter[] =
    "Options in detail:\n"
    "  --drive N|PATH     N, a number from 0 to 255, is \\\\.\\PHYSICALDRIVEN; any other\n"
    "                     text is taken as typed into the window's drive selector.\n"
    "  --load FILE        No real drive is touched: each file becomes a simulated drive,\n"
    "                     numbered from 0 in the order given (at most 256 files).\n"
    "  --json             Its shape is described in the README (section kestrine-cli).\n"
    "  --metrics          For node_exporter's textfile collector: per drive its identity,\n"
    "                     condition, temperature, attributes (whole raw values), self-test\n"
    "                     and whether and how fast it was read. The README lists the metrics.\n"
    "  --save FILE        IDFY, SMDT and SMTH as just read, and the self-test log read afresh\n"
    "                     as SLOG. Needs one drive.\n"
    "  --html VIEW FILE   As \"Save to HTML\" writes it; style.css is copied beside the report\n"
    "                     from the program's directory, else from ../share/kestrine beside\n"
    "                     it (/usr/share/kestrine when installed). Needs one drive.\n"
    "  --self-test KIND   short or extended; the option is the confirmation. The views shown\n"
    "                     are those read before the start. Needs one drive.\n"
    "  --no-history       Every real drive read is otherwise kept in the history:\n"
    "                     /var/lib/kestrine/history.db as root (%ProgramData%\\Kestrine as an\n"
    "                     administrator), else the user's own ($XDG_STATE_HOME/kestrine,\n"
    "                     ~/.local/state/kestrine, %LOCALAPPDATA%\\Kestrine).\n"
    "  --history          Show the history instead of reading drives: per drive the first and\n"
    "                     last reading, the condition's changes, the watched counters' changes\n"
    "                     and the temperature per day. --drive N chooses the drives last read\n"
    "                     there, --serial TEXT by serial; --since and --until TIME (UTC,\n"
    "                     2026-12-07 or 2026-12-07T19:30) the readings; --json, or --html FILE\n"
    "                     for a page with charts.\n"
    "  --history-file FILE  The history kept and shown is this SQLite file instead.\n"
    "\n"
    "Drives:\n"
    "  Without --drive every drive that can be opened is read, in number order. Without --load\n"
    "  the system's drives are read (\\\\.\\PHYSICALDRIVE0 is the first disk); reading them needs\n"
    "  the rights to send ATA commands (root, or Administrator on Windows). --save, --html and\n"
    "  --self-test need one drive: one --drive, or without --drive a single --load.\n"
    "\n"
    "Views (for --html): \"Identify\", \"Attributes\", \"Self Test Logs\", \"General\"; letter "
    "case,\n"
    "  blanks, hyphens and underscores do not matter (self-test-logs).\n"
    "\n"
    "Snapshot files:\n"
    "  libatasmart's tagged format: `skdump --save` writes files that load here, and `skdump\n"
    "  --load` reads ours. Sections: a 4-byte tag, a 4-byte big-endian length, the payload:\n"
    "  IDFY (512, required), SMST (4, ignored), SMDT (512), SMTH (512) and SLOG (512, the\n"
    "  self-test log). A missing section reads as zero bytes; other tags are skipped. A file cut\n"
    "  short, with a section of the wrong size, a section twice or no IDFY is refused, and so is\n"
    "  anything that is not a regular file. A loaded drive answers through the ATA pass-through\n"
    "  only and names no bus type. --save replaces a file only once the new one is written.\n"
    "\n"
    "Exit status:\n"
    "  0  every drive shown is OK\n"
    "  1  a drive is WARNING and none is CRITICAL\n"
    "  2  a drive is CRITICAL\n"
    "  3  an error: no drive could be read, a drive named with --drive could not be read, a\n"
    "     snapshot file was refused, the arguments were wrong, or --save, --html or\n"
    "     --self-test failed\n"
    "  A drive found without --drive that answers no IDENTIFY (a card reader) is listed as not\n"
    "  read and does not count.";

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

}  // namespace

std::string DriveSelectorText(const std::string& drive) {
  const bool number = !drive.empty() && drive.size() <= kMaxDriveNumberDigits &&
                      std::ranges::all_of(drive, [](char c) { return c >= '0' && c <= '9'; });
  return number ? DriveDevicePath(std::stoi(drive)) : drive;
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
  CLI::Option* const json_option =
      app.add_flag("--json", options.json, "Write one JSON document instead of text tables");
  app.add_flag("--metrics", options.metrics,
               "Write Prometheus metrics (text format 0.0.4) instead of text tables")
      ->excludes(json_option);
  CLI::Option* const save_option =
      app.add_option("--save", save, "Write the drive's snapshot after reading it")
          ->type_name("FILE");
  CLI::Option* const html_option =
      app.add_option("--html", html, "Write the HTML report of one view of the drive")
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
      app.add_option("--since", since, "With --history: readings from this time (UTC)")
          ->type_name("TIME");
  CLI::Option* const until_option =
      app.add_option("--until", until, "With --history: readings up to this time (UTC)")
          ->type_name("TIME");
  app.add_option("--history-file", options.history_file,
                 "Keep and read the history in this file instead")
      ->type_name("FILE");
  history_option->excludes("--load")
      ->excludes("--metrics")
      ->excludes("--save")
      ->excludes("--self-test");
  for (CLI::Option* option : {serial_option, since_option, until_option})
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
  if (self_test_option->count() > 0) {
    options.self_test = self_test == "short" ? SelfTestKind::Short : SelfTestKind::Extended;
  }
  const auto fail = [&parsed, &err](const std::string& message) {
    err << kProgram << ": " << message << '\n';
    parsed.exit_status = kExitError;
    return parsed;
  };
  for (auto [text, value, end_of_day, name] :
       {std::tuple{&since, &options.since, false, "--since"},
        std::tuple{&until, &options.until, true, "--until"}}) {
    if (text->empty()) continue;
    *value = ParseUtcTime(*text, end_of_day);
    if (!*value) {
      return fail(std::string(name) + ": \"" + TerminalText(*text) +
                  "\" is no time; write 2026-12-07, 2026-12-07T19:30 or 2026-12-07T19:30:00 (UTC)");
    }
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
    if (!NamesDriveBeyondTables(drive)) continue;
    err << kProgram << ": --drive " << TerminalText(drive) << ": drive numbers go up to "
        << kDriveSlots - 1 << "\n";
    parsed.exit_status = kExitError;
    return parsed;
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
