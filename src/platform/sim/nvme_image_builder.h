// Helpers that write NVMe blocks for the simulated drives: texts, capacity, health counters and
// self-test results at their named offsets.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "nvme_decode.h"
#include "nvme_layout.h"

namespace kestrine {

// Writes `text` into the field, blank-padded (NVMe texts are ASCII, padded with spaces).
void SetNvmeText(std::span<Byte> field, std::string_view text);

// Model, serial number and firmware revision of Identify Controller.
void SetNvmeIdentityTexts(NvmeBlocks& blocks, std::string_view model, std::string_view serial,
                          std::string_view firmware);

// Namespace 1's size, capacity and use in blocks of 2^block_shift bytes (format 0).
void SetNvmeCapacity(NvmeBlocks& blocks, std::uint64_t size_in_blocks, Byte block_shift);

// A Device Self-test log without results: no test under way, every entry unused.
NvmeSelfTestLog EmptyNvmeSelfTestLog();

// Puts a result in front of the log's results, as a controller records a finished test: the
// others move one place back and the oldest of a full log drops out.
void AddNvmeSelfTestResult(NvmeSelfTestLog& log, const NvmeSelfTestResult& result);

}  // namespace kestrine
