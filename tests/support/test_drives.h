// The drives many tests name: the first drives' paths, and drives that answer one way only.
#pragma once

#include "sim_bay.h"

namespace kestrine::testing {

inline constexpr char kDrive0[] = "\\\\.\\PHYSICALDRIVE0";
inline constexpr char kDrive1[] = "\\\\.\\PHYSICALDRIVE1";
inline constexpr char kDrive2[] = "\\\\.\\PHYSICALDRIVE2";

// A drive that answers only the requests set here (and the storage-property query).
inline DriveBehaviour Only(bool ata, bool legacy, bool sat) {
  DriveBehaviour behaviour;
  behaviour.answers_ata_pass_through = ata;
  behaviour.answers_legacy = legacy;
  behaviour.answers_sat = sat;
  return behaviour;
}

// A drive behind a USB bridge that passes only SAT commands on.
inline DriveBehaviour SatOnly() {
  return Only(false, false, true);
}

}  // namespace kestrine::testing
