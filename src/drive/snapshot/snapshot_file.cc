#include "snapshot_file.h"

#include <algorithm>

#include "file_reader.h"
#include "file_target.h"
#include "file_writer.h"
#include "text_format.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;

std::uint32_t ReadBe32(std::span<const Byte> bytes, std::size_t offset) {
  return (static_cast<std::uint32_t>(bytes[offset]) << 24) |
         (static_cast<std::uint32_t>(bytes[offset + 1]) << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 2]) << 8) |
         static_cast<std::uint32_t>(bytes[offset + 3]);
}

void AppendBe32(std::vector<Byte>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<Byte>(value >> shift));
}

// A tag as it can be shown in a message: printable ASCII as it is, any other byte as \xNN.
std::string TagText(std::span<const Byte> tag) {
  std::string text = "\"";
  for (const Byte b : tag) {
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      text += static_cast<char>(b);
    } else {
      AppendEscapedByte(text, b);
    }
  }
  return text + "\"";
}

bool IsTag(std::span<const Byte> bytes, const SnapshotTag& tag) {
  return std::equal(tag.begin(), tag.end(), bytes.begin(),
                    [](char t, Byte b) { return static_cast<Byte>(t) == b; });
}

// The sections this program knows, with the size each must have.
struct KnownSection {
  const SnapshotTag* tag;
  std::size_t size;
};
constexpr std::array<KnownSection, 9> kKnownSections = {{
    {&kTagIdentify, sizeof(Sector)},
    {&kTagSmartStatus, kSmartStatusSize},
    {&kTagSmartData, sizeof(Sector)},
    {&kTagThresholds, sizeof(Sector)},
    {&kTagSelfTestLog, sizeof(Sector)},
    {&kTagNvmeController, nvme_controller::kSize},
    {&kTagNvmeNamespace, nvme_namespace::kSize},
    {&kTagNvmeHealth, nvme_health::kSize},
    {&kTagNvmeSelfTestLog, nvme_self_test_log::kSize},
}};
// The first NVMe section in kKnownSections; those before it are an ATA drive's.
constexpr std::size_t kFirstNvmeSection = 5;

template <std::size_t N>
std::array<Byte, N> Block(std::span<const Byte> payload) {
  std::array<Byte, N> block{};
  std::ranges::copy(payload.first(N), block.begin());
  return block;
}

// "section \"IDFY\"" for a section this program knows, "the section" for any other.
std::string SectionName(std::span<const Byte> tag) {
  for (const KnownSection& known : kKnownSections) {
    if (IsTag(tag, *known.tag)) return "section " + TagText(tag);
  }
  return "the section";
}

void AppendSection(std::vector<Byte>& bytes, const SnapshotTag& tag,
                   std::span<const Byte> payload) {
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  AppendBe32(bytes, static_cast<std::uint32_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
}

FileError Refused(std::string reason) {
  return FileError(FileError::Stage::kRefused, std::move(reason));
}

// The words a message puts before the reason: a refusal's reason stands alone.
const char* StageWords(FileError::Stage stage) {
  switch (stage) {
    case FileError::Stage::kRefused:
      return "";
    case FileError::Stage::kOpen:
      return "cannot be opened: ";
    case FileError::Stage::kRead:
      return "cannot be read: ";
    case FileError::Stage::kCreate:
      return "cannot be created: ";
    case FileError::Stage::kWrite:
      return "cannot be written: ";
  }
  return "";
}

}  // namespace

std::string SnapshotFileErrorText(const fs::path& file, const FileError& error) {
  return PrintableFileName(file.string()) + ": " + StageWords(error.stage()) + error.Reason();
}

FileResult<Snapshot> ParseSnapshot(std::span<const Byte> bytes) {
  // One pass that checks everything and fills a scratch snapshot; nothing of a refused file
  // reaches the caller.
  Snapshot snapshot;
  NvmeSnapshot nvme;
  std::array<bool, kKnownSections.size()> seen{};
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t left = bytes.size() - at;
    if (left < kSectionHeaderSize) {
      return Refused("cut short: the section header at byte " + std::to_string(at) + " has " +
                     std::to_string(left) + " of its " + std::to_string(kSectionHeaderSize) +
                     " bytes");
    }
    const std::span<const Byte> tag = bytes.subspan(at, 4);
    const std::uint32_t length = ReadBe32(bytes, at + 4);
    const std::size_t payload_at = at + kSectionHeaderSize;
    if (length > bytes.size() - payload_at) {
      // Only a known tag is named, and no length it declares: a refused file's own bytes are
      // never quoted, whoever may read the message.
      return Refused("cut short: " + SectionName(tag) + " at byte " + std::to_string(at) +
                     " runs past the end of the file (" + std::to_string(bytes.size()) + " bytes)");
    }
    const std::span<const Byte> payload = bytes.subspan(payload_at, length);

    for (std::size_t k = 0; k < kKnownSections.size(); ++k) {
      const KnownSection& known = kKnownSections[k];
      if (!IsTag(tag, *known.tag)) continue;
      if (length != known.size) {
        return Refused("section " + TagText(tag) + " at byte " + std::to_string(at) + " has " +
                       std::to_string(length) + " bytes, not " + std::to_string(known.size));
      }
      if (seen[k]) {
        return Refused("section " + TagText(tag) + " appears twice (again at byte " +
                       std::to_string(at) + ")");
      }
      seen[k] = true;
      if (known.tag == &kTagIdentify) snapshot.identify = Block<512>(payload);
      if (known.tag == &kTagSmartData) snapshot.smart_data = Block<512>(payload);
      if (known.tag == &kTagThresholds) snapshot.thresholds = Block<512>(payload);
      if (known.tag == &kTagSelfTestLog) snapshot.self_test_log = Block<512>(payload);
      if (known.tag == &kTagNvmeController) {
        nvme.controller = Block<nvme_controller::kSize>(payload);
      }
      if (known.tag == &kTagNvmeNamespace) {
        nvme.namespace_data = Block<nvme_namespace::kSize>(payload);
      }
      if (known.tag == &kTagNvmeHealth) nvme.health = Block<nvme_health::kSize>(payload);
      if (known.tag == &kTagNvmeSelfTestLog) {
        nvme.self_test_log = Block<nvme_self_test_log::kSize>(payload);
      }
    }
    at = payload_at + length;
  }
  const auto seen_from = [&seen](std::size_t first, std::size_t last) {
    return std::find(seen.begin() + first, seen.begin() + last, true) != seen.begin() + last;
  };
  const bool ata = seen_from(0, kFirstNvmeSection);
  const bool nvme_drive = seen_from(kFirstNvmeSection, seen.size());
  if (ata && nvme_drive) return Refused("holds sections of both an ATA drive and an NVMe drive");
  if (nvme_drive) {
    if (!seen[kFirstNvmeSection]) return Refused("no NVIC section");
    snapshot.nvme = nvme;
    return snapshot;
  }
  if (!seen[0]) {
    return Refused(bytes.empty() ? "empty, no IDFY section" : "no IDFY section");
  }
  return snapshot;
}

std::vector<Byte> SerializeSnapshot(const Snapshot& snapshot) {
  std::vector<Byte> bytes;
  if (snapshot.nvme) {
    const NvmeSnapshot& nvme = *snapshot.nvme;
    AppendSection(bytes, kTagNvmeController, nvme.controller);
    if (nvme.namespace_data) AppendSection(bytes, kTagNvmeNamespace, *nvme.namespace_data);
    if (nvme.health) AppendSection(bytes, kTagNvmeHealth, *nvme.health);
    if (nvme.self_test_log) AppendSection(bytes, kTagNvmeSelfTestLog, *nvme.self_test_log);
    return bytes;
  }
  bytes.reserve(4 * (kSectionHeaderSize + sizeof(Sector)));
  AppendSection(bytes, kTagIdentify, snapshot.identify);
  if (snapshot.smart_data) AppendSection(bytes, kTagSmartData, *snapshot.smart_data);
  if (snapshot.thresholds) AppendSection(bytes, kTagThresholds, *snapshot.thresholds);
  if (snapshot.self_test_log) AppendSection(bytes, kTagSelfTestLog, *snapshot.self_test_log);
  return bytes;
}

FileResult<Snapshot> ReadSnapshotFile(const fs::path& file) {
  const FileResult<std::vector<Byte>> bytes = ReadRegularFile(file, kMaxSnapshotFileSize);
  if (!bytes) return bytes.error();
  if (bytes->size() > kMaxSnapshotFileSize) {
    return Refused("larger than " + std::to_string(kMaxSnapshotFileSize) +
                   " bytes, not a snapshot");
  }
  return ParseSnapshot(*bytes);
}

std::optional<FileError> WriteSnapshotFile(const fs::path& file, const Snapshot& snapshot) {
  const std::vector<Byte> bytes = SerializeSnapshot(snapshot);
  const std::optional<FileError> error = ReplaceFileSafely(
      file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  // A target refused is told as one that cannot be created.
  if (error && error->stage() == FileError::Stage::kRefused) {
    return error->AtStage(FileError::Stage::kCreate);
  }
  return error;
}

}  // namespace kestrine
