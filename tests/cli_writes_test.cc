// What kestrine-cli writes, run as root: --save and --html refuse special files and replace a
// link rather than write through it, empty names and unwritable output are errors, and messages
// show no control character of a file's name and no byte of a refused file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli_support.h"
#include "demo_drives.h"
#include "sim_bay.h"
#include "special_files.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using testing::CliResult;
using testing::RunCliWith;
using testing::ScratchDir;

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

// A stream whose every write fails, as standard output on a full disk.
class FullDisk : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(CliWrites, EmptyNamesAreRefusedBeforeAnyDriveIsRead) {
  SimBay bay;
  AddDemoDrives(bay);
  const std::vector<std::vector<std::string>> cases = {
      {"--drive", "0", "--html", "Attributes", ""},
      {"--drive", "0", "--save", ""},
  };
  for (const auto& arguments : cases) {
    const CliResult result = RunCliWith(arguments, &bay);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("file name is empty"), std::string::npos) << result.err;
  }
}

TEST(CliWrites, OutputThatCannotBeWrittenIsAnError) {
  SimBay bay;
  AddDemoDrives(bay);
  for (const bool json : {true, false}) {
    CliEnvironment environment;
    environment.make_port = [&bay]() -> std::unique_ptr<DevicePort> {
      return std::make_unique<testing::BorrowedPort>(bay);
    };
    FullDisk full;
    std::ostream out(&full);
    std::ostringstream err;
    std::vector<std::string> arguments = {"--drive", std::to_string(kDemoHealthyDisk)};
    if (json) arguments.push_back("--json");
    EXPECT_EQ(CliMain(arguments, environment, out, err), 3);
    EXPECT_NE(err.str().find("standard output cannot be written"), std::string::npos);
  }
}

TEST(CliWrites, MessagesNeitherQuoteARefusedFileNorShowControlCharacters) {
  ScratchDir dir;
  const std::filesystem::path secret = dir / "secret";
  std::ofstream(secret, std::ios::binary) << "root:x:0:0:root:/root:/bin/bash\n";
  const CliResult refused = RunCliWith({"--load", secret.string()});
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.err.find("root:"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.err.find("x:0"), std::string::npos) << refused.err;

  SimBay bay;
  AddDemoDrives(bay);
  const std::string odd = (dir / "no\x1B]0;title\x07" / "d.blob").string();
  const CliResult result =
      RunCliWith({"--drive", std::to_string(kDemoHealthyDisk), "--save", odd}, &bay);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err.find_first_of("\x1B\x07"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("no\\x1B]0;title\\x07"), std::string::npos) << result.err;
}

// --metrics FILE holds what standard output would, and a run that reads no drive leaves the last
// complete file as it was.
TEST(CliWrites, AMetricsFileIsWrittenWholeOrLeftAsItWas) {
  ScratchDir dir;
  const std::string healthy =
      (testing::SourceDir() / "tests" / "data" / "metrics" / "healthy-disk.blob").string();
  const std::string prom = (dir / "kestrine.prom").string();
  const CliResult to_output = RunCliWith({"--metrics", "-", "--load", healthy});
  const CliResult to_file = RunCliWith({"--metrics", prom, "--load", healthy});
  EXPECT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, "");
  EXPECT_NE(to_output.out.find("kestrine_drive_condition"), std::string::npos);
  // Timings differ from run to run; the rest is the same.
  const auto without_timings = [](const std::string& text) {
    std::istringstream lines(text);
    std::string kept;
    for (std::string line; std::getline(lines, line);)
      if (line.find("seconds") == std::string::npos) kept += line + "\n";
    return kept;
  };
  EXPECT_EQ(without_timings(ReadText(prom)), without_timings(to_output.out));

  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--metrics", prom},
        std::vector<std::string>{"--metrics", prom, "--load", (dir / "none.blob").string()}}) {
    std::ofstream(prom, std::ios::binary | std::ios::trunc) << "last complete\n";
    const CliResult result = RunCliWith(arguments);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(ReadText(prom), "last complete\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"kestrine.prom"});
  }
}

// A file written that is another file written or loaded, under any name, is refused before any
// drive is read, and every file stays as it was.
TEST(CliWrites, NoFileWrittenIsAnotherFileWrittenOrLoaded) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "sub");
  const std::string snapshot = (dir / "drive.blob").string();
  const std::string healthy =
      (testing::SourceDir() / "tests" / "data" / "metrics" / "healthy-disk.blob").string();
  std::filesystem::copy_file(healthy, snapshot);
  std::filesystem::create_hard_link(snapshot, dir / "also.blob");
  const std::string sheet = (dir / "style.css").string();
  const std::string same_snapshot = (dir / "sub" / ".." / "drive.blob").string();
  const std::vector<std::vector<std::string>> cases = {
      {"--load", snapshot, "--html", "General", sheet},
      {"--load", snapshot, "--save", same_snapshot},
      {"--load", snapshot, "--metrics", (dir / "also.blob").string()},
      {"--load", snapshot, "--save", sheet, "--html", "General", (dir / "r.html").string()},
      {"--load", snapshot, "--save", (dir / "r.out").string(), "--html", "Identify",
       (dir / "r.out").string()},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments[3] + " " + arguments.back());
    const CliResult result =
        RunCliWith(arguments, nullptr, (testing::SourceDir() / "res").string());
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("nothing is read or written"), std::string::npos) << result.err;
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"also.blob", "drive.blob", "sub"}));
    EXPECT_EQ(ReadText(snapshot), ReadText(healthy));
  }
}

#ifndef _WIN32
TEST(CliWrites, SaveAndHtmlRefuseSpecialFilesAndReplaceALink) {
  using testing::Fingerprint;
  using testing::LinkedFileOf;
  using testing::SpecialKind;
  SimBay bay;
  AddDemoDrives(bay);
  const std::string drive = std::to_string(kDemoHealthyDisk);
  for (const testing::SpecialCase& c : testing::SpecialCases()) {
    for (const bool html : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (html ? " for --html" : " for --save"));
      ScratchDir dir;
      const std::filesystem::path target = dir / "target";
      if (!testing::MakeSpecial(c.kind, target)) continue;  // a device node needs root
      const std::string before = Fingerprint(target);
      const std::string linked_before = Fingerprint(LinkedFileOf(target));
      std::vector<std::string> arguments = {"--drive", drive};
      if (html) {
        arguments.insert(arguments.end(), {"--html", "Attributes", target.string()});
      } else {
        arguments.insert(arguments.end(), {"--save", target.string()});
      }
      const CliResult result = RunCliWith(arguments, &bay);
      if (c.kind == SpecialKind::kLinkToFile) {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_FALSE(std::filesystem::is_symlink(target));
        EXPECT_EQ(Fingerprint(LinkedFileOf(target)), linked_before);
        EXPECT_EQ(ReadText(LinkedFileOf(target)), testing::kLinkedFileText);
        if (!html) {
          EXPECT_TRUE(ReadSnapshotFile(target));
        }
      } else {
        EXPECT_EQ(result.status, 3);
        EXPECT_NE(result.err.find(target.string()), std::string::npos) << result.err;
        EXPECT_EQ(Fingerprint(target), before);
      }
    }
  }
}
#endif

}  // namespace
}  // namespace kestrine
