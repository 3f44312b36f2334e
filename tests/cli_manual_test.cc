// The manual page is kestrine-cli's one full reference: it describes every option the parser
// knows, and no option the parser does not know.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli_options.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using Names = std::set<std::string>;

// The long options and the short ones (-h) named in `text`.
void AddOptions(const std::string& text, Names& names) {
  static const std::regex option(R"((?:^|[ ,"])(--?[a-z0-9][a-z0-9-]*))");
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
    names.insert((*it)[1].str());
}

// The options as the parser itself lists them in --help: one line each, indented by two blanks,
// the option's names first (`  -h,--help`, `  --drive N|PATH ...`).
Names ParserOptions() {
  std::ostringstream out;
  std::ostringstream err;
  ParseArguments({"--help"}, out, err);
  Names names;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) == 0) AddOptions(line.substr(0, line.find(' ', 2)), names);
  }
  return names;
}

// The options the manual page describes: the tag line after each .TP of its OPTIONS section
// (`.BI \-\-drive " N|PATH"`).
Names ManualOptions() {
  std::ifstream page(testing::SourceDir() / "packaging" / "linux" / "kestrine-cli.1.in");
  Names names;
  bool in_options = false;
  bool tag_line = false;
  for (std::string line; std::getline(page, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(".SH", 0) == 0) in_options = line == ".SH OPTIONS";
    if (in_options && tag_line)
      AddOptions(std::regex_replace(line, std::regex(R"(\\-)"), "-"), names);
    tag_line = in_options && line == ".TP";
  }
  return names;
}

TEST(CliManual, DescribesEveryOptionOfTheParserAndNoOther) {
  const Names parser = ParserOptions();
  ASSERT_TRUE(parser.contains("--drive")) << "--help lists no options";
  const Names manual = ManualOptions();
  ASSERT_TRUE(manual.contains("--drive")) << "the manual page lists no options";
  for (const std::string& name : parser)
    EXPECT_TRUE(manual.contains(name)) << name << " is missing from kestrine-cli.1.in";
  for (const std::string& name : manual)
    EXPECT_TRUE(parser.contains(name))
        << name << " in kestrine-cli.1.in is no option of the program";
}

}  // namespace
}  // namespace kestrine
