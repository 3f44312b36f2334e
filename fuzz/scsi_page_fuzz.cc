// Arbitrary bytes as one SCSI reply, for the decoder KESTRINE_SCSI_TARGET names
// (scsi_page_targets.h): it must stay inside the bytes and give a value or nothing.
#include <cstddef>
#include <cstdint>

#include "scsi_page_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrine::fuzzing::kScsiPageTargets[KESTRINE_SCSI_TARGET].decode(
      std::span<const std::uint8_t>(data, size));
  return 0;
}
