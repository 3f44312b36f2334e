// A check a window program runs on itself, chosen from its command line. The programs that are
// installed link no_self_check.cc and take no such option; their test builds link the smoke test
// (smoke_test.cc, --smoke-test FILE), so that test code stays out of the installed programs.
#pragma once

#include <QStringList>
#include <memory>

#include "toolkit.h"

namespace kestrine {

class MainWindow;

class SelfCheck {
 public:
  virtual ~SelfCheck() = default;
  // The services the window is to use while the check runs.
  virtual Application& App() = 0;
  // Runs once FormShow has returned, and ends the program.
  virtual void Run(MainWindow& window) = 0;
};

// The check `arguments` ask for, made before the window; nullptr for none. `services` are the
// program's own and outlive the check.
std::unique_ptr<SelfCheck> SelfCheckFromArguments(const QStringList& arguments,
                                                  Application& services);

}  // namespace kestrine
