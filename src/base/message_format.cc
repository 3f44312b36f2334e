#include "message_format.h"

namespace kestrine {

std::string FormatMessage(std::string pattern, std::initializer_list<std::string> arguments) {
  std::size_t from = 0;
  for (const std::string& argument : arguments) {
    const std::size_t at = pattern.find("%s", from);
    if (at == std::string::npos) break;
    pattern.replace(at, 2, argument);
    from = at + argument.size();
  }
  return pattern;
}

}  // namespace kestrine
