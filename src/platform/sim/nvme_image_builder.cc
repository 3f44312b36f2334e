#include "nvme_image_builder.h"

#include <algorithm>

namespace kestrine {

void SetNvmeText(std::span<Byte> field, std::string_view text) {
  std::ranges::fill(field, Byte{' '});
  std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

void SetNvmeIdentityTexts(NvmeBlocks& blocks, std::string_view model, std::string_view serial,
                          std::string_view firmware) {
  using namespace nvme_controller;
  const std::span<Byte> id(blocks.controller);
  SetNvmeText(id.subspan(kModelNumber, kModelNumberSize), model);
  SetNvmeText(id.subspan(kSerialNumber, kSerialNumberSize), serial);
  SetNvmeText(id.subspan(kFirmwareRevision, kFirmwareRevisionSize), firmware);
}

void SetNvmeCapacity(NvmeBlocks& blocks, std::uint64_t size_in_blocks, Byte block_shift) {
  using namespace nvme_namespace;
  WriteLe64(blocks.namespace_data, kSizeInBlocks, size_in_blocks);
  WriteLe64(blocks.namespace_data, kCapacityInBlocks, size_in_blocks);
  WriteLe64(blocks.namespace_data, kUtilizationInBlocks, size_in_blocks);
  blocks.namespace_data[kFormattedLbaSize] = 0;
  blocks.namespace_data[kFirstLbaFormat + kLbaDataSizeShift] = block_shift;
}

NvmeSelfTestLog EmptyNvmeSelfTestLog() {
  using namespace nvme_self_test_log;
  NvmeSelfTestLog log{};
  for (std::size_t k = 0; k < kResultCount; ++k) {
    log[kFirstResult + k * kResultSize + kStatus] = kResultUnused;
  }
  return log;
}

void AddNvmeSelfTestResult(NvmeSelfTestLog& log, const NvmeSelfTestResult& result) {
  using namespace nvme_self_test_log;
  Byte* const first = log.data() + kFirstResult;
  std::copy_backward(first, first + (kResultCount - 1) * kResultSize,
                     first + kResultCount * kResultSize);
  std::fill_n(first, kResultSize, Byte{0});
  const std::span<Byte> entry(first, kResultSize);
  entry[kStatus] = static_cast<Byte>((result.code << 4) | (result.result & 0x0F));
  WriteLe64(entry, kPowerOnHours, result.power_on_hours);
  WriteLe32(entry, kNamespaceId, 0xFFFFFFFF);
  entry[kValidInformation] = static_cast<Byte>(1 << kNamespaceIdValid);
  if (result.failing_lba_valid) {
    entry[kValidInformation] |= static_cast<Byte>(1 << kFailingLbaValid);
    WriteLe64(entry, kFailingLba, result.failing_lba);
  }
}

}  // namespace kestrine
