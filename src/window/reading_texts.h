// The texts the window and the command line show for a reading: its condition, an item's
// verdict, the access method of its family.
#pragma once

#include <string_view>

#include "form_texts.h"
#include "reading.h"

namespace kestrine {

// "OK", "WARNING", "CRITICAL"; empty for a condition not decided.
constexpr std::string_view ConditionText(Condition condition) {
  switch (condition) {
    case Condition::Ok:
      return texts::kConditionOk;
    case Condition::Warning:
      return texts::kConditionWarning;
    case Condition::Critical:
      return texts::kConditionCritical;
    case Condition::NotDecided:
      break;
  }
  return {};
}

constexpr std::string_view VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Warning:
      return texts::kConditionWarning;
    case Verdict::Critical:
      return texts::kConditionCritical;
    case Verdict::Ok:
      break;
  }
  return texts::kConditionOk;
}

// The status bar's method: the request each family's blocks travel in.
constexpr std::string_view MethodText(TransportFamily family) {
  switch (family) {
    case TransportFamily::Ata:
      return texts::kMethodAta;
    case TransportFamily::Sat:
      return texts::kMethodSat;
    case TransportFamily::Nvme:
      return texts::kMethodNvme;
    case TransportFamily::None:
      break;
  }
  return {};
}

}  // namespace kestrine
