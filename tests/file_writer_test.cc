// Writing files with an administrator's rights: the name checks every writer makes, and
// ReplaceFileSafely on the disk, which refuses special files, never writes through a link and
// replaces a file only once the new one is complete.
#include "file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "file_reader.h"
#include "file_target.h"
#include "scratch_dir.h"
#include "special_files.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#endif

namespace kestrine {
namespace {

namespace fs = std::filesystem;

using testing::ScratchDir;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(TargetName, RefusesWhatCanNeverBeAFileToWrite) {
  struct Case {
    const char* path;
    bool windows;
    const char* fault;  // nullptr: the name is fine
  };
  const Case cases[] = {
      {"report.html", false, nullptr},
      {"/tmp/x/report.html", false, nullptr},
      {"NUL", false, nullptr},  // only Windows keeps device names in every folder
      {"", false, "Not a file name"},
      {"/tmp/", false, "Not a file name"},
      {"a/..", false, "Not a file name"},
      {".", false, "Not a file name"},
      {"C:\\Reports\\report.html", true, nullptr},
      {"\\\\?\\C:\\Reports\\report.html", true, nullptr},
      {"\\\\?\\UNC\\server\\share\\r.html", true, nullptr},
      {"\\\\server\\share\\r.html", true, nullptr},
      {"nullable.html", true, nullptr},
      {"COM10", true, nullptr},
      {"console.css", true, nullptr},
      {"\\\\.\\PhysicalDrive0", true, "Names a device (\\\\.\\)"},
      {"//./pipe/x", true, "Names a device (\\\\.\\)"},
      {"\\\\?\\GLOBALROOT\\Device\\Harddisk0\\Partition0", true, "Names a device (\\\\?\\)"},
      {"\\\\?\\Volume{0}", true, "Names a device (\\\\?\\)"},
      {"\\??\\C:\\x", true, "Names a device (\\??\\)"},
      {"CON", true, "Names a device (CON)"},
      {"C:\\Reports\\nul.html", true, "Names a device (nul)"},
      {"aux .txt", true, "Names a device (aux)"},
      {"PRN.tar.gz", true, "Names a device (PRN)"},
      {"D:lpt9", true, "Names a device (lpt9)"},
      {"com\xB9.log", true, "Names a device (com\xB9)"},
      {"COM\xC2\xB2", true, "Names a device (COM\xC2\xB2)"},
      {"conout$", true, "Names a device (conout$)"},
      {"reports/CLOCK$. .", true, "Names a device (CLOCK$)"},
      {"report.html:hidden", true, "Names a stream of another file (':')"},
      {"C:\\Reports\\", true, "Not a file name"},
      {"C:", true, "Not a file name"},
      {"C:\\x\\. .", true, "Not a file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::optional<std::string> fault = TargetNameFault(c.path, c.windows);
    if (c.fault == nullptr) {
      EXPECT_FALSE(fault.has_value()) << *fault;
    } else {
      EXPECT_EQ(fault.value_or("(accepted)"), c.fault);
    }
  }
}

TEST(TargetName, MessagesShowControlCharactersEscaped) {
  EXPECT_EQ(PrintableFileName("a\nb\x1B[2J\x7F\tc\xE9"), "a\\x0Ab\\x1B[2J\\x7F\\x09c\xE9");
  EXPECT_EQ(PrintableFileName("C:\\plain name.html"), "C:\\plain name.html");
}

TEST(TargetName, TemporaryNamesAreShortHiddenAndVaried) {
  std::set<std::string> names;
  for (std::uint64_t random : {0ull, 1ull, 0xFFFFFFFFFFull, 0x123456789ABCDEFull}) {
    const std::string name = TemporaryFileName(random);
    EXPECT_EQ(name.size(), kTemporaryFileNameLength);
    EXPECT_EQ(name[0], '.');
    EXPECT_FALSE(TargetNameFault(name, true).has_value());
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 4u);
}

TEST(ReplaceFileSafely, WritesANewFileAndReplacesAnOldOneWhole) {
  ScratchDir folder;
  const fs::path file = folder / "report.html";
  EXPECT_FALSE(ReplaceFileSafely(file, std::string("first, and longer than the second")));
  EXPECT_EQ(ReadAll(file), "first, and longer than the second");
  EXPECT_FALSE(ReplaceFileSafely(file, std::string("second")));
  EXPECT_EQ(ReadAll(file), "second");
  // The longest name a folder can hold: the temporary name beside it is short whatever it is.
  const std::string longest(255, 'n');
  EXPECT_FALSE(ReplaceFileSafely(folder / longest, std::string("long")));
  EXPECT_EQ(ReadAll(folder / longest), "long");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{longest, "report.html"}));
}

TEST(ReplaceFileSafely, RefusesAFolderAndLeavesNothingBehind) {
  ScratchDir folder;
  fs::create_directories(folder / "folder.html" / "inside");
  const std::optional<FileError> fault = ReplaceFileSafely(folder / "folder.html", "x");
  ASSERT_TRUE(fault.has_value());
  EXPECT_EQ(fault->stage(), FileError::Stage::kRefused);
  EXPECT_EQ(fault->code(), std::errc::is_a_directory);
  EXPECT_EQ(fault->Reason(), std::make_error_code(std::errc::is_a_directory).message());
  EXPECT_TRUE(fs::exists(folder / "folder.html" / "inside"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"folder.html"});

  const std::optional<FileError> missing = ReplaceFileSafely(folder / "none" / "x.html", "x");
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->stage(), FileError::Stage::kCreate);
  EXPECT_EQ(missing->code(), std::errc::no_such_file_or_directory);
}

TEST(ReadRegularFile, ReadsUpToOneByteBeyondTheLimitAndRefusesWhatIsNoFile) {
  ScratchDir folder;
  std::ofstream(folder / "five", std::ios::binary) << "12345";
  struct Case {
    fs::path file;
    std::size_t limit;
    std::string bytes;       // when read
    FileError::Stage stage;  // when not
    std::string reason;
  };
  const std::string missing = std::make_error_code(std::errc::no_such_file_or_directory).message();
  const std::vector<Case> cases = {
      {folder / "five", 5, "12345", {}, ""},
      {folder / "five", 3, "1234", {}, ""},
      {folder / "none", 5, "", FileError::Stage::kOpen, missing},
      {folder.Path(), 5, "", FileError::Stage::kRefused, "is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string() + " " + std::to_string(c.limit));
    const FileResult<std::vector<Byte>> read = ReadRegularFile(c.file, c.limit);
    if (c.reason.empty()) {
      ASSERT_TRUE(read) << read.error().Reason();
      EXPECT_EQ(std::string(read->begin(), read->end()), c.bytes);
    } else {
      ASSERT_FALSE(read);
      EXPECT_EQ(read.error().stage(), c.stage);
      EXPECT_EQ(read.error().Reason(), c.reason);
    }
  }
}

#ifdef _WIN32
TEST(ReplaceFileSafely, RefusesDeviceNamesAndReadOnlyFiles) {
  ScratchDir folder;
  for (const char* name : {"NUL", "con.html", "COM1.txt"}) {
    const std::optional<FileError> fault = ReplaceFileSafely(folder / name, "x");
    ASSERT_TRUE(fault.has_value()) << name;
    EXPECT_EQ(fault->stage(), FileError::Stage::kRefused) << name;
  }
  const fs::path read_only = folder / "read-only.blob";
  std::ofstream(read_only) << "kept";
  fs::permissions(read_only,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ASSERT_TRUE(ReplaceFileSafely(read_only, "x").has_value());
  EXPECT_EQ(ReadAll(read_only), "kept");
  fs::permissions(read_only, fs::perms::owner_all);
}
#else
using testing::Fingerprint;
using testing::LinkedFileOf;
using testing::MakeSpecial;
using testing::SpecialCases;
using testing::SpecialKind;

TEST(ReadRegularFile, RefusesSpecialFilesWithoutWaitingAndFollowsALink) {
  for (const testing::SpecialCase& c : SpecialCases()) {
    SCOPED_TRACE(c.what);
    ScratchDir folder;
    const fs::path target = folder / "target";
    if (!MakeSpecial(c.kind, target)) continue;  // a device node needs root
    const FileResult<std::vector<Byte>> read = ReadRegularFile(target, 1024);
    if (c.kind == SpecialKind::kLinkToFile) {
      ASSERT_TRUE(read) << read.error().Reason();
      EXPECT_EQ(std::string(read->begin(), read->end()), testing::kLinkedFileText);
    } else {
      ASSERT_FALSE(read);
      EXPECT_EQ(read.error().stage(), FileError::Stage::kRefused);
      EXPECT_EQ(read.error().Reason(),
                c.kind == SpecialKind::kFolder ? "is a directory" : "not a regular file");
    }
  }
}

TEST(ReplaceFileSafely, RefusesSpecialFilesAndReplacesALinkRatherThanItsFile) {
  for (const testing::SpecialCase& c : SpecialCases()) {
    SCOPED_TRACE(c.what);
    ScratchDir folder;
    const fs::path target = folder / "target";
    if (!MakeSpecial(c.kind, target)) {
      std::cout << "skipped " << c.what << ": only root may make one\n";
      continue;
    }
    const std::string before = Fingerprint(target);
    const std::string linked_before = Fingerprint(LinkedFileOf(target));
    // A pipe without a reader would hold an open for ever: the write runs aside, with a limit.
    auto write =
        std::async(std::launch::async, [&] { return ReplaceFileSafely(target, "new bytes"); });
    if (write.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the write hangs";
      std::ifstream reader(target);  // lets the open return, so the test ends
    }
    const std::optional<FileError> fault = write.get();
    if (c.kind == SpecialKind::kLinkToFile) {
      EXPECT_FALSE(fault.has_value()) << fault->Reason();
      EXPECT_FALSE(fs::is_symlink(target));
      EXPECT_EQ(ReadAll(target), "new bytes");
      EXPECT_EQ(Fingerprint(LinkedFileOf(target)), linked_before);
      EXPECT_EQ(ReadAll(LinkedFileOf(target)), testing::kLinkedFileText);
      EXPECT_EQ(folder.Names(), (std::vector<std::string>{"target", "target.linked"}));
    } else {
      ASSERT_TRUE(fault.has_value());
      EXPECT_EQ(fault->stage(), FileError::Stage::kRefused);
      EXPECT_EQ(Fingerprint(target), before);
      EXPECT_EQ(folder.Names(), std::vector<std::string>{"target"});
    }
  }
}

TEST(ReplaceFileSafely, KeepsPermissionsAndRefusesAFileNobodyMayWrite) {
  ScratchDir folder;
  const fs::path file = folder / "drive.blob";
  std::ofstream(file) << "old";
  ::chmod(file.c_str(), 0640);
  EXPECT_FALSE(ReplaceFileSafely(file, "new"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Root could write it, but a read-only file is left as it is for everyone.
  ::chmod(file.c_str(), 0444);
  const std::string before = Fingerprint(file);
  const std::optional<FileError> fault = ReplaceFileSafely(file, "newer");
  ASSERT_TRUE(fault.has_value());
  EXPECT_EQ(fault->Reason(), "Read-only file");
  EXPECT_EQ(Fingerprint(file), before);
  EXPECT_EQ(ReadAll(file), "new");
}

// A pipe swapped in at a snapshot's name between the look at the file and its open: the open must
// never reach the pipe, which a writer waiting on it would see.
TEST(ReadRegularFile, NeverOpensWhatIsSwappedInAfterTheLook) {
  ScratchDir folder;
  const fs::path name = folder / "snapshot";
  const fs::path file = folder / "file";
  const fs::path pipe = folder / "pipe";
  std::ofstream(file) << "snapshot";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::atomic<bool> stop = false;
  std::atomic<int> pipe_opened = 0;
  // Each open of the pipe for writing returns once a reader has opened it.
  std::thread writer([&] {
    while (!stop) {
      const int fd = ::open(pipe.c_str(), O_WRONLY);
      if (fd >= 0 && !stop) ++pipe_opened;
      if (fd >= 0) ::close(fd);
    }
  });
  // The file and a second name of the pipe trade places, each time in one step.
  const fs::path other = folder / "other";
  fs::rename(file, name);
  fs::create_hard_link(pipe, other);
  std::atomic<int> swaps = 0;
  std::thread swapper([&] {
    while (!stop) {
      ::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE);
      ++swaps;
    }
  });
  while (swaps == 0) std::this_thread::yield();
  for (int i = 0; i < 50000; ++i) (void)ReadRegularFile(name, 64);
  stop = true;
  swapper.join();
  ::close(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK));  // lets a waiting writer return
  writer.join();
  EXPECT_EQ(pipe_opened, 0);
}

// A signal that ends the program while it writes: the new file goes with it.
TEST(ReplaceFileSafely, ASignalThatEndsTheProgramRemovesTheNewFile) {
  for (const int signal_number : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    ScratchDir folder;
    const fs::path target = folder / "metrics.prom";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemoveNewFilesOnSignals();
      // Writes until the signal comes.
      const std::string bytes(64 << 20, 'x');
      for (;;) (void)ReplaceFileSafely(target, bytes);
    }
    // Once a new file is there, the signal comes while it is being written or flushed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (folder.Names().empty() || folder.Names().front() == "metrics.prom") {
      if (std::chrono::steady_clock::now() > deadline) break;
    }
    ::kill(child, signal_number);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    for (const std::string& name : folder.Names()) EXPECT_EQ(name, "metrics.prom");
  }
}

#endif

// A writer killed before its rename leaves its temporary file: the next write in the folder
// removes it once it is old, and leaves a writer's at work and any other file alone.
TEST(ReplaceFileSafely, SweepsAKilledWritersOldTemporaryFiles) {
  ScratchDir folder;
  const std::string stale = TemporaryFileName(1), fresh = TemporaryFileName(2);
  for (const std::string& name : {stale, fresh, std::string(".kstnot-ours")})
    std::ofstream(folder / name) << "x";
  fs::last_write_time(folder / stale, fs::file_time_type::clock::now() -
                                          std::chrono::seconds(kStaleTemporarySeconds + 60));
  EXPECT_FALSE(ReplaceFileSafely(folder / "metrics.prom", std::string("m")));
  EXPECT_FALSE(fs::exists(folder / stale));
  EXPECT_TRUE(fs::exists(folder / fresh));
  EXPECT_TRUE(fs::exists(folder / ".kstnot-ours"));
}

}  // namespace
}  // namespace kestrine
