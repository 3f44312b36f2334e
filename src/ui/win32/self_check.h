// A check a window program runs on itself, chosen from its command line. The programs that ship
// link no_self_check.cc and take no such option; their test builds link the smoke test
// (smoke_test.cc, --smoke-test FILE), so that test code stays out of the shipped programs.
#pragma once

#include <memory>

#include "toolkit.h"
#include "win32_main_window.h"

namespace kestrine {

class SelfCheck {
 public:
  virtual ~SelfCheck() = default;
  // Runs once FormShow has returned, and ends the program through the application.
  virtual void Run() = 0;
};

// The check the command line asks for, made before the window is shown; nullptr for none. It
// lives until the message loop has ended.
std::unique_ptr<SelfCheck> SelfCheckFromCommandLine(int argc, char** argv, Win32MainWindow& window,
                                                    Application& app);

}  // namespace kestrine
