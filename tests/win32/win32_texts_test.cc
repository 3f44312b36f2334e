// The Windows front end's text shaping: the save dialog's filter and default extension, and the
// tray icon's hint in its fixed buffer.
#include <gtest/gtest.h>

#include <string>

#include "report_texts.h"
#include "win32_texts.h"

namespace kestrine {
namespace {

using namespace std::string_literals;

TEST(DialogFilter, PairsBecomeNulSeparatedWithADoubleNulAtTheEnd) {
  const struct {
    std::string filter;
    std::string expected;
  } cases[] = {
      {texts::kSaveHtmlFilter, "HTML files (*.html)\0*.HTML\0HTM files (*.htm)\0*.HTM\0\0"s},
      {"All files|*.*", "All files\0*.*\0\0"s},
      // Several patterns of one entry stay together, as the dialog reads them.
      {"Pages|*.html;*.htm", "Pages\0*.html;*.htm\0\0"s},
      // A name without its pattern is dropped rather than read as a pattern.
      {"HTML files|*.html|Orphan", "HTML files\0*.html\0\0"s},
      {"", ""},
      {"Orphan", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DialogFilter(c.filter), c.expected) << c.filter;
}

TEST(DialogDefaultExtension, WildcardAndDotAreTakenOff) {
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {texts::kSaveHtmlExtension, "html"},
      {".htm", "htm"},
      {"html", "html"},
      {"*.*", ""},
      {"*", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DialogDefaultExtension(c.pattern), c.expected) << c.pattern;
}

TEST(FitTipText, CutToTheBufferWithoutHalfALineBreak) {
  constexpr std::size_t kBuffer = 16;  // 15 characters and the NUL
  EXPECT_EQ(FitTipText("drive\r\nOK", kBuffer), "drive\r\nOK");
  EXPECT_EQ(FitTipText(std::string(15, 'a'), kBuffer), std::string(15, 'a'));
  EXPECT_EQ(FitTipText(std::string(40, 'a'), kBuffer), std::string(15, 'a'));
  // The cut would fall between CR and LF: the CR goes too.
  EXPECT_EQ(FitTipText(std::string(14, 'a') + "\r\nnext", kBuffer), std::string(14, 'a'));
  // Bytes beyond ASCII (the degree sign) stay as they are.
  EXPECT_EQ(FitTipText("35\xB0", kBuffer), "35\xB0");
  // A NUL would end the shell's text there.
  EXPECT_EQ(FitTipText("ab\0cd"s, kBuffer), "ab");
  EXPECT_EQ(FitTipText("abc", 0), "");
  EXPECT_EQ(FitTipText("abc", 1), "");
}

}  // namespace
}  // namespace kestrine
