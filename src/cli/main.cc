// kestrine-cli: the Kestrine window's views of ATA, SATA and NVMe drives in a terminal, as JSON,
// as Prometheus metrics and in snapshot files. Its manual page, kestrine-cli(1), tells how.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "file_writer.h"
#include "platform_port.h"
#include "platform_system_log.h"

int main(int argc, char** argv) {
  const kestrine::Utf8Console console;
  std::ios::sync_with_stdio(false);
#ifdef SIGPIPE
  // A reader that stops early is an output error like any other (status 3, and a message), not
  // a silent end by signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  kestrine::RemoveNewFilesOnSignals();
  int status = kestrine::kExitError;
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    kestrine::CliEnvironment environment;
    environment.program_directory = kestrine::ExecutableDirectory(argc > 0 ? argv[0] : nullptr);
    environment.make_port = &kestrine::MakePlatformPort;
    environment.open_system_log = &kestrine::OpenPlatformSystemLog;
    // The metrics file must hold the same bytes on every platform: line feeds, not CR LF.
    environment.binary_output = &kestrine::MakeStandardOutputBinary;
    environment.history_location = &kestrine::DefaultHistoryLocation;
    status = kestrine::CliMain(arguments, environment, std::cout, std::cerr);
  } catch (...) {
    status = kestrine::ReportUnexpectedError(std::cerr);
  }
  std::cout.flush();
  if (!std::cout && status != kestrine::kExitError) {
    std::cerr << "kestrine-cli: standard output cannot be written\n";
    return kestrine::kExitError;
  }
  return status;
}
