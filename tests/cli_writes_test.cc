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

namespace kestrine {
namespace {

using testing::CliResult;
using testing::RunCliWith;
using testing::ScratchDir;

[[maybe_unused]] std::string ReadText(const std::filesystem::path& file) {
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
          EXPECT_NO_THROW(ReadSnapshotFile(target));
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
