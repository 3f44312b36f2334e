// The rows of the four views for an NVMe drive, from its reading. Pure: the view fillers append
// them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "identify_view_rows.h"
#include "nvme_decode.h"
#include "reading.h"

namespace kestrine {

using ViewRows = std::vector<std::vector<std::string>>;

// Model, FW, SN, LBASize, LogicalBlockSize, InterfaceType, MajorVersion, Features, SSD.
std::vector<IdentifyViewRow> NvmeIdentifyViewRows(const NvmeIdentity& identity);

// A test under way first (what remains of it in the Remaining column), then the log's results,
// newest first, numbered from 1 in that order.
ViewRows NvmeSelfTestLogRows(const SelfTestState& state,
                             const std::vector<SelfTestLogEntry>& entries);

// The current self-test and its completion, the critical-warning bits, whether the controller
// supports the self-test command, the extended self-test time and the composite temperature
// thresholds. A log the reading does not hold gives no rows.
ViewRows NvmeGeneralViewRows(const NvmeIdentity& identity, const DriveReading& reading);

}  // namespace kestrine
