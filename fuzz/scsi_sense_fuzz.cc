// Arbitrary sense data and SCSI status, as a bridge or the kernel returns them: reading them must
// stay inside the bytes, and a command counts as succeeded only on GOOD or on returned registers
// without an error bit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sat_pass_through_block.h"
#include "scsi_sense.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine;
  if (size == 0) return 0;
  const Byte status = data[0];
  const std::span<const Byte> sense(data + 1, size - 1);
  const SenseSummary summary = ParseSense(sense);
  const bool succeeded = AtaCommandSucceeded(status, sense);
  if (succeeded && status != scsi::kStatusGood) {
    Check(status == scsi::kStatusCheckCondition && summary.ata.has_value());
    Check((summary.ata->current.command & (kAtaStatusError | kAtaStatusDeviceFault)) == 0);
  }
  // The same bytes in a block's sense area: the verdict reads only the area.
  SatPassThroughBlock block = BuildSatPassThroughBlock(
      {.features = 0xD4, .lba_low = 1, .device = 0xA0, .command = 0xB0}, 0);
  block[sat_block::kScsiStatus] = status;
  const std::size_t copied = std::min<std::size_t>(sense.size(), sat_block::kSenseSize);
  std::copy_n(sense.begin(), copied, block.begin() + sat_block::kSense);
  const bool from_block = SatCommandSucceeded(block);
  if (sense.size() == sat_block::kSenseInfoLength24) Check(from_block == succeeded);
  return 0;
}
