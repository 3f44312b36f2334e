// The snapshot of an NVMe drive just read: its Identify blocks and health log as the refresh
// read them, and its Device Self-test log read afresh.
#pragma once

#include <string_view>

#include "smart_drv.h"
#include "snapshot_file.h"

namespace kestrine {

// Fills `snapshot` with the drive's NVMe sections. False when the self-test log could not be
// read: the snapshot then holds none.
bool TakeNvmeSnapshot(SmartDrv& drive_layer, std::string_view path, Byte drive_number,
                      Snapshot& snapshot);

}  // namespace kestrine
