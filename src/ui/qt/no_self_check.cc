// The installed programs check nothing on themselves (self_check.h).
#include "self_check.h"

namespace kestrine {

std::unique_ptr<SelfCheck> SelfCheckFromArguments(const QStringList&, Application&) {
  return nullptr;
}

}  // namespace kestrine
