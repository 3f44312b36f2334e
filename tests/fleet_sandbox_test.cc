// The metrics service under its unit's file-system restrictions, reproduced in a mount namespace
// (the unit's ProtectSystem=strict makes /var/lib read-only but for its StateDirectory): with the
// history's folder writable, two runs keep their readings and tell the counter's rise to the
// system log; with it read-only, every run still reads its drives and says so in the system log,
// once a run.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "cli_run.h"
#include "cli_support.h"
#include "demo_drives.h"
#include "drive_image_builder.h"
#include "history_store.h"
#include "scratch_dir.h"
#include "sim_bay.h"
#include "tell.h"

namespace kestrine {
namespace {

class LinesLog : public SystemLog {
 public:
  explicit LinesLog(std::vector<std::string>& lines) : lines_(lines) {}
  void Write(Severity, std::string_view line) override { lines_.emplace_back(line); }

 private:
  std::vector<std::string>& lines_;
};

// One run of the unit's command over the bay's healthy disk; what reached the system log.
std::vector<std::string> RunUnit(SimBay& bay, const std::filesystem::path& lib) {
  std::vector<std::string> lines;
  CliEnvironment environment;
  environment.make_port = [&bay]() -> std::unique_ptr<DevicePort> {
    return std::make_unique<testing::BorrowedPort>(bay);
  };
  environment.open_system_log = [&lines] { return std::make_unique<LinesLog>(lines); };
  environment.history_location = [lib] {
    return HistoryLocation{lib / "kestrine" / "history.db", true};
  };
  std::ostringstream out, err;
  CliMain({"--metrics", (lib / "prometheus" / "kestrine.prom").string(), "--drive",
           std::to_string(kDemoHealthyDisk), "--drive", std::to_string(kDemoPendingSectors)},
          environment, out, err);
  return lines;
}

bool Has(const std::vector<std::string>& lines, std::string_view text) {
  return std::ranges::count_if(lines, [text](const std::string& line) {
           return line.find(text) != std::string::npos;
         }) == 1;
}

// The child's checks, as its exit status: 0 when all held.
int CheckInNamespace(const std::filesystem::path& lib) {
  if (::unshare(CLONE_NEWNS) != 0 ||
      ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", lib.c_str(), "tmpfs", 0, "mode=0755") != 0)
    return 80;
  std::filesystem::create_directories(lib / "kestrine");
  std::filesystem::create_directories(lib / "prometheus");
  // ReadWritePaths and StateDirectory: mounts of their own, which stay writable.
  for (const char* folder : {"kestrine", "prometheus"}) {
    const std::string path = (lib / folder).string();
    if (::mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) != 0) return 81;
  }
  if (::mount(nullptr, lib.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    return 82;
  SimBay bay;
  AddDemoDrives(bay);
  for (const std::string& line : RunUnit(bay, lib)) {
    if (line.find("history") != std::string::npos) return 83;
  }
  SetAttributeRaw(bay.FindDrive(kDemoHealthyDisk)->image, 197, 8);
  const std::vector<std::string> rose = RunUnit(bay, lib);
  if (!Has(rose, "Current Pending Sector Count rose from 0 to 8")) return 84;
  std::vector<DriveOverview> drives;
  if (HistoryStore(lib / "kestrine" / "history.db", true).ReadSummaries({}, drives) ||
      drives.size() != 2 || drives[0].summary.readings != 2)
    return 85;
  // Without the StateDirectory: the history's folder read-only too.
  const std::string state = (lib / "kestrine").string();
  if (::mount(nullptr, state.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    return 86;
  for (int run = 0; run < 2; ++run) {
    const std::vector<std::string> told = RunUnit(bay, lib);
    if (told.size() != 1 || !Has(told, "cannot be written; readings are not kept")) {
      for (const std::string& line : told) std::fprintf(stderr, "%s\n", line.c_str());
      return 87;
    }
  }
  return 0;
}

TEST(FleetSandbox, KeepsTheHistoryAndTellsTheSystemLogUnderTheUnitsRestrictions) {
  if (::geteuid() != 0) GTEST_SKIP() << "a mount namespace needs root";
  testing::ScratchDir dir;
  std::filesystem::create_directories(dir / "lib");
  const pid_t child = ::fork();
  if (child == 0) ::_exit(CheckInNamespace(dir / "lib"));
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  if (WEXITSTATUS(status) == 80) GTEST_SKIP() << "no mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kestrine
