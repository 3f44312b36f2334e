// The rows of the Self Test Logs view, decoded from a self-test log block (log address 6).
// Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"
#include "reading.h"
#include "smart_layout.h"

namespace kestrine {

// One row per descriptor in storage order, up to the first one whose type is 0. Each row holds
// number, power-on hours, type, status, LBA of the first error and the remaining part.
std::vector<std::vector<std::string>> SelfTestLogRows(const Sector& log);
// The same rows from the entries of an ATA drive's reading.
std::vector<std::vector<std::string>> SelfTestLogRows(const std::vector<SelfTestLogEntry>& entries);

}  // namespace kestrine
