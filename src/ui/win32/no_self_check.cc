// The programs that ship check nothing on themselves (self_check.h).
#include "self_check.h"

namespace kestrine {

std::unique_ptr<SelfCheck> SelfCheckFromCommandLine(int, char**, Win32MainWindow&, Application&) {
  return nullptr;
}

}  // namespace kestrine
