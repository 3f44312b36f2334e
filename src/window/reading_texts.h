// The texts the window and the command line show for a reading: its condition, an item's
// verdict, the access method of its family.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "form_texts.h"
#include "reading.h"

namespace kestrine {

// "OK", "WARNING", "CRITICAL"; empty for a condition not decided.
constexpr std::string_view ConditionText(Condition condition) {
  constexpr std::array<std::string_view, 4> kTexts = {
      "", texts::kConditionOk, texts::kConditionWarning, texts::kConditionCritical};
  static_assert(static_cast<int>(Condition::Critical) == 3);
  return kTexts[static_cast<std::size_t>(condition)];
}

// An item's verdict in the words of the condition it would raise the drive to.
constexpr std::string_view VerdictText(Verdict verdict) {
  return ConditionText(ConditionOf(verdict));
}

// The status bar's method: the request each family's blocks travel in.
constexpr std::string_view MethodText(CommandFamily family) {
  switch (family) {
    case CommandFamily::Ata:
      return texts::kMethodAta;
    case CommandFamily::Sat:
      return texts::kMethodSat;
    case CommandFamily::Nvme:
      return texts::kMethodNvme;
    case CommandFamily::None:
      break;
  }
  return {};
}

}  // namespace kestrine
