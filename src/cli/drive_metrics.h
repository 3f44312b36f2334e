// A drive's metrics taken from the drive layer right after the window's refresh of it: its
// identity, the family that answered, the attributes with their whole raw values, the running
// self-test from the S.M.A.R.T. data, and the latest entry of its self-test log.
#pragma once

#include <optional>
#include <string_view>

#include "bytes.h"
#include "drive_report.h"
#include "metrics_report.h"
#include "smart_drv.h"

namespace kestrine {

// kestrine_drive_condition's value for the condition label's text.
int ConditionMetric(std::string_view condition);

// The most recent entry of a self-test log: the one the log's index (byte 508, counted from 1)
// names, if that entry is in use. nullopt for an empty log or an index out of range.
std::optional<SelfTestMetrics> LatestSelfTest(const Sector& log);

// The drive's readings in the tables for `drive_number` and the shared S.M.A.R.T. data block,
// which hold this drive's blocks only until the next drive is read. `condition` is the condition
// label's text; `log` the self-test log, nullopt when it could not be read. Touches no device.
DriveMetrics DriveMetricsFromTables(const SmartTables& tables, Byte drive_number,
                                    std::string_view condition, const std::optional<Sector>& log);

// The metrics of the drive just read and captured in `report`: the tables, and the self-test
// log read afresh (the drive layer keeps none). A drive not read gives only its device and
// read_success 0, or that it was asleep. The read's duration is the caller's to set.
DriveMetrics MeasureDrive(SmartDrv& drive_layer, const DriveReport& report);

}  // namespace kestrine
