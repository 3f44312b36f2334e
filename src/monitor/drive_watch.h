// The monitoring layer: what changed for the worse between a drive's previous reading and this
// one, said once per change. A drive is its model and serial, never its path: another drive at
// the same path (or chosen in the selector) is compared with its own readings, not the last
// drive's.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reading.h"
#include "tell.h"

namespace kestrine {

// The changes worth telling, in this order: the condition worse (or not OK at a drive's first
// reading, `previous` null), and better (information); a watched counter that rose (ATA 5,
// 196, 197, 198, 199 raw; NVMe media and data integrity errors); an NVMe critical-warning bit
// newly set; the available spare newly below its threshold; the latest self-test newly a
// failure. Parts one of the readings did not read are not compared.
std::vector<DriveChange> CompareReadings(const DriveReading* previous, const DriveReading& current);

class DriveWatch {
 public:
  // A drive's previous reading where this run has none: the history, when there is one.
  using PreviousReading = std::function<std::optional<DriveReading>(const DriveIdentity&)>;
  void SetPreviousReading(PreviousReading source) { previous_source_ = std::move(source); }

  // The changes from the drive's previous reading to `reading`, which becomes the previous one.
  // A reading without identity (no model, no serial) is not watched.
  std::vector<DriveChange> Look(const DriveReading& reading);

 private:
  std::map<std::pair<std::string, std::string>, DriveReading> last_;  // by model and serial
  PreviousReading previous_source_;
};

}  // namespace kestrine
