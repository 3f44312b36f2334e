// kestrine-cli's work, as a function the program and the tests call: read the drives through
// TForm1 over the in-memory toolkit, act on the drive, write text or JSON, give the exit status.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli_options.h"
#include "device_port.h"
#include "history_file.h"
#include "tell.h"

namespace kestrine {

struct CliEnvironment {
  // Where style.css is copied from for --html: the program's own directory.
  std::string program_directory;
  // The port of the system's drives; not called when snapshot files are loaded.
  std::function<std::unique_ptr<DevicePort>()> make_port;
  // Seconds on a clock that only goes forward, for how long each drive's read took (--metrics);
  // the steady clock when empty.
  std::function<double()> clock;
  // Called before --metrics writes: standard output is to write its bytes unchanged (a Windows
  // console stream would turn each line feed into CR LF). Nothing is done when empty.
  std::function<void()> binary_output;
  // The system log the changes found on real drives are written to (not those of snapshot
  // files); nothing is logged when empty.
  std::function<std::unique_ptr<SystemLog>()> open_system_log;
  // Where the history is kept and read (--history); when empty, no reading is kept and there is
  // no history to show.
  std::function<HistoryLocation()> history_location;
};

int RunCli(const CliOptions& options, const CliEnvironment& environment, std::ostream& out,
           std::ostream& err);

// ParseArguments, then RunCli. `arguments` without the program's name. An exception that gets
// this far is written to `err` by ReportUnexpectedError.
int CliMain(const std::vector<std::string>& arguments, const CliEnvironment& environment,
            std::ostream& out, std::ostream& err);

// Inside a catch handler: writes "kestrine-cli: " and the exception's text to `err` and returns
// kExitError, so that no error ends the program without a word and another exit status.
int ReportUnexpectedError(std::ostream& err) noexcept;

}  // namespace kestrine
