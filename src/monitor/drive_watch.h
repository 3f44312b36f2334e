// The monitoring layer: what changed for the worse between a drive's previous reading and this
// one, said once per change. A drive is its key (drive_key.h), never its path alone: another
// drive at the same path (or chosen in the selector) is compared with its own readings, not the
// last drive's.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drive_key.h"
#include "reading.h"
#include "tell.h"

namespace kestrine {

// The changes worth telling, in this order: the condition worse (or not OK at a drive's first
// reading, `previous` null), and better (information); a watched counter that rose (the ATA
// counters of watched_counters.h, raw, the cable's CRC errors as information; NVMe media and
// data integrity errors); an NVMe critical-warning bit newly set; the available spare newly
// below its threshold; a SAS disk's uncorrected errors or grown defects that rose, its
// informational exception newly reported; the latest self-test newly a failure. Parts one of
// the readings did not read are not compared.
std::vector<DriveChange> CompareReadings(const DriveReading* previous, const DriveReading& current);

class DriveWatch {
 public:
  // Where a drive's previous reading comes from: the history, when there is one, so that the
  // window and the timer compare with the same reading and a change is told once per machine.
  // This watch's own memory serves where the history holds none.
  using PreviousReading = std::function<std::optional<DriveReading>(const DriveKey&)>;
  void SetPreviousReading(PreviousReading source) { previous_source_ = std::move(source); }

  // The changes from the drive's previous reading to `reading` of the drive at `path`. A reading
  // with the health data becomes the previous one; one without (refused) hides nothing from the
  // next. A reading without identity (no model, no serial) is not watched.
  std::vector<DriveChange> Look(const DriveReading& reading, std::string_view path);

 private:
  std::map<DriveKey, DriveReading> last_;
  PreviousReading previous_source_;
};

}  // namespace kestrine
