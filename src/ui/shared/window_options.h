// The window programs' own command-line options, the same in every front end.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine {

// Ends the program once the first refresh has finished (start-up timing).
inline constexpr char kQuitAfterFirstRefreshOption[] = "--quit-after-first-refresh";

// --smoke-test FILE: the window's self-check, which writes what the window shows to FILE
// (smoke_test_lines.h) and ends the program.
inline constexpr char kSmokeTestOption[] = "--smoke-test";

// Readings are not kept in the history.
inline constexpr char kNoHistoryOption[] = "--no-history";

// --help or --version anywhere on the command line: what the window program `program` prints
// instead of opening its window (so that it answers without a display), the first of the two
// given; nullopt for neither.
inline std::optional<std::string> HelpOrVersionText(
    std::string_view program, std::string_view version,
    const std::vector<std::string_view>& arguments) {
  for (const std::string_view argument : arguments) {
    if (argument == "--version") return std::string(program) + " " + std::string(version) + "\n";
    if (argument != "--help" && argument != "-h") continue;
    return "Usage: " + std::string(program) +
           " [--no-history]\n"
           "Shows the S.M.A.R.T. data and condition of ATA, SATA and NVMe drives in a window.\n"
           "  --no-history  Keep no history of the drives read\n"
           "  --version     Print the program's name and version and end\n"
           "  -h, --help    Print this help and end\n"
           "The full reference: man kestrine; the command-line program: kestrine-cli --help\n";
  }
  return std::nullopt;
}

}  // namespace kestrine
