// The words of a drive's condition, as every output shows them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "reading.h"

namespace kestrine {

inline constexpr char kConditionOkText[] = "OK";
inline constexpr char kConditionWarningText[] = "WARNING";
inline constexpr char kConditionCriticalText[] = "CRITICAL";

// "OK", "WARNING", "CRITICAL"; empty for a condition not decided.
constexpr std::string_view ConditionText(Condition condition) {
  constexpr std::array<std::string_view, 4> kTexts = {"", kConditionOkText, kConditionWarningText,
                                                      kConditionCriticalText};
  static_assert(static_cast<int>(Condition::Critical) == 3);
  return kTexts[static_cast<std::size_t>(condition)];
}

}  // namespace kestrine
