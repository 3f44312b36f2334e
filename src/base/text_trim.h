// Trimming a text at both ends: the one helper every layer uses.
#pragma once

#include <string_view>

namespace kestrine {

// `text` without the characters `trimmed` holds for at its start and its end.
template <typename Predicate>
constexpr std::string_view TrimmedText(std::string_view text, Predicate trimmed) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && trimmed(text[begin])) ++begin;
  while (end > begin && trimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// `text` without the spaces a drive pads its texts with.
constexpr std::string_view TrimmedSpaces(std::string_view text) {
  return TrimmedText(text, [](char c) { return c == ' '; });
}

}  // namespace kestrine
