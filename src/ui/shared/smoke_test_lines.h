// The line format of the window programs' --smoke-test file: one "step.key=value" line per item
// the window shows, with CR and LF in values written as \r and \n so that each item stays one line.
#pragma once

#include <string>

namespace kestrine {

inline std::string SmokeTestValue(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

inline std::string SmokeTestLine(const std::string& step, const std::string& key,
                                 const std::string& value) {
  return step + "." + key + "=" + SmokeTestValue(value) + "\n";
}

}  // namespace kestrine
