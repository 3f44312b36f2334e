// The built kestrine-cli as a process: its exit status and output, and snapshot files that
// libatasmart's skdump reads.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_support.h"
#include "demo_drives.h"
#include "test_paths.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#endif

namespace kestrine {
namespace {

using testing::CapturedBlob;
using testing::ScratchDir;

// The program is started through a POSIX shell; a Windows build has no such tests.
#ifndef _WIN32

struct ProcessResult {
  int status = -1;
  std::string out;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a shell command line; standard error is left to the test's own.
ProcessResult RunShell(const std::string& command) {
  ProcessResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Program() {
  return Quoted(KESTRINE_CLI_PROGRAM);
}

bool HaveSkdump() {
  return RunShell("command -v skdump >/dev/null 2>&1").status == 0;
}

TEST(CliProgram, RunsAsAProcessWithItsExitStatus) {
  KESTRINE_REQUIRE_CAPTURED();
  const ProcessResult help = RunShell(Program() + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Exit status"), std::string::npos);

  const ProcessResult critical =
      RunShell(Program() + " --json --load " + Quoted(CapturedBlob("Maxtor_96147H8--BAC51KJ0--2")));
  EXPECT_EQ(critical.status, 2);
  EXPECT_EQ(nlohmann::json::parse(critical.out)["drives"][0]["condition"], "CRITICAL");

  ScratchDir dir;
  const ProcessResult refused =
      RunShell(Program() + " --load " + Quoted((dir / "none.blob").string()) + " 2>/dev/null");
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.out, "");
}

// A reader that has gone before the program writes: an output error like any other, told, with
// status 3, not an end by SIGPIPE.
TEST(CliProgram, AReaderThatHasGoneIsAnOutputError) {
  ScratchDir dir;
  const std::string err_file = (dir / "err").string();
  const std::string healthy =
      (testing::SourceDir() / "tests" / "data" / "metrics" / "healthy-disk.blob").string();
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    ::dup2(ends[1], 1);
    ::dup2(::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    ::execl(KESTRINE_CLI_PROGRAM, "kestrine-cli", "--load", healthy.c_str(), nullptr);
    ::_exit(127);
  }
  ::close(ends[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 3);
  std::ifstream err(err_file);
  const std::string said((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
  EXPECT_NE(said.find("standard output cannot be written"), std::string::npos) << said;
}

// The window program answers --help and --version without a window, so without a display too.
TEST(WindowProgram, AnswersHelpAndVersionWithoutOpeningAWindow) {
  for (const std::string option : {"--help", "--version"}) {
    const ProcessResult answer =
        RunShell("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " +
                 Quoted(KESTRINE_DEMO_PROGRAM) + " " + option + " 2>/dev/null");
    EXPECT_EQ(answer.status, 0) << option;
    EXPECT_EQ(answer.out.rfind(option == "--help" ? "Usage: kestrine-demo " : "kestrine-demo ", 0),
              0u)
        << answer.out;
  }
}

// What skdump says of a file: its model line, or nothing when it refuses the file.
std::string SkdumpModel(const std::string& file) {
  const ProcessResult result = RunShell("skdump --load=" + Quoted(file) + " 2>/dev/null");
  if (result.status != 0) return {};
  const std::size_t at = result.out.find("Model: [");
  return at == std::string::npos ? std::string()
                                 : result.out.substr(at, result.out.find('\n', at) - at);
}

TEST(CliProgram, SkdumpReadsOurSnapshots) {
  if (!HaveSkdump()) GTEST_SKIP() << "skdump (libatasmart-bin) is not installed";
  KESTRINE_REQUIRE_CAPTURED();
  ScratchDir dir;
  // Saved from one of skdump's own files: the same model line, our SLOG skipped.
  const std::string from_capture = (dir / "capture.blob").string();
  const std::string original = CapturedBlob("TOSHIBA_MK1651GSY--38IGT0G5T");
  EXPECT_EQ(RunShell(Program() + " --load " + Quoted(original) + " --save " + Quoted(from_capture) +
                     " >/dev/null 2>&1")
                .status,
            1);
  EXPECT_EQ(SkdumpModel(from_capture), SkdumpModel(original));
  EXPECT_NE(SkdumpModel(original), "");

  // Saved from a simulated demo drive with a self-test log.
  SimBay bay;
  AddDemoDrives(bay);
  const std::string from_demo = (dir / "demo.blob").string();
  ASSERT_EQ(testing::RunCliWith({"--drive", "0", "--save", from_demo}, &bay).status, 0);
  ASSERT_TRUE(ReadSnapshotFile(from_demo)->self_test_log.has_value());
  EXPECT_EQ(SkdumpModel(from_demo), "Model: [KESTREL HD2000S]");
}

#endif  // _WIN32

}  // namespace
}  // namespace kestrine
