// A message's pattern filled in with its arguments.
#pragma once

#include <initializer_list>
#include <string>

namespace kestrine {

// Replaces the first "%s" of `pattern` with each argument in turn.
std::string FormatMessage(std::string pattern, std::initializer_list<std::string> arguments);

}  // namespace kestrine
