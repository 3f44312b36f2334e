#include "drive_round.h"

#include <utility>

#include "drive_number.h"

namespace kestrine {

DriveRound::DriveRound(DevicePort& port, std::function<void()> ready)
    : drive_layer_(port), ready_(std::move(ready)), thread_([this] { Run(); }) {}

DriveRound::~DriveRound() {
  {
    const std::scoped_lock lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

void DriveRound::Read(std::vector<std::string> paths) {
  {
    const std::scoped_lock lock(mutex_);
    waiting_.assign(std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
  }
  wake_.notify_all();
}

std::vector<RoundRead> DriveRound::Take() {
  const std::scoped_lock lock(mutex_);
  return std::exchange(read_, {});
}

void DriveRound::Run() {
  for (;;) {
    std::string path;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      path = std::move(waiting_.front());
      waiting_.pop_front();
    }
    RoundRead read{path, {}};
    try {
      read.result = ReadDrive(drive_layer_, path, DriveNumberFromText(path), {.check_power = true});
    } catch (const std::exception& error) {
      // A listed path always names a number; a failure of the session is that drive's alone.
      read.result.outcome = DriveOutcome::Failed;
      read.result.message = error.what();
    }
    {
      const std::scoped_lock lock(mutex_);
      read_.push_back(std::move(read));
    }
    if (ready_) ready_();
  }
}

}  // namespace kestrine
