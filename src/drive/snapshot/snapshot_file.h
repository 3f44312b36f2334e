// Snapshot files: a drive's blocks in libatasmart's tagged format, so that files written by
// `skdump --save` load here and ours load there. A file is a sequence of sections, each a 4-byte
// ASCII tag, the payload's length as 4 bytes big-endian, and the payload:
//
//   "IDFY"  512  IDENTIFY DEVICE data (required)
//   "SMST"    4  libatasmart's verdict of SMART RETURN STATUS (checked, then ignored)
//   "SMDT"  512  SMART READ DATA
//   "SMTH"  512  SMART READ THRESHOLDS
//   "SLOG"  512  the self-test log (ours; libatasmart skips it as an unknown tag)
//
// An NVMe drive's file holds our own sections instead:
//
//   "NVIC" 4096  Identify Controller (required)
//   "NVIN" 4096  Identify Namespace of the drive's namespace
//   "NVHL"  512  the SMART / Health Information log
//   "NVST"  564  the Device Self-test log
//
// Sections with other tags are skipped. A file that is cut short, has a section of the wrong size,
// has the same section twice, holds sections of both an ATA and an NVMe drive, or has neither
// IDFY nor NVIC is refused as a whole.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes.h"
#include "file_error.h"
#include "nvme_layout.h"

namespace kestrine {

using SnapshotTag = std::array<char, 4>;
inline constexpr SnapshotTag kTagIdentify = {'I', 'D', 'F', 'Y'};
inline constexpr SnapshotTag kTagSmartStatus = {'S', 'M', 'S', 'T'};
inline constexpr SnapshotTag kTagSmartData = {'S', 'M', 'D', 'T'};
inline constexpr SnapshotTag kTagThresholds = {'S', 'M', 'T', 'H'};
inline constexpr SnapshotTag kTagSelfTestLog = {'S', 'L', 'O', 'G'};
inline constexpr SnapshotTag kTagNvmeController = {'N', 'V', 'I', 'C'};
inline constexpr SnapshotTag kTagNvmeNamespace = {'N', 'V', 'I', 'N'};
inline constexpr SnapshotTag kTagNvmeHealth = {'N', 'V', 'H', 'L'};
inline constexpr SnapshotTag kTagNvmeSelfTestLog = {'N', 'V', 'S', 'T'};

inline constexpr std::size_t kSectionHeaderSize = 8;  // tag, then the big-endian length
inline constexpr std::size_t kSmartStatusSize = 4;

// The largest file read: a snapshot holds a few kilobytes, so anything far larger (a disk
// device named by mistake, say) is refused before it is read.
inline constexpr std::uintmax_t kMaxSnapshotFileSize = 1 << 20;

// An NVMe drive's blocks; a section the file lacks is nullopt.
struct NvmeSnapshot {
  NvmeIdentifyBlock controller{};
  std::optional<NvmeIdentifyBlock> namespace_data;
  std::optional<NvmeHealthLog> health;
  std::optional<NvmeSelfTestLog> self_test_log;
  bool operator==(const NvmeSnapshot&) const = default;
};

struct Snapshot {
  Sector identify{};
  std::optional<Sector> smart_data;
  std::optional<Sector> thresholds;
  std::optional<Sector> self_test_log;
  // Set for an NVMe drive's file, whose ATA blocks are then zero and absent.
  std::optional<NvmeSnapshot> nvme;
};

// The snapshot in `bytes`, or a kRefused error saying what is wrong (no file name in it).
FileResult<Snapshot> ParseSnapshot(std::span<const Byte> bytes);

// The file's bytes: the sections present, in libatasmart's order, then SLOG; for an NVMe drive
// NVIC, NVIN, NVHL, NVST.
std::vector<Byte> SerializeSnapshot(const Snapshot& snapshot);

// The snapshot in the file, or why it was not read: the file could not be opened or read, or was
// refused (too large, or not a snapshot). Only a regular file is read.
FileResult<Snapshot> ReadSnapshotFile(const std::filesystem::path& file);
// Writes the snapshot as `file` and returns nullopt, or says why it did not (kCreate, with a
// target refused told as one that cannot be created, or kWrite). Writing goes through
// ReplaceFileSafely (file_writer.h): `file` is replaced only once the whole snapshot is written,
// never written through a link, and only where it is a regular file or nothing.
std::optional<FileError> WriteSnapshotFile(const std::filesystem::path& file,
                                           const Snapshot& snapshot);
// What went wrong with a snapshot file, in words: the file (its control characters escaped), then
// the stage and the reason ("drive.blob: cannot be opened: No such file or directory").
std::string SnapshotFileErrorText(const std::filesystem::path& file, const FileError& error);

}  // namespace kestrine
