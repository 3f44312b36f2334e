#include "nvme_snapshot.h"

#include "opened_drive.h"

namespace kestrine {

bool TakeNvmeSnapshot(SmartDrv& drive_layer, std::string_view path, Byte drive_number,
                      Snapshot& snapshot) {
  const SmartTables& tables = drive_layer.Tables();
  NvmeSnapshot nvme;
  nvme.controller = tables.NvmeController[drive_number];
  nvme.namespace_data = tables.NvmeNamespace[drive_number];
  if (tables.HealthRead[drive_number]) nvme.health = tables.NvmeHealth[drive_number];
  const OpenedDrive drive(drive_layer, path);
  const bool log_read = drive_layer.ReadSelfTestLogNvme(drive.Handle()) == 1;
  if (log_read) nvme.self_test_log = tables.NvmeSelfTest;
  snapshot = Snapshot{};
  snapshot.nvme = nvme;
  return log_read;
}

}  // namespace kestrine
