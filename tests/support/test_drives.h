// The drives many tests name: the first drives' paths, and drives that answer one way only.
#pragma once

#include <algorithm>
#include <initializer_list>

#include "sim_bay.h"

namespace kestrine::testing {

inline constexpr char kDrive0[] = "\\\\.\\PHYSICALDRIVE0";
inline constexpr char kDrive1[] = "\\\\.\\PHYSICALDRIVE1";
inline constexpr char kDrive2[] = "\\\\.\\PHYSICALDRIVE2";

// The three ways an ATA command reaches a drive.
enum class Route { AtaPassThrough, Legacy, Sat };

// A drive that answers only the routes named here (and the storage-property query).
inline DriveBehaviour Only(std::initializer_list<Route> routes) {
  const auto has = [routes](Route route) {
    return std::ranges::find(routes, route) != routes.end();
  };
  DriveBehaviour behaviour;
  behaviour.answers_ata_pass_through = has(Route::AtaPassThrough);
  behaviour.answers_legacy = has(Route::Legacy);
  behaviour.answers_sat = has(Route::Sat);
  return behaviour;
}

// A drive behind a USB bridge that passes only SAT commands on.
inline DriveBehaviour SatOnly() {
  return Only({Route::Sat});
}

}  // namespace kestrine::testing
