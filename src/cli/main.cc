// kestrine-cli: the Kestrine window's views of ATA drives in a terminal, as JSON, and in
// snapshot files. `kestrine-cli --help` tells how.
#include <iostream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "platform_port.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
// The program writes UTF-8, which a console shows as such only when told. The console belongs to
// the user's shell, so its own code page is given back when the program ends.
class Utf8Console {
 public:
  Utf8Console() : previous_(GetConsoleOutputCP()) {
    if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
  }
  ~Utf8Console() {
    // What is still buffered is written while the console still reads it as UTF-8.
    std::cout.flush();
    if (previous_ != 0) SetConsoleOutputCP(previous_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT previous_;  // 0: no console to set
};
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  const Utf8Console console;
#endif
  std::ios::sync_with_stdio(false);
  int status = kestrine::kExitError;
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    kestrine::CliEnvironment environment;
    environment.program_directory = kestrine::ExecutableDirectory(argc > 0 ? argv[0] : nullptr);
    environment.make_port = &kestrine::MakePlatformPort;
#ifdef _WIN32
    // The metrics file must hold the same bytes on every platform: line feeds, not CR LF.
    environment.binary_output = [] {
      std::cout.flush();
      _setmode(_fileno(stdout), _O_BINARY);
    };
#endif
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
