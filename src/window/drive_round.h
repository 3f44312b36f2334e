// The round of the other drives: every drive the selector lists but the one shown is read at
// start-up and at each tick, one at a time, on a thread of its own, so that a drive that hangs
// for its whole time-out delays nothing the window does. Each drive is read as the timer reads:
// a sleeping drive is left asleep. What each session found is handed back to the window's
// thread (TForm1::OtherDriveRead), which watches it, tells it and keeps it in the history.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device_port.h"
#include "drive_session.h"
#include "smart_drv.h"

namespace kestrine {

// One drive of a round, read.
struct RoundRead {
  std::string path;
  SessionResult result;
};

class DriveRound {
 public:
  // Reads through `port`, which must outlive the round. `ready` runs on the round's thread each
  // time a drive has been read: the front end asks its window's thread to call Take().
  DriveRound(DevicePort& port, std::function<void()> ready);
  // Waits for the drive being read, if any; the drives still waiting are not read.
  ~DriveRound();
  DriveRound(const DriveRound&) = delete;
  DriveRound& operator=(const DriveRound&) = delete;

  // Reads `paths` in turn after the round under way. A round asked for while another still
  // waits replaces it, so that a slow drive never lets rounds pile up.
  void Read(std::vector<std::string> paths);
  // The drives read since the last call, in the order they were read.
  std::vector<RoundRead> Take();

 private:
  void Run();

  SmartDrv drive_layer_;
  std::function<void()> ready_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> waiting_;
  std::vector<RoundRead> read_;
  bool stopping_ = false;
  std::thread thread_;  // last: started once the members it uses are
};

}  // namespace kestrine
