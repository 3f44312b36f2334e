// The configuration file (kestrine.toml): what the program is told to do beyond its defaults, as
// one typed value. Parsing is plain text work; where the file lives and whether it may be trusted
// is the platform's (config_file.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrine {

// A way a change reaches the user off the desktop ([[notify]] tables).
struct NotifyChannel {
  enum class Kind { Webhook, Exec, Email };
  // The body of a webhook's POST: Kestrine's own JSON document, or a service's shape.
  enum class Format { Json, Ntfy, Gotify, Discord, Slack };

  Kind kind = Kind::Webhook;
  int line = 0;                      // the line of its [[notify]] header
  std::string url;                   // webhook: http(s)://; email: smtp:// or smtps://
  Format format = Format::Json;      // webhook only
  std::vector<std::string> command;  // exec: the program's absolute path, then its arguments
  std::string from;                  // email
  std::vector<std::string> to;       // email
  int timeout_seconds = 10;
  bool operator==(const NotifyChannel&) const = default;
};

struct Config {
  std::vector<NotifyChannel> channels;
  bool operator==(const Config&) const = default;
};

// Something wrong in the file, at its line (0: the file as a whole).
struct ConfigProblem {
  int line = 0;
  std::string text;
  bool operator==(const ConfigProblem&) const = default;
};

struct ParsedConfig {
  // What the file says, without the parts a problem was found in: a [[notify]] table with a
  // problem is left out, the others are kept. A file that is not TOML gives the defaults.
  Config config;
  std::vector<ConfigProblem> problems;
};

// Any bytes: a file that is not UTF-8 TOML is one problem, never a crash.
ParsedConfig ParseConfig(std::string_view text);

// What was read, for --check-config: one line per channel ("webhook https://... (ntfy)").
std::vector<std::string> DescribeConfig(const Config& config);

// "line 12: unknown key \"colour\""; the whole file's problem without a line.
std::string ConfigProblemText(const ConfigProblem& problem);

}  // namespace kestrine
