// A snapshot file as a drive of the simulated bay.
#pragma once

#include "sim_bay.h"
#include "snapshot_file.h"

namespace kestrine {

// The drive's blocks; a section the snapshot lacks is a block of zero bytes. A snapshot says
// nothing of the storage stack, so the image names no vendor, product or bus. An NVMe snapshot
// gives an NVMe drive.
DriveImage SnapshotDriveImage(const Snapshot& snapshot);

// The snapshot's drive answers through the ATA pass-through only: no legacy requests, no SAT and
// no storage-property query. An NVMe snapshot's drive answers the NVMe requests only. A drive
// whose health table (SMDT, NVHL) the snapshot lacks refuses to give it, as the drive did when
// the snapshot was taken: its zeros would read as a verdict.
DriveBehaviour SnapshotDriveBehaviour(const Snapshot& snapshot);

SimDrive& AddSnapshotDrive(SimBay& bay, int number, const Snapshot& snapshot);

}  // namespace kestrine
