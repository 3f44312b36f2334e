#include "tray_hint.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "form_texts.h"
#include "message_format.h"

namespace kestrine {

namespace {

constexpr char kMoreDrives[] = "and %s more";

bool NotOk(std::string_view condition) {
  return condition == texts::kConditionWarning || condition == texts::kConditionCritical;
}

Severity MarkOf(std::string_view condition) {
  if (condition == texts::kConditionCritical) return Severity::Error;
  if (condition == texts::kConditionWarning) return Severity::Warning;
  return Severity::Information;
}

}  // namespace

std::string TrayHintText(std::string_view shown_hint, std::string_view shown,
                         const std::map<std::string, std::string>& conditions) {
  // The worst first; then in the drives' order (PHYSICALDRIVE3 before PHYSICALDRIVE11).
  std::vector<std::pair<std::string_view, std::string_view>> others;
  for (const auto& [path, condition] : conditions) {
    if (path != shown && NotOk(condition)) others.emplace_back(path, condition);
  }
  std::ranges::sort(others, [](const auto& a, const auto& b) {
    return std::tuple(MarkOf(b.second), a.first.size(), a.first) <
           std::tuple(MarkOf(a.second), b.first.size(), b.first);
  });
  std::vector<std::string> lines;
  for (const auto& [path, condition] : others) {
    lines.push_back(std::string(path) + texts::kToldDriveSeparator + std::string(condition));
  }
  std::string hint(shown_hint);
  const std::string_view line_break = texts::kLineBreak;
  for (std::size_t fitted = lines.size();; --fitted) {
    std::string text = hint;
    for (std::size_t i = 0; i < fitted; ++i) text += std::string(line_break) + lines[i];
    if (fitted < lines.size())
      text += std::string(line_break) +
              FormatMessage(kMoreDrives, {std::to_string(lines.size() - fitted)});
    if (text.size() <= kTrayHintLength) return text;
    if (fitted == 0) return hint;
  }
}

Severity TrayMark(std::string_view shown_condition,
                  const std::map<std::string, std::string>& conditions) {
  Severity worst = MarkOf(shown_condition);
  for (const auto& [path, condition] : conditions) worst = std::max(worst, MarkOf(condition));
  return worst;
}

}  // namespace kestrine
