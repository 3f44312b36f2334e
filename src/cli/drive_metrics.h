// A drive's metrics from its reading: its identity, the family that answered, the health items
// with their whole raw values, the running self-test and the latest entry of its self-test log.
#pragma once

#include "drive_report.h"
#include "metrics_report.h"
#include "reading.h"
#include "smart_drv.h"

namespace kestrine {

// kestrine_drive_condition's value for a condition; a condition not decided counts as OK.
int ConditionMetric(Condition condition);

// The metrics of a reading. The last self-test only when the reading holds its self-test log.
// Touches no device; the device and the read's duration are the caller's to set.
DriveMetrics DriveMetricsFromReading(const DriveReading& reading);

// The metrics of the drive just read and captured in `report`: the reading of the tables, with
// the self-test log read afresh. A drive not read gives only its device and read_success 0. The
// read's duration is the caller's to set.
DriveMetrics MeasureDrive(SmartDrv& drive_layer, const DriveReport& report);

}  // namespace kestrine
