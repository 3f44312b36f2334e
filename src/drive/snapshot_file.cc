#include "snapshot_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

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

void AppendSection(std::vector<Byte>& bytes, const SnapshotTag& tag, const Sector& payload) {
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  AppendBe32(bytes, static_cast<std::uint32_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
}

std::string ErrorText(int error) {
  return std::generic_category().message(error != 0 ? error : EIO);
}

// A name for a new file in `file`'s folder that no file has: the file's own name with a random
// suffix, hidden where a leading dot hides files.
fs::path TemporaryBeside(const fs::path& file) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::error_code error;
  fs::path temporary;
  do {
    std::string suffix;
    for (int i = 0; i < 4; ++i) {
      const unsigned value = random();
      for (int shift = 0; shift < 16; shift += 4) suffix += kHex[(value >> shift) & 0x0F];
    }
    fs::path name = ".";
    name += file.filename();
    name += "." + suffix + ".tmp";
    temporary = file;
    temporary.replace_filename(name);
  } while (fs::exists(fs::symlink_status(temporary, error)));
  return temporary;
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
      fault = "cut short: section " + TagText(tag) + " at byte " + std::to_string(at) +
              " declares " + std::to_string(length) + " bytes but " +
              std::to_string(bytes.size() - payload_at) + " follow";
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
  const std::string name = file.string();
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
  // Written to a new file beside the target and renamed over it only once complete, so that a
  // failed write leaves the previous file as it was. Through a symbolic link, the file it points
  // to is replaced rather than the link.
  const std::vector<Byte> bytes = SerializeSnapshot(snapshot);
  std::error_code error;
  fs::path target = file;
  if (fs::is_symlink(file, error)) {
    const fs::path resolved = fs::weakly_canonical(file, error);
    if (!error) target = resolved;
  }
  // A file already there is replaced only where it could be written: a read-only file stays.
  const fs::file_status previous = fs::status(target, error);
  if (fs::exists(previous)) {
    errno = 0;
    const std::ofstream probe(target, std::ios::binary | std::ios::app);
    if (!probe) throw SnapshotError(file.string() + ": cannot be created: " + ErrorText(errno));
  }
  const fs::path temporary = TemporaryBeside(target);
  errno = 0;
  std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
  if (!stream) {
    throw SnapshotError(file.string() + ": cannot be created: " + ErrorText(errno));
  }
  errno = 0;
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  stream.close();
  const int write_error = errno;
  if (stream.fail()) {
    fs::remove(temporary, error);
    throw SnapshotError(file.string() + ": cannot be written: " + ErrorText(write_error));
  }
  // The replaced file's permissions carry over; a new file keeps those it was created with.
  if (fs::is_regular_file(previous)) fs::permissions(temporary, previous.permissions(), error);
  fs::rename(temporary, target, error);
  if (error) {
    const std::string reason = error.message();
    fs::remove(temporary, error);
    throw SnapshotError(file.string() + ": cannot be written: " + reason);
  }
}

}  // namespace kestrine
