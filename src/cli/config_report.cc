#include "config_report.h"

#include <cerrno>

#include "cli_options.h"
#include "config_file.h"
#include "latin1_text.h"

namespace kestrine {

namespace {

constexpr char kProgram[] = "kestrine-cli";

}  // namespace

LoadedConfig LoadConfig(const std::optional<std::string>& named, std::ostream& err) {
  LoadedConfig loaded;
  const std::filesystem::path file = named ? std::filesystem::path(*named) : DefaultConfigFile();
  if (file.empty()) return loaded;
  const std::string name = TerminalText(file.string());
  const FileResult<std::string> text = ReadTrustedConfigFile(file);
  if (!text) {
    const FileError& error = text.error();
    if (!named && error.stage() == FileError::Stage::kOpen && error.code().value() == ENOENT)
      return loaded;
    loaded.faulty = true;
    err << kProgram << ": " << name
        << (error.stage() == FileError::Stage::kRefused ? " is refused: " : ": ")
        << TerminalText(error.Reason()) << "; the defaults are used\n";
    return loaded;
  }
  loaded.read = true;
  ParsedConfig parsed = ParseConfig(*text);
  loaded.config = std::move(parsed.config);
  for (const ConfigProblem& problem : parsed.problems) {
    loaded.faulty = true;
    err << kProgram << ": " << name << ": " << TerminalText(ConfigProblemText(problem)) << '\n';
  }
  return loaded;
}

int RunCheckConfig(const std::optional<std::string>& named, std::ostream& out, std::ostream& err) {
  const std::filesystem::path file = named ? std::filesystem::path(*named) : DefaultConfigFile();
  const LoadedConfig loaded = LoadConfig(named, err);
  const std::string name = TerminalText(file.string());
  const std::size_t count = loaded.config.channels.size();
  if (!loaded.read) {
    out << (loaded.faulty ? "Read nothing from " : "No configuration file at ") << name
        << ": the defaults are used\n";
  } else {
    out << "Read " << name << ": " << count
        << (count == 1 ? " notification channel" : " notification channels")
        << (loaded.faulty ? " (the faulty parts left out)" : "") << '\n';
  }
  for (const std::string& line : DescribeConfig(loaded.config))
    out << "  " << TerminalText(line) << '\n';
  return loaded.faulty ? kExitError : kExitOk;
}

}  // namespace kestrine
