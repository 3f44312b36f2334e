// The configuration file: what is read from it, and how each problem is named.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "config.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using testing::SourceDir;

// The commented example of docs/configuration.md reads without a problem, as it says.
TEST(ConfigFile, TheDocumentedExampleReadsWithoutAProblem) {
  std::ifstream doc(SourceDir() / "docs" / "configuration.md");
  std::stringstream whole;
  whole << doc.rdbuf();
  const std::string text = whole.str();
  const std::size_t start = text.find("```toml\n");
  ASSERT_NE(start, std::string::npos);
  const std::string example = text.substr(start + 8, text.find("```\n", start + 8) - start - 8);
  const ParsedConfig parsed = ParseConfig(example);
  EXPECT_EQ(parsed.problems, std::vector<ConfigProblem>{});
  EXPECT_EQ(DescribeConfig(parsed.config),
            (std::vector<std::string>{
                "line 3: webhook https://ntfy.example.org/disks (ntfy), timeout 10 s",
                "line 8: exec \"/usr/local/bin/disk-alert\" \"--urgent\", timeout 30 s",
                "line 15: email smtps://mail.example.org from disks@example.org to "
                "admin@example.org, timeout 10 s"}));
}

// Each problem is named with its line; the faulty channel is left out, a sound one kept.
TEST(ConfigFile, EachProblemIsNamedWithItsLine) {
  const std::string sound = "[[notify]]\nkind = \"webhook\"\nurl = \"https://a.example\"\n";
  const struct {
    std::string text;
    int line;
    std::string problem;   // a part of the problem's text
    std::size_t kept = 1;  // channels kept
  } cases[] = {
      // A comment may hold any text toml++ reads right.
      {"colour = 1  # \xE3\x83\x87\xE3\x82\xA3\xE3\x82\xB9\xE3\x82\xAF\n" + sound, 1,
       "unknown key \"colour\""},
      {sound + "secret = 1\n", 4, "unknown key \"secret\" in a channel of kind \"webhook\"", 0},
      {sound + "[[notify]]\nkind = \"pager\"\n", 5, "kind: give \"webhook\", \"exec\" or"},
      {sound + "[[notify]]\nkind = \"exec\"\n", 4, "of kind \"exec\" needs command"},
      {sound + "[[notify]]\nkind = \"webhook\"\nurl = \"http://alerts.example.org/x\"\n", 6,
       "plain http:// goes only to a server on this machine or the local network"},
      {sound + "[[notify]]\nkind = \"exec\"\ncommand = \"/bin/alert --urgent\"\n", 6,
       "command: give a list of texts"},
      {sound + "[[notify]]\nkind = \"exec\"\ncommand = [\"C:\\\\alert.exe\"]\n[[notify]]\n"
               "kind = \"exec\"\ncommand = [\"alert\"]\n",
       9, "the program's absolute path first", 2},
      {sound + "format = \"teams\"\n", 4, "format: give \"json\"", 0},
      {sound + "timeout_seconds = 0\n", 4, "timeout_seconds: give a whole number", 0},
      {sound + "[[notify]]\nkind = \"email\"\nurl = \"smtps://m.example\"\nfrom = \"a@b.example\"\n"
               "to = \"x@y.example\\r\\nBcc: z@w.example\"\n",
       8, "to: give a mail address alone"},
      {"notify = \"x\"\n", 1, "write each channel as a [[notify]] table", 0},
      // Not TOML: the defaults.
      {sound + "[[notify]\n", 4, "", 0},
      {sound + "kind = \"\xFF\"\n", 4, "", 0},
      {sound + "# Pr\xC3\xBC"
               "fung\n",
       4, "the character U+00FC is not taken here; in a", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedConfig parsed = ParseConfig(c.text);
    ASSERT_EQ(parsed.problems.size(), 1u);
    EXPECT_EQ(parsed.problems[0].line, c.line);
    EXPECT_NE(parsed.problems[0].text.find(c.problem), std::string::npos)
        << parsed.problems[0].text;
    EXPECT_EQ(parsed.config.channels.size(), c.kept);
  }
}

// Plain http:// is taken only for this machine and the local network, whatever the URL's form.
TEST(ConfigFile, PlainHttpGoesOnlyToALocalServer) {
  const struct {
    const char* url;
    bool taken;
  } cases[] = {
      {"http://127.0.0.1:8080/x", true}, {"http://192.168.1.20/x", true},
      {"http://user@[::1]:80/x", true},  {"http://nas.lan/disks", true},
      {"http://NAS/disks", true},        {"http://172.31.0.1/x", true},
      {"http://172.32.0.1/x", false},    {"http://fcbank.example/x", false},
      {"http://8.8.8.8/x", false},       {"http://127.0.0.1.example.org/x", false},
      {"http://[2001:db8::1]/x", false}, {"https://alerts.example.org/x", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const ParsedConfig parsed =
        ParseConfig(std::string("[[notify]]\nkind = \"webhook\"\nurl = \"") + c.url + "\"\n");
    EXPECT_EQ(parsed.config.channels.size(), c.taken ? 1u : 0u);
  }
}

}  // namespace
}  // namespace kestrine
