// The rows of the Self Test Logs view of an ATA drive, from the self-test log entries of its
// reading. Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "reading.h"

namespace kestrine {

// One row per entry, numbered from 1: power-on hours, type, status, LBA of the first error and
// the remaining part.
std::vector<std::vector<std::string>> SelfTestLogRows(const std::vector<SelfTestLogEntry>& entries);

}  // namespace kestrine
