// The Identify, Self Test Logs and General views of a SAS or SCSI disk, from its reading. Pure:
// DriveViewRows appends them; the Attributes view is its items, as for every family.
#pragma once

#include <string>
#include <vector>

#include "reading.h"

namespace kestrine {

// Vendor, Product, Revision, SN, WWN, capacity, block length, rotation, form factor.
std::vector<std::vector<std::string>> ScsiIdentifyViewRows(const ScsiHealth& health);

// The self-test results page's entries, the most recent first, numbered from 1.
std::vector<std::vector<std::string>> ScsiSelfTestLogRows(
    const std::vector<SelfTestLogEntry>& entries);

// The informational exceptions: the state the disk reports (page 2Fh or REQUEST SENSE), and its
// control page's DEXCPT, TEST and MRIE; the background scan's status.
std::vector<std::vector<std::string>> ScsiGeneralViewRows(const ScsiHealth& health);

}  // namespace kestrine
