// kestrine-demo: the main window over a simulated bay of demo drives, each showing one path of
// the refresh. Self-tests started here run on the wall clock.
#include <chrono>

#include "demo_drives.h"
#include "run_window.h"
#include "sim_bay.h"

int main(int argc, char** argv) {
  kestrine::SimBay bay;
  kestrine::AddDemoDrives(bay);
  bay.SetClock([start = std::chrono::steady_clock::now()] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  });
  return kestrine::RunWindow(argc, argv, bay);
}
