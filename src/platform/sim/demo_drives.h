// The demo program's drives, authored here: each shows one path of the refresh.
#pragma once

#include "sim_bay.h"

namespace kestrine {

// Puts the demo drives into the bay.
void AddDemoDrives(SimBay& bay);

}  // namespace kestrine
