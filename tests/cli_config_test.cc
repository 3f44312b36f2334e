// kestrine-cli --check-config: a file anyone but root could change is refused, and what was read
// or refused decides the exit status.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "cli_support.h"

namespace kestrine {
namespace {

using testing::RunCliWith;
using testing::ScratchDir;

TEST(CliConfig, ARefusedOrFaultyFileExitsThreeAndSaysWhy) {
  const std::string sound = "[[notify]]\nkind = \"webhook\"\nurl = \"https://a.example\"\n";
  const struct {
    const char* what;
    std::string text;
    void (*prepare)(const std::filesystem::path& file);
    int status;
    std::string out;
    std::string err;  // a part of standard error; empty: nothing there
  } cases[] = {
      {"sound", sound, [](const auto&) {}, kExitOk,
       "1 notification channel\n  line 1: webhook https://a.example (json), timeout 10 s\n", ""},
      {"writable by everyone", sound, [](const auto& f) { ::chmod(f.c_str(), 0666); }, kExitError,
       "Read nothing from", " is refused: it is writable by everyone; the defaults"},
      {"writable by a group", sound,
       [](const auto& f) {
         ::chmod(f.c_str(), 0664);
         if (::chown(f.c_str(), ::geteuid(), 100) != 0) ADD_FAILURE() << "no chown";
       },
       kExitError, "Read nothing from", " is refused: it is writable by a group"},
      {"a link", sound,
       [](const auto& f) {
         std::filesystem::rename(f, f.string() + ".real");
         std::filesystem::create_symlink(f.string() + ".real", f);
       },
       kExitError, "Read nothing from", " is refused: it is a link"},
      {"not there", sound, [](const auto& f) { std::filesystem::remove(f); }, kExitError,
       "Read nothing from", "No such file or directory; the defaults are used"},
      {"a bad value", sound + "format = \"teams\"\n", [](const auto&) {}, kExitError,
       "0 notification channels (the faulty parts left out)", "kestrine.toml: line 4: format:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::filesystem::path file = dir / "kestrine.toml";
    std::ofstream(file) << c.text;
    ::chmod(file.c_str(), 0644);
    c.prepare(file);
    const testing::CliResult result = RunCliWith({"--check-config", "--config", file.string()});
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
  }
}

// Root trusts no file another user owns: that user could make the exec channel run anything.
TEST(CliConfig, AsRootAFileOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "not root";
  ScratchDir dir;
  const std::filesystem::path file = dir / "kestrine.toml";
  std::ofstream(file) << "";
  ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
  const testing::CliResult result = RunCliWith({"--check-config", "--config", file.string()});
  EXPECT_EQ(result.status, kExitError);
  EXPECT_NE(result.err.find("is refused: it belongs to another user"), std::string::npos)
      << result.err;
}

}  // namespace
}  // namespace kestrine
