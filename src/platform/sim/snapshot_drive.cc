#include "snapshot_drive.h"

namespace kestrine {

DriveImage SnapshotDriveImage(const Snapshot& snapshot) {
  DriveImage image;
  image.identify = snapshot.identify;
  image.smart_data = snapshot.smart_data.value_or(Sector{});
  image.thresholds = snapshot.thresholds.value_or(Sector{});
  image.self_test_log = snapshot.self_test_log.value_or(Sector{});
  image.bus_type = BusType::Unknown;
  if (snapshot.nvme) {
    // A block the file lacks reads as zeros; a missing log holds no results.
    const NvmeSnapshot& nvme = *snapshot.nvme;
    image.nvme = NvmeBlocks{.controller = nvme.controller,
                            .namespace_data = nvme.namespace_data.value_or(NvmeIdentifyBlock{}),
                            .health = nvme.health.value_or(NvmeHealthLog{}),
                            .self_test_log = nvme.self_test_log.value_or(NvmeSelfTestLog{})};
  }
  return image;
}

DriveBehaviour SnapshotDriveBehaviour(const Snapshot& snapshot) {
  DriveBehaviour behaviour;
  behaviour.refuses_health_data = snapshot.nvme ? !snapshot.nvme->health : !snapshot.smart_data;
  behaviour.answers_ata_pass_through = true;
  behaviour.answers_legacy = false;
  behaviour.answers_sat = false;
  behaviour.answers_property_query = false;
  return behaviour;
}

SimDrive& AddSnapshotDrive(SimBay& bay, int number, const Snapshot& snapshot) {
  return bay.AddDrive(number, SnapshotDriveImage(snapshot), SnapshotDriveBehaviour(snapshot));
}

}  // namespace kestrine
