// An NVMe drive's metrics from the drive layer's NVMe tables: its identity, the health log's
// fields as attributes, its composite temperature, and the Device Self-test log's test under way
// and latest result.
#pragma once

#include <optional>

#include "metrics_report.h"
#include "smart_drv.h"

namespace kestrine {

// The latest result's code on the ATA self-test status scale the metric and its alert use: 0
// completed without error; 1 aborted (by the host, a namespace removal, a format, a sanitize, or
// for unknown reasons); 2 interrupted by a controller reset; 3 fatal error; 4 failed (a failed
// segment). nullopt for a reserved code.
std::optional<int> NvmeSelfTestStatusMetric(Byte result);

// `condition` is kestrine_drive_condition's value; `log` the Device Self-test log, nullopt when
// it could not be read. Touches no device.
DriveMetrics NvmeDriveMetricsFromTables(const SmartTables& tables, Byte drive_number, int condition,
                                        const std::optional<NvmeSelfTestLog>& log);

}  // namespace kestrine
