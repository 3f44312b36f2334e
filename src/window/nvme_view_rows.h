// The rows of the four views for an NVMe drive, from its Identify blocks, health log and
// Device Self-test log. Pure: the view fillers append them, tests and the fuzzer call them
// directly.
#pragma once

#include <string>
#include <vector>

#include "identify_view_rows.h"
#include "nvme_decode.h"
#include "nvme_layout.h"

namespace kestrine {

using ViewRows = std::vector<std::vector<std::string>>;

// Model, FW, SN, LBASize, LogicalBlockSize, InterfaceType, MajorVersion, Features, SSD.
std::vector<IdentifyViewRow> NvmeIdentifyViewRows(const NvmeIdentity& identity);

// A test under way first (its completion in the Remaining column), then the log's results,
// newest first, numbered from 1 in that order.
ViewRows NvmeSelfTestLogRows(const NvmeSelfTestLog& log);

// The current self-test and its completion, the critical-warning bits, whether the controller
// supports the self-test command, the extended self-test time and the composite temperature
// thresholds.
ViewRows NvmeGeneralViewRows(const NvmeIdentity& identity, const NvmeHealthLog& health,
                             const NvmeSelfTestLog& self_test_log);

}  // namespace kestrine
