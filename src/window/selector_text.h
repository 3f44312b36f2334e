// The drive selector's entries: a drive's path, and once the drive has been read its model after
// two spaces ("\\.\PHYSICALDRIVE1  KESTREL HD2000S"), so that a user knows which disk is which.
// The path alone names the drive; a number typed into the selector has no model.
#pragma once

#include <string>
#include <string_view>

namespace kestrine {

inline constexpr std::string_view kSelectorModelSeparator = "  ";

// The entry of the drive at `path` whose model is `model` (the path alone for no model).
inline std::string SelectorEntry(std::string_view path, std::string_view model) {
  std::string entry(path);
  if (!model.empty()) (entry += kSelectorModelSeparator) += model;
  return entry;
}

// The path or number a selector text names: the text before the model, if it has one.
inline std::string_view SelectorPath(std::string_view text) {
  return text.substr(0, text.find(kSelectorModelSeparator));
}

}  // namespace kestrine
