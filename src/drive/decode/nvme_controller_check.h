// Whether an Identify Controller block read through a go-between that may answer anything (a USB
// bridge) reads as one. Such a bridge may hand back zeros, 0xFF bytes or another command's data
// with a good status; a block that fails this check is "not read", never judged.
#pragma once

#include <span>

#include "bytes.h"
#include "nvme_layout.h"

namespace kestrine {

// The model number holds printable ASCII only and is not blank.
bool PlausibleNvmeController(std::span<const Byte, nvme_controller::kSize> controller);

}  // namespace kestrine
