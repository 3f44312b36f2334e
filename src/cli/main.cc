// kestrine-cli: the Kestrine window's views of ATA drives in a terminal, as JSON, and in
// snapshot files. `kestrine-cli --help` tells how.
#include <iostream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "platform_port.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The program writes UTF-8; a console shows it as such only when told.
  SetConsoleOutputCP(CP_UTF8);
#endif
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const kestrine::CliEnvironment environment{
      kestrine::ExecutableDirectory(argc > 0 ? argv[0] : nullptr), &kestrine::MakePlatformPort};
  const int status = kestrine::CliMain(arguments, environment, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
