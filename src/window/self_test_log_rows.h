// The rows of the Self Test Logs view, decoded from a self-test log block (log address 6).
// Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"

namespace kestrine {

// Layout of the self-test log and of one of its descriptors.
namespace self_test_log {
inline constexpr std::size_t kFirstDescriptor = 2;
inline constexpr std::size_t kDescriptorSize = 24;
inline constexpr std::size_t kDescriptorCount = 21;
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kStatus = 1;
inline constexpr std::size_t kLifeHours = 2;   // 16 bits
inline constexpr std::size_t kFailureLba = 5;  // 32 bits
static_assert(kFirstDescriptor + kDescriptorCount * kDescriptorSize == 506);
}  // namespace self_test_log

// One row per descriptor in storage order, up to the first one whose type is 0. Each row holds
// number, power-on hours, type, status, LBA of the first error and the remaining part.
std::vector<std::vector<std::string>> SelfTestLogRows(const Sector& log);

}  // namespace kestrine
