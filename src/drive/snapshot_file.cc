#include "snapshot_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "file_target.h"
#include "file_writer.h"

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
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "\"";
  for (const Byte b : tag) {
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      text += static_cast<char>(b);
    } else {
      text += "\\x";
      text += kHex[b >> 4];
      text += kHex[b & 0x0F];
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
constexpr std::array<KnownSection, 5> kKnownSections = {{
    {&kTagIdentify, sizeof(Sector)},
    {&kTagSmartStatus, kSmartStatusSize},
    {&kTagSmartData, sizeof(Sector)},
    {&kTagThresholds, sizeof(Sector)},
    {&kTagSelfTestLog, sizeof(Sector)},
}};

// "section \"IDFY\"" for a section this program knows, "the section" for any other.
std::string SectionName(std::span<const Byte> tag) {
  for (const KnownSection& known : kKnownSections) {
    if (IsTag(tag, *known.tag)) return "section " + TagText(tag);
  }
  return "the section";
}

void AppendSection(std::vector<Byte>& bytes, const SnapshotTag& tag, const Sector& payload) {
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  AppendBe32(bytes, static_cast<std::uint32_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
}

std::string ErrorText(int error) {
  return std::generic_category().message(error != 0 ? error : EIO);
}

}  // namespace

std::optional<Snapshot> ParseSnapshot(std::span<const Byte> bytes, std::string& fault) {
  // One pass that checks everything and fills a scratch snapshot; nothing of a refused file
  // reaches the caller.
  Snapshot snapshot;
  std::array<bool, kKnownSections.size()> seen{};
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t left = bytes.size() - at;
    if (left < kSectionHeaderSize) {
      fault = "cut short: the section header at byte " + std::to_string(at) + " has " +
              std::to_string(left) + " of its " + std::to_string(kSectionHeaderSize) + " bytes";
      return std::nullopt;
    }
    const std::span<const Byte> tag = bytes.subspan(at, 4);
    const std::uint32_t length = ReadBe32(bytes, at + 4);
    const std::size_t payload_at = at + kSectionHeaderSize;
    if (length > bytes.size() - payload_at) {
      // Only a known tag is named, and no length it declares: a refused file's own bytes are
      // never quoted, whoever may read the message.
      fault = "cut short: " + SectionName(tag) + " at byte " + std::to_string(at) +
              " runs past the end of the file (" + std::to_string(bytes.size()) + " bytes)";
      return std::nullopt;
    }
    const std::span<const Byte> payload = bytes.subspan(payload_at, length);

    for (std::size_t k = 0; k < kKnownSections.size(); ++k) {
      const KnownSection& known = kKnownSections[k];
      if (!IsTag(tag, *known.tag)) continue;
      if (length != known.size) {
        fault = "section " + TagText(tag) + " at byte " + std::to_string(at) + " has " +
                std::to_string(length) + " bytes, not " + std::to_string(known.size);
        return std::nullopt;
      }
      if (seen[k]) {
        fault =
            "section " + TagText(tag) + " appears twice (again at byte " + std::to_string(at) + ")";
        return std::nullopt;
      }
      seen[k] = true;
      Sector sector{};
      if (known.size == sector.size()) std::ranges::copy(payload, sector.begin());
      if (known.tag == &kTagIdentify) snapshot.identify = sector;
      if (known.tag == &kTagSmartData) snapshot.smart_data = sector;
      if (known.tag == &kTagThresholds) snapshot.thresholds = sector;
      if (known.tag == &kTagSelfTestLog) snapshot.self_test_log = sector;
    }
    at = payload_at + length;
  }
  if (!seen[0]) {
    fault = bytes.empty() ? "empty, no IDFY section" : "no IDFY section";
    return std::nullopt;
  }
  return snapshot;
}

std::vector<Byte> SerializeSnapshot(const Snapshot& snapshot) {
  std::vector<Byte> bytes;
  bytes.reserve(4 * (kSectionHeaderSize + sizeof(Sector)));
  AppendSection(bytes, kTagIdentify, snapshot.identify);
  if (snapshot.smart_data) AppendSection(bytes, kTagSmartData, *snapshot.smart_data);
  if (snapshot.thresholds) AppendSection(bytes, kTagThresholds, *snapshot.thresholds);
  if (snapshot.self_test_log) AppendSection(bytes, kTagSelfTestLog, *snapshot.self_test_log);
  return bytes;
}

Snapshot ReadSnapshotFile(const fs::path& file) {
  const std::string name = PrintableFileName(file.string());
  // Only a regular file is opened: opening a FIFO without a writer would wait for one forever,
  // and a device is no snapshot. A file that is not there is left to the open to name the fault.
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (fs::is_directory(status)) throw SnapshotError(name + ": is a directory");
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    throw SnapshotError(name + ": not a regular file");
  }
  errno = 0;
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw SnapshotError(name + ": cannot be opened: " + ErrorText(errno));
  // Read in pieces and stop once past the limit, whatever size the file claimed before the open.
  std::vector<Byte> bytes;
  std::array<char, 16 * 1024> piece;
  while (stream.read(piece.data(), piece.size()) || stream.gcount() > 0) {
    bytes.insert(bytes.end(), piece.begin(), piece.begin() + stream.gcount());
    if (bytes.size() > kMaxSnapshotFileSize) {
      throw SnapshotError(name + ": larger than " + std::to_string(kMaxSnapshotFileSize) +
                          " bytes, not a snapshot");
    }
  }
  if (stream.bad()) throw SnapshotError(name + ": cannot be read: " + ErrorText(errno));
  std::string fault;
  std::optional<Snapshot> snapshot = ParseSnapshot(bytes, fault);
  if (!snapshot) throw SnapshotError(name + ": " + fault);
  return *snapshot;
}

void WriteSnapshotFile(const fs::path& file, const Snapshot& snapshot) {
  const std::vector<Byte> bytes = SerializeSnapshot(snapshot);
  const std::optional<FileWriteFault> fault = ReplaceFileSafely(
      file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!fault) return;
  const char* const what =
      fault->stage == FileWriteFault::Stage::kWrite ? "cannot be written" : "cannot be created";
  throw SnapshotError(PrintableFileName(file.string()) + ": " + what + ": " + fault->reason);
}

}  // namespace kestrine
