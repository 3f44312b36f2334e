// Snapshot files in libatasmart's tagged format: the captured skdump files load with the blocks
// they were split into, ours are laid out as libatasmart lays them out, and a faulty file is
// refused as a whole with the fault named.
#include "snapshot_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "cli_support.h"
#include "special_files.h"
#include "test_paths.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kestrine {
namespace {

using testing::ScratchDir;

// A section whose header declares `declared` bytes, followed by `payload` bytes.
std::vector<Byte> CutSection(std::string_view tag, std::uint32_t declared, std::size_t payload,
                             Byte fill = 0x5A) {
  std::vector<Byte> bytes(tag.begin(), tag.end());
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes.push_back(static_cast<Byte>(declared >> shift));
  bytes.insert(bytes.end(), payload, fill);
  return bytes;
}

std::vector<Byte> Section(std::string_view tag, std::size_t size, Byte fill = 0x5A) {
  return CutSection(tag, static_cast<std::uint32_t>(size), size, fill);
}

std::vector<Byte> Join(std::initializer_list<std::vector<Byte>> parts) {
  std::vector<Byte> bytes;
  for (const auto& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

Sector Filled(Byte value) {
  Sector sector;
  sector.fill(value);
  return sector;
}

void WriteBytes(const std::filesystem::path& file, const std::vector<Byte>& bytes) {
  std::ofstream stream(file, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST(SnapshotFile, EveryCapturedSkdumpFileLoadsWithItsBlocks) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const std::string& name : testing::CapturedNames()) {
    SCOPED_TRACE(name);
    const Snapshot snapshot = *ReadSnapshotFile(testing::CapturedBlob(name));
    const DriveImage image = testing::CapturedImage(name);
    EXPECT_EQ(snapshot.identify, image.identify);
    EXPECT_EQ(snapshot.smart_data, image.smart_data);
    EXPECT_EQ(snapshot.thresholds, image.thresholds);
    EXPECT_FALSE(snapshot.self_test_log.has_value());
  }
}

TEST(SnapshotFile, WritesLibatasmartsLayoutWithTheLogLast) {
  Snapshot snapshot;
  snapshot.identify = Filled(1);
  snapshot.smart_data = Filled(2);
  snapshot.thresholds = Filled(3);
  snapshot.self_test_log = Filled(4);
  const std::vector<Byte> bytes = SerializeSnapshot(snapshot);
  EXPECT_EQ(bytes, Join({Section("IDFY", 512, 1), Section("SMDT", 512, 2), Section("SMTH", 512, 3),
                         Section("SLOG", 512, 4)}));

  Snapshot identify_only;
  identify_only.identify = Filled(7);
  const std::vector<Byte> small = SerializeSnapshot(identify_only);
  ASSERT_EQ(small.size(), 520u);
  EXPECT_EQ(std::vector<Byte>(small.begin(), small.begin() + 8),
            (std::vector<Byte>{'I', 'D', 'F', 'Y', 0x00, 0x00, 0x02, 0x00}));
}

TEST(SnapshotFile, ReadsBackWhatItWrites) {
  for (const bool full : {false, true}) {
    Snapshot snapshot;
    snapshot.identify = Filled(0x11);
    if (full) {
      snapshot.smart_data = Filled(0x22);
      snapshot.thresholds = Filled(0x33);
      snapshot.self_test_log = Filled(0x44);
    }
    const auto read = ParseSnapshot(SerializeSnapshot(snapshot));
    ASSERT_TRUE(read) << read.error().Reason();
    EXPECT_EQ(read->identify, snapshot.identify);
    EXPECT_EQ(read->smart_data, snapshot.smart_data);
    EXPECT_EQ(read->thresholds, snapshot.thresholds);
    EXPECT_EQ(read->self_test_log, snapshot.self_test_log);
  }
}

TEST(SnapshotFile, SkipsUnknownSectionsAndIgnoresTheStatus) {
  const std::vector<Byte> bytes =
      Join({Section("XTRA", 3), Section("IDFY", 512, 9), Section("SMST", 4, 0), Section("XTRA", 0),
            Section("slog", 100), Section("SMTH", 512, 8)});
  const auto read = ParseSnapshot(bytes);
  ASSERT_TRUE(read) << read.error().Reason();
  EXPECT_EQ(read->identify, Filled(9));
  EXPECT_EQ(read->thresholds, Filled(8));
  EXPECT_FALSE(read->smart_data.has_value());
  EXPECT_FALSE(read->self_test_log.has_value());
}

struct RefusedCase {
  const char* what;
  std::vector<Byte> bytes;
  std::string fault;
};

TEST(SnapshotFile, RefusesAFaultyFileAndNamesTheFault) {
  const std::vector<Byte> identify = Section("IDFY", 512);
  const std::vector<RefusedCase> cases = {
      {"empty", {}, "empty, no IDFY section"},
      {"no identify", Join({Section("SMDT", 512), Section("SMTH", 512)}), "no IDFY section"},
      {"header cut", Join({identify, {'S', 'M', 'D', 'T', 0}}),
       "cut short: the section header at byte 520 has 5 of its 8 bytes"},
      {"payload cut", CutSection("IDFY", 512, 100),
       "cut short: section \"IDFY\" at byte 0 runs past the end of the file (108 bytes)"},
      // Neither the tag nor the length of a section this program does not know is quoted: the
      // message would show pieces of any file named with --load to whoever reads it.
      {"unknown payload cut", Join({identify, CutSection("XTRA", 0xFFFFFFFF, 3)}),
       "cut short: the section at byte 520 runs past the end of the file (531 bytes)"},
      {"a foreign file's first bytes", CutSection("root", 0x3A783A30, 20),
       "cut short: the section at byte 0 runs past the end of the file (28 bytes)"},
      {"identify short", Section("IDFY", 511), "section \"IDFY\" at byte 0 has 511 bytes, not 512"},
      {"status long", Join({identify, Section("SMST", 5)}),
       "section \"SMST\" at byte 520 has 5 bytes, not 4"},
      {"log short", Join({identify, Section("SLOG", 256)}),
       "section \"SLOG\" at byte 520 has 256 bytes, not 512"},
      {"data twice", Join({identify, Section("SMDT", 512), Section("SMDT", 512)}),
       "section \"SMDT\" appears twice (again at byte 1040)"},
      {"identify twice", Join({identify, identify}),
       "section \"IDFY\" appears twice (again at byte 520)"},
      {"log twice", Join({Section("SLOG", 512), identify, Section("SLOG", 512)}),
       "section \"SLOG\" appears twice (again at byte 1040)"},
      {"tag of a known size shown safely", Join({identify, Section("SMST", 3)}),
       "section \"SMST\" at byte 520 has 3 bytes, not 4"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const auto read = ParseSnapshot(c.bytes);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().stage(), FileError::Stage::kRefused);
    EXPECT_EQ(read.error().Reason(), c.fault);
  }
}

TEST(SnapshotFile, FileErrorsNameTheFile) {
  ScratchDir dir;
  const auto expect_refused = [](const std::filesystem::path& file, const std::string& fault) {
    const FileResult<Snapshot> read = ReadSnapshotFile(file);
    ASSERT_FALSE(read) << file << " was read";
    const std::string text = SnapshotFileErrorText(file, read.error());
    EXPECT_EQ(text.rfind(file.string() + ": " + fault, 0), 0u) << text;
  };
  expect_refused(dir / "missing.blob", "cannot be opened: ");
  expect_refused(dir.Path(), "is a directory");

  WriteBytes(dir / "cut.blob", CutSection("IDFY", 512, 10));
  expect_refused(dir / "cut.blob", "cut short: section \"IDFY\"");

  std::vector<Byte> huge = Section("IDFY", 512);
  huge.resize(kMaxSnapshotFileSize + 1, 0);
  WriteBytes(dir / "huge.blob", huge);
  expect_refused(dir / "huge.blob", "larger than 1048576 bytes, not a snapshot");

  const std::filesystem::path missing = dir / "no-such-folder" / "out.blob";
  const std::optional<FileError> error = WriteSnapshotFile(missing, Snapshot{});
  ASSERT_TRUE(error) << "written into a missing folder";
  EXPECT_NE(SnapshotFileErrorText(missing, *error).find("out.blob: cannot be created: "),
            std::string::npos);
}

std::vector<Byte> ReadBytes(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return std::vector<Byte>(std::istreambuf_iterator<char>(stream), {});
}

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::ranges::sort(names);
  return names;
}

TEST(SnapshotFile, SavingReplacesTheFileOnlyOnceWritten) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "drive.blob";
  WriteBytes(file, {'o', 'l', 'd'});
  Snapshot snapshot;
  snapshot.identify = Filled(0x31);
  snapshot.self_test_log = Filled(0x32);
  EXPECT_FALSE(WriteSnapshotFile(file, snapshot));
  EXPECT_EQ(ReadBytes(file), SerializeSnapshot(snapshot));
  EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"drive.blob"});

  // A target that cannot be replaced leaves no temporary file behind.
  std::filesystem::create_directories(dir / "folder.blob" / "inside");
  EXPECT_TRUE(WriteSnapshotFile(dir / "folder.blob", snapshot));
  EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"drive.blob", "folder.blob"}));
}

#ifndef _WIN32
TEST(SnapshotFile, AFailedWriteKeepsThePreviousFile) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "drive.blob";
  Snapshot previous;
  previous.identify = Filled(0x41);
  ASSERT_FALSE(WriteSnapshotFile(file, previous));
  std::filesystem::permissions(
      file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::vector<std::string> names = FileNames(dir.Path());

  // The file size limit makes the write fail part-way, as a full disk would.
  Snapshot next = previous;
  next.identify = Filled(0x42);
  next.smart_data = Filled(0x43);
  next.thresholds = Filled(0x44);
  std::string fault;
  ASSERT_TRUE(testing::WithFileSizeLimit(1024, [&] {
    if (const std::optional<FileError> error = WriteSnapshotFile(file, next))
      fault = SnapshotFileErrorText(file, *error);
  }));
  EXPECT_EQ(fault.rfind(file.string() + ": cannot be written: ", 0), 0u) << fault;
  EXPECT_EQ(ReadBytes(file), SerializeSnapshot(previous));
  EXPECT_EQ(FileNames(dir.Path()), names);

  // A successful write keeps the file's permissions.
  EXPECT_FALSE(WriteSnapshotFile(file, next));
  EXPECT_EQ(ReadSnapshotFile(file)->identify, Filled(0x42));
  EXPECT_EQ(std::filesystem::status(file).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  // A symbolic link at the name is replaced by the snapshot; the file it points to stays.
  std::filesystem::create_symlink(file, dir / "link.blob");
  next.identify = Filled(0x45);
  EXPECT_FALSE(WriteSnapshotFile(dir / "link.blob", next));
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "link.blob"));
  EXPECT_EQ(ReadSnapshotFile(dir / "link.blob")->identify, Filled(0x45));
  EXPECT_EQ(ReadSnapshotFile(file)->identify, Filled(0x42));
}

TEST(SnapshotFile, OnlyARegularFileIsRead) {
  ScratchDir dir;
  const std::filesystem::path fifo = dir / "pipe.blob";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::filesystem::path& file : {std::filesystem::path("/dev/null"), fifo}) {
    SCOPED_TRACE(file.string());
    auto read = std::async(std::launch::async, [&file]() -> std::string {
      const FileResult<Snapshot> read = ReadSnapshotFile(file);
      return read ? "read" : SnapshotFileErrorText(file, read.error());
    });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "still waiting for a writer";
      std::ofstream writer(file);  // lets the open return, so the test ends
    }
    EXPECT_EQ(read.get(), file.string() + ": not a regular file");
  }
}
#endif

}  // namespace
}  // namespace kestrine
