#include "win32_texts.h"

#include <vector>

namespace kestrine {

std::string DialogFilter(std::string_view filter) {
  std::vector<std::string_view> parts;
  while (true) {
    const std::size_t bar = filter.find('|');
    parts.push_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    result.append(parts[i]).push_back('\0');
    result.append(parts[i + 1]).push_back('\0');
  }
  if (!result.empty()) result.push_back('\0');
  return result;
}

std::string DialogDefaultExtension(std::string_view extension) {
  while (!extension.empty() && (extension.front() == '*' || extension.front() == '.')) {
    extension.remove_prefix(1);
  }
  // The dialog appends the text as it stands, so a wildcard must not reach it.
  if (extension.find_first_of("*?") != std::string_view::npos) return {};
  return std::string(extension);
}

std::string FitTipText(std::string_view text, std::size_t buffer_size) {
  if (buffer_size == 0) return {};
  if (text.size() > buffer_size - 1) {
    text = text.substr(0, buffer_size - 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  }
  // The buffer is NUL-terminated: a NUL inside the text would end it there anyway.
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace kestrine
