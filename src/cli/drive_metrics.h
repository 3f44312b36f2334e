// A drive's metrics from its reading: its identity, the family that answered, the health items
// with their whole raw values, the running self-test and the latest entry of its self-test log.
#pragma once

#include "drive_report.h"
#include "metrics_report.h"
#include "reading.h"

namespace kestrine {

// kestrine_drive_condition's value for a decided condition.
int ConditionMetric(Condition condition);

// The metrics of a reading. The last self-test only when the reading holds its self-test log.
// Touches no device; the device and the read's duration are the caller's to set.
DriveMetrics DriveMetricsFromReading(const DriveReading& reading);

// The metrics of the drive just read into `report`, from its reading. A drive not read gives
// only its device and read_success 0, or that it was asleep. The read's duration is the
// caller's to set.
DriveMetrics MeasureDrive(const DriveReport& report);

}  // namespace kestrine
