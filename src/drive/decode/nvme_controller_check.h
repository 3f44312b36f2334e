// Whether an Identify Controller block or a health log read through a go-between that may answer
// anything (a USB bridge) reads as one. Such a bridge may hand back zeros, 0xFF bytes or another
// command's data with a good status; a block that fails these checks is "not read", never judged.
#pragma once

#include <initializer_list>
#include <span>

#include "bytes.h"
#include "nvme_layout.h"

namespace kestrine {

// The model number holds printable ASCII only and is not blank.
bool PlausibleNvmeController(std::span<const Byte, nvme_controller::kSize> controller);

// A health log is not one byte repeated (zeros, 0xFF fill) and not the start of an Identify block
// read before it (`identify`: a bridge that hands back the previous command's data).
bool PlausibleNvmeHealthLog(std::span<const Byte, nvme_health::kSize> log,
                            std::initializer_list<std::span<const Byte>> identify);

}  // namespace kestrine
