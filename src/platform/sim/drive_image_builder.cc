#include "drive_image_builder.h"

#include <algorithm>
#include <string>

#include "smart_layout.h"

namespace kestrine {

namespace {

constexpr std::uint16_t kLogRevisionValue = 1;

// The geometry of the old CHS translation.
constexpr std::uint16_t kMaxCylinders = 16383;
constexpr std::uint16_t kGeometryHeads = 16;
constexpr std::uint16_t kGeometrySectors = 63;

}  // namespace

void SetIdentifyWord(Sector& identify, std::size_t word, std::uint16_t value) {
  WriteLe16(identify, 2 * word, value);
}

void SetIdentifyWords(Sector& identify,
                      std::initializer_list<std::pair<std::size_t, std::uint16_t>> words) {
  for (const auto& [word, value] : words) SetIdentifyWord(identify, word, value);
}

void SetIdentifyText(Sector& identify, std::size_t first_word, std::size_t word_count,
                     std::string_view text, TextAlign align) {
  const std::size_t width = 2 * word_count;
  text = text.substr(0, width);
  std::string field(width, ' ');
  const std::size_t start = align == TextAlign::Left ? 0 : width - text.size();
  std::ranges::copy(text, field.begin() + static_cast<std::ptrdiff_t>(start));
  for (std::size_t i = 0; i < word_count; ++i) {
    // The first character of each pair is the word's high byte.
    identify[2 * (first_word + i)] = static_cast<Byte>(field[2 * i + 1]);
    identify[2 * (first_word + i) + 1] = static_cast<Byte>(field[2 * i]);
  }
}

void SetIdentifyTexts(Sector& identify, std::string_view model, std::string_view firmware,
                      std::string_view serial) {
  SetIdentifyText(identify, identify_word::kModelNumber, kModelNumberWords, model);
  SetIdentifyText(identify, identify_word::kFirmwareRevision, kFirmwareRevisionWords, firmware);
  SetIdentifyText(identify, identify_word::kSerialNumber, kSerialNumberWords, serial,
                  TextAlign::Right);
}

void SetIdentifyCapacity(Sector& identify, std::uint64_t sectors) {
  using namespace identify_word;
  const auto lba28 = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, kLba28Full));
  WriteLe32(identify, 2 * kLba28Sectors, lba28);
  for (std::size_t i = 0; i < 4; ++i) {
    SetIdentifyWord(identify, kLba48Sectors + i, static_cast<std::uint16_t>(sectors >> (16 * i)));
  }
  // The geometry of the old CHS translation, which stops at 16383 cylinders (8.4 GB).
  const auto cylinders = static_cast<std::uint16_t>(
      std::min<std::uint64_t>(sectors / (kGeometryHeads * kGeometrySectors), kMaxCylinders));
  SetIdentifyWords(identify, {{kLogicalCylinders, cylinders},
                              {kLogicalHeads, kGeometryHeads},
                              {kSectorsPerTrack, kGeometrySectors},
                              {kCurrentCylinders, cylinders},
                              {kCurrentHeads, kGeometryHeads},
                              {kCurrentSectorsPerTrack, kGeometrySectors}});
  WriteLe32(identify, 2 * kCurrentCapacity,
            std::uint32_t{cylinders} * kGeometryHeads * kGeometrySectors);
}

void SetIdentifyChecksum(Sector& identify) {
  identify[2 * identify_word::kIntegrity] = kIntegritySignature;
  SetAtaChecksum(identify);
}

bool AddAttribute(DriveImage& image, const AttributeValues& attribute) {
  for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
    const std::size_t at = smart_entry::kFirst + smart_entry::kSize * i;
    if (image.smart_data[at] != 0) continue;
    image.smart_data[at] = attribute.id;
    WriteLe16(image.smart_data, at + smart_entry::kFlags, attribute.flags);
    image.smart_data[at + smart_entry::kCurrent] = attribute.value;
    image.smart_data[at + smart_entry::kWorst] = attribute.worst;
    for (std::size_t b = 0; b < smart_entry::kRawSize; ++b) {
      image.smart_data[at + smart_entry::kRaw + b] = static_cast<Byte>(attribute.raw >> (8 * b));
    }
    image.thresholds[at] = attribute.id;
    image.thresholds[at + smart_entry::kThreshold] = attribute.threshold;
    return true;
  }
  return false;
}

bool SetAttributeRaw(DriveImage& image, Byte id, std::uint64_t raw) {
  for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
    const std::size_t at = smart_entry::kFirst + smart_entry::kSize * i;
    if (image.smart_data[at] != id) continue;
    for (std::size_t b = 0; b < smart_entry::kRawSize; ++b)
      image.smart_data[at + smart_entry::kRaw + b] = static_cast<Byte>(raw >> (8 * b));
    SealDriveImage(image);
    return true;
  }
  return false;
}

void SetSmartStatus(DriveImage& image, const SmartStatus& status) {
  Sector& data = image.smart_data;
  WriteLe16(data, smart_data::kRevision, status.revision);
  WriteLe16(image.thresholds, smart_data::kRevision, status.revision);
  data[smart_data::kOfflineStatus] = status.offline_status;
  data[smart_data::kSelfTestStatus] = status.self_test_status;
  WriteLe16(data, smart_data::kOfflineTotalSeconds, status.offline_seconds);
  data[smart_data::kOfflineCapability] = status.offline_capability;
  WriteLe16(data, smart_data::kSmartCapability, status.smart_capability);
  data[smart_data::kErrorLogging] = status.error_logging;
  data[smart_data::kShortPollingMinutes] = status.short_minutes;
  if (status.extended_minutes < smart_data::kPollingMinutesInWord) {
    data[smart_data::kExtendedPollingMinutes] = static_cast<Byte>(status.extended_minutes);
    WriteLe16(data, smart_data::kExtendedPollingWord, 0);
  } else {
    data[smart_data::kExtendedPollingMinutes] = smart_data::kPollingMinutesInWord;
    WriteLe16(data, smart_data::kExtendedPollingWord, status.extended_minutes);
  }
  data[smart_data::kConveyancePollingMinutes] = status.conveyance_minutes;
}

void AddSelfTestEntry(Sector& log, const SelfTestEntry& entry) {
  // Byte 508 numbers the most recent descriptor from 1; 0 means an empty log.
  const std::size_t next = log[self_test_log::kIndex] % self_test_log::kDescriptorCount;
  const std::size_t at = self_test_log::kFirstDescriptor + self_test_log::kDescriptorSize * next;
  std::fill_n(log.begin() + static_cast<std::ptrdiff_t>(at), self_test_log::kDescriptorSize,
              Byte{0});
  log[at] = entry.type;
  log[at + self_test_log::kStatus] = entry.status;
  WriteLe16(log, at + self_test_log::kLifeHours, entry.hours);
  log[at + self_test_log::kCheckpoint] = entry.checkpoint;
  WriteLe32(log, at + self_test_log::kFailureLba, entry.failing_lba);
  log[self_test_log::kIndex] = static_cast<Byte>(next + 1);
}

void SealDriveImage(DriveImage& image) {
  SetIdentifyChecksum(image.identify);
  SetAtaChecksum(image.smart_data);
  SetAtaChecksum(image.thresholds);
  WriteLe16(image.self_test_log, self_test_log::kRevision, kLogRevisionValue);
  SetAtaChecksum(image.self_test_log);
}

}  // namespace kestrine
