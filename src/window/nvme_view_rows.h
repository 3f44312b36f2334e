// The rows of the four views for an NVMe drive, from its Identify blocks, health log and
// Device Self-test log, and the background of an Attributes row of such a drive. Pure: the view
// fillers append them, tests and the fuzzer call them directly.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "identify_view_rows.h"
#include "nvme_decode.h"
#include "nvme_layout.h"
#include "toolkit.h"

namespace kestrine {

using ViewRows = std::vector<std::vector<std::string>>;

// Model, FW, SN, LBASize, LogicalBlockSize, InterfaceType, MajorVersion, Features, SSD.
std::vector<IdentifyViewRow> NvmeIdentifyViewRows(const NvmeIdentity& identity);

// One row per health-log field in log order: id, an empty type, value and threshold on the spare
// row only, no worst, the whole value in decimal, the field's name.
ViewRows NvmeAttributeRows(const NvmeHealthLog& log);

// Whether an Attributes row is one of an NVMe drive's, from its cells: no type, and the name of
// the health-log field its id numbers.
bool IsNvmeAttributeRow(const std::string& id, const std::string& type, const std::string& name);

// The background of an Attributes row of an NVMe drive, from its cells: red for a critical
// warning or the spare below its threshold, orange for the spare at its threshold, 90 % or more
// used, or media errors.
std::optional<Rgb> NvmeAttributeRowBackground(const std::string& id, const std::string& value,
                                              const std::string& threshold, const std::string& raw);

// A test under way first (its completion in the Remaining column), then the log's results,
// newest first, numbered from 1 in that order.
ViewRows NvmeSelfTestLogRows(const NvmeSelfTestLog& log);

// The current self-test and its completion, the critical-warning bits, whether the controller
// supports the self-test command, the extended self-test time and the composite temperature
// thresholds. A log that was not read (nullptr) gives no rows.
ViewRows NvmeGeneralViewRows(const NvmeIdentity& identity, const NvmeHealthLog* health,
                             const NvmeSelfTestLog* self_test_log);

}  // namespace kestrine
