// The tests' window toolkit (the in-memory one, with scripted answers) and a form built over a
// simulated bay.
#pragma once

#include "errors.h"
#include "memory_toolkit.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "unit1.h"

namespace kestrine::testing {

// The in-memory toolkit under the tests' names: Yes/No questions are answered from `answers`,
// and No when none is left.
using FakeToolkit = MemoryToolkit;
using FakeApplication = MemoryApplication;

// A form over a simulated bay, as a program would hold one.
struct FormFixture {
  SimBay bay;
  SmartDrv drv{bay};
  FakeToolkit ui;
  TForm1 form{drv, ui.Controls()};

  // Runs a handler through the top-level handler, as a front end does.
  template <typename Handler>
  void Run(Handler handler) {
    RunGuarded(ui.App, [&] { handler(form); });
  }
};

}  // namespace kestrine::testing
