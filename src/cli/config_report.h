// kestrine-cli's reading of the configuration file: --check-config, and the file named with
// --config at any run.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "config.h"

namespace kestrine {

struct LoadedConfig {
  Config config;        // the defaults when the file is not there, refused or not TOML
  bool read = false;    // the file was there and trusted, and its text read
  bool faulty = false;  // refused, unreadable, or with a problem (each written to `err`)
};

// Reads `named` (--config), else the default file, which need not be there. Each problem is one
// line on `err`, naming the file and the line.
LoadedConfig LoadConfig(const std::optional<std::string>& named, std::ostream& err);

// --check-config: what was read on `out`; kExitError for a refused or faulty file.
int RunCheckConfig(const std::optional<std::string>& named, std::ostream& out, std::ostream& err);

}  // namespace kestrine
