// The HTML report of a list view: its exact bytes, the cell and colour rules, and saving it with
// the style sheet beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_number.h"
#include "errors.h"
#include "fake_toolkit.h"
#include "list_view_report.h"
#include "memory_list_view.h"
#include "scratch_dir.h"
#include "special_files.h"
#include "test_paths.h"

namespace kestrine {
namespace {

namespace fs = std::filesystem;
using testing::FakeApplication;
using testing::FormFixture;
using testing::SourceDir;

constexpr Rgb kLightRed{255, 128, 128};
constexpr Rgb kLightGreen{128, 255, 128};

// The lines every report starts and ends with.
constexpr char kHead[] =
    "<html>\r\n"
    "<body>\r\n"
    "<head>\r\n"
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\" />\r\n"
    "</head>\r\n"
    "<table>\r\n";
constexpr char kFoot[] =
    "</table>\r\n"
    "<hr/>\r\n"
    "<br/>\r\n"
    "<b>Report created by Halloran</b>\r\n"
    "<br/>\r\n"
    "<a href=\"https://kestrine.example.org/\">Web Site</a>\r\n"
    "<br/>\r\n"
    "<a href=\"mailto:kestrine@example.org\">Email</a>\r\n"
    "</body>\r\n"
    "</html>\r\n";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

using testing::ScratchDir;

TEST(HtmlReport, EmptyListViewHasTheHeaderRowOnly) {
  const MemoryListView list(kIdentifyColumns);
  EXPECT_EQ(BuildHtmlReport(list), std::string(kHead) +
                                       "<tr>\r\n"
                                       "<td class=\"sub\">Item</td>\r\n"
                                       "<td class=\"sub\">Value</td>\r\n"
                                       "</tr>\r\n" +
                                       kFoot);
}

TEST(HtmlReport, RowsCarryTrimmedEscapedCellsAndTheirClass) {
  MemoryListView list({"Item", "A<B", "Note"});
  list.AddRow({"  Model ", "\tWDC  WD10\r\n", "x"});
  list.AddRow({"Bad", "a < b & c", "\"q\" > 'p'"});
  list.AddRow({"Good", "Caf\xE9", ""});
  list.AddRow({"Warn", "only two"});
  list.AddRow({"Fail", "<5>", " 0 "});
  list.SetCustomDraw([](int row) -> std::optional<Rgb> {
    switch (row) {
      case 1:
        return kLightRed;
      case 2:
        return kLightGreen;
      case 3:
        return kOrange;
      case 4:
        return kRed;
      default:
        return std::nullopt;
    }
  });
  EXPECT_EQ(BuildHtmlReport(list), std::string(kHead) +
                                       "<tr>\r\n"
                                       "<td class=\"sub\">Item</td>\r\n"
                                       "<td class=\"sub\">A&lt;B</td>\r\n"
                                       "<td class=\"sub\">Note</td>\r\n"
                                       "</tr>\r\n"
                                       "<tr>\r\n"
                                       "<td class=\"default\">Model</td>\r\n"
                                       "<td class=\"default\">WDC  WD10</td>\r\n"
                                       "<td class=\"default\">x</td>\r\n"
                                       "</tr>\r\n"
                                       "<tr>\r\n"
                                       "<td class=\"default-RED\">Bad</td>\r\n"
                                       "<td class=\"default-RED\">a &lt; b &amp; c</td>\r\n"
                                       "<td class=\"default-RED\">&quot;q&quot; &gt; &#39;p&#39;</td>\r\n"
                                       "</tr>\r\n"
                                       "<tr>\r\n"
                                       "<td class=\"default-GREEN\">Good</td>\r\n"
                                       "<td class=\"default-GREEN\">Caf\xE9</td>\r\n"
                                       "<td class=\"default-GREEN\"></td>\r\n"
                                       "</tr>\r\n"
                                       "<tr>\r\n"
                                       "<td class=\"default-ORANGE\">Warn</td>\r\n"
                                       "<td class=\"default-ORANGE\">only two</td>\r\n"
                                       "<td class=\"default-ORANGE\"></td>\r\n"
                                       "</tr>\r\n"
                                       "<tr>\r\n"
                                       "<td class=\"default-RED\">Fail</td>\r\n"
                                       "<td class=\"default-RED\">&lt;5&gt;</td>\r\n"
                                       "<td class=\"default-RED\">0</td>\r\n"
                                       "</tr>\r\n" +
                                       kFoot);
}

TEST(HtmlReport, DataRowsFollowTheHeaderColumnCount) {
  // A header without columns still writes each item's own text; cells beyond the header are left
  // out.
  MemoryListView no_columns;
  no_columns.AddRow({"only", "hidden"});
  EXPECT_EQ(GetListViewColumnCount(no_columns), 0);
  EXPECT_EQ(BuildHtmlReport(no_columns), std::string(kHead) +
                                             "<tr>\r\n</tr>\r\n"
                                             "<tr>\r\n"
                                             "<td class=\"default\">only</td>\r\n"
                                             "</tr>\r\n" +
                                             kFoot);

  MemoryListView one_column({"Item"});
  one_column.AddRow({"a", "b", "c"});
  EXPECT_EQ(GetListViewColumnCount(one_column), 1);
  EXPECT_EQ(BuildHtmlReport(one_column), std::string(kHead) +
                                             "<tr>\r\n<td class=\"sub\">Item</td>\r\n</tr>\r\n"
                                             "<tr>\r\n"
                                             "<td class=\"default\">a</td>\r\n"
                                             "</tr>\r\n" +
                                             kFoot);
}

TEST(HtmlReport, CellTextIsCutToTheBufferThenTrimmed) {
  const std::string long_text = std::string(1023, 'x') + "yz";
  const std::string cut_into_space = " " + std::string(1021, 'x') + " " + "tail";
  struct Case {
    std::string cell;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"plain", "plain"},
      {"  both ends  ", "both ends"},
      {"inner  spaces\tkept", "inner  spaces\tkept"},
      {std::string("\0\x01\x1F lead", 8), "lead"},
      {"trail\x7F\r\n\x20", "trail"},
      {std::string("\0", 1), ""},
      {" \t \r\n ", ""},
      // Only 0x00-0x20 and 0x7F are trimmed: Latin-1 no-break space and 0x80-0xFF stand.
      {"\xA0text\xA0", "\xA0text\xA0"},
      {"\x80\xFF", "\x80\xFF"},
      {"~text~", "~text~"},
      {long_text, std::string(1023, 'x')},
      // The cut comes first: the space that becomes last is trimmed too.
      {cut_into_space, std::string(1021, 'x')},
  };
  for (const Case& c : cases) {
    MemoryListView list({"Item"});
    list.AddRow({c.cell});
    EXPECT_EQ(GetListViewCellText(list, 0, 0), c.expected) << "cell '" << c.cell << "'";
  }
  MemoryListView list({"Item", "Value"});
  list.AddRow({"only"});
  EXPECT_EQ(GetListViewCellText(list, 0, 1), "");  // a sub-item the row does not have
  EXPECT_EQ(GetListViewCellText(list, 5, 0), "");  // a row the list does not have
}

TEST(HtmlReport, RowColourIsTheRowsBackgroundInBlueGreenRedOrder) {
  struct Case {
    std::optional<Rgb> background;
    std::string colour;
    std::string css_class;
  };
  const std::vector<Case> cases = {
      {std::nullopt, "FFFFFF", "default"},
      {kWindowBackground, "FFFFFF", "default"},
      {kLightRed, "8080FF", "default-RED"},
      {kLightGreen, "80FF80", "default-GREEN"},
      {kOrange, "0080FF", "default-ORANGE"},  // the Attributes view's warning colours
      {kRed, "0000FF", "default-RED"},
      {kGreen, "00FF00", "default"},
      {Rgb{0x01, 0x02, 0x0A}, "0A0201", "default"},
      {Rgb{0, 0, 0}, "000000", "default"},
      {Rgb{255, 128, 129}, "8180FF", "default"},
  };
  for (const Case& c : cases) {
    MemoryListView list({"Item"});
    list.AddRow({"row"});
    list.SetCustomDraw([&c](int) { return c.background; });
    EXPECT_EQ(GetListViewRowColour(list, 0), c.colour);
    EXPECT_EQ(RowClass(GetListViewRowColour(list, 0)), c.css_class) << c.colour;
  }
  // A row the list does not hold has the normal background.
  MemoryListView list({"Item"});
  list.SetCustomDraw([](int) { return kLightRed; });
  EXPECT_EQ(GetListViewRowColour(list, 0), "FFFFFF");
  EXPECT_EQ(GetListViewRowColour(list, -1), "FFFFFF");
  // The class table compares the text exactly.
  EXPECT_EQ(RowClass("8080ff"), "default");
  EXPECT_EQ(RowClass("80ff80"), "default");
  EXPECT_EQ(RowClass("8080FF "), "default");
  EXPECT_EQ(RowClass("08080FF"), "default");
  EXPECT_EQ(RowClass("0080ff"), "default");
  EXPECT_EQ(RowClass("0000FF00"), "default");
}

TEST(HtmlReport, EscapingLeavesNoMarkupForAnyByte) {
  std::string every_byte;
  for (int byte = 0; byte < 256; ++byte) every_byte += static_cast<char>(byte);
  const std::string escaped = EscapeHtml(every_byte);

  // Read back entity by entity, the text is the original one, and nothing else is markup.
  std::string restored;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    ASSERT_NE(escaped[i], '<');
    ASSERT_NE(escaped[i], '>');
    ASSERT_NE(escaped[i], '"');
    if (escaped[i] != '&') {
      restored += escaped[i];
      continue;
    }
    bool known = false;
    for (const auto& [entity, c] :
         {std::pair{"&amp;", '&'}, std::pair{"&lt;", '<'}, std::pair{"&gt;", '>'},
          std::pair{"&quot;", '"'}, std::pair{"&#39;", '\''}}) {
      const std::string_view name(entity);
      if (escaped.compare(i, name.size(), name) == 0) {
        restored += c;
        i += name.size() - 1;
        known = true;
        break;
      }
    }
    ASSERT_TRUE(known) << "a bare '&' at " << i;
  }
  EXPECT_EQ(restored, every_byte);
  EXPECT_EQ(escaped.size(), every_byte.size() + 4 + 3 + 3 + 5 + 4);
  EXPECT_EQ(EscapeHtml("&amp;"), "&amp;amp;");
}

// SaveListViewAsHtml with a program directory that holds a style sheet.
class SaveHtml : public ::testing::Test {
 protected:
  SaveHtml() {
    fs::create_directories(program_dir());
    fs::create_directories(report_dir());
    WriteFile(program_dir() / "style.css", kStyle);
    app.program_directory = program_dir().string();
    list.AddRow({" Model ", "<Drive & Co>"});
    list.SetCustomDraw([](int) { return kLightGreen; });
  }
  fs::path program_dir() const { return temp.Path() / "program"; }
  fs::path report_dir() const { return temp.Path() / "reports"; }

  bool SaveAs(const fs::path& path) {
    app.save_file_name = path.string();
    return SaveListViewAsHtml(list, app);
  }

  static constexpr char kStyle[] = "td.sub { font-weight: bold; }\n";
  ScratchDir temp;
  FakeApplication app;
  MemoryListView list{kIdentifyColumns};
};

TEST_F(SaveHtml, WritesTheReportAndCopiesTheStyleSheet) {
  const fs::path report = report_dir() / "identify.html";
  EXPECT_TRUE(SaveAs(report));

  ASSERT_EQ(app.dialogs.size(), 1u);
  EXPECT_EQ(app.dialogs[0].title, "Save HTML");
  EXPECT_EQ(app.dialogs[0].filter, "HTML files (*.html)|*.HTML|HTM files (*.htm)|*.HTM");
  EXPECT_EQ(app.dialogs[0].default_extension, "*.html");
  // One byte per character, no byte-order mark, CR LF kept as they are.
  EXPECT_EQ(ReadFile(report), BuildHtmlReport(list));
  EXPECT_EQ(ReadFile(report_dir() / "style.css"), kStyle);
  EXPECT_TRUE(app.messages.empty());
}

TEST_F(SaveHtml, ReplacesAnExistingReportAndStyleSheet) {
  const fs::path report = report_dir() / "report.htm";
  WriteFile(report, std::string(100000, 'o'));  // longer than the report: no old tail may stay
  WriteFile(report_dir() / "style.css", "an older sheet, longer than the program's own one\n");
  EXPECT_TRUE(SaveAs(report));
  EXPECT_EQ(ReadFile(report), BuildHtmlReport(list));
  EXPECT_EQ(ReadFile(report_dir() / "style.css"), kStyle);
  EXPECT_TRUE(app.messages.empty());
}

TEST_F(SaveHtml, SavingTwiceIntoOneFolderCopiesTheSheetAgain) {
  EXPECT_TRUE(SaveAs(report_dir() / "first.html"));
  WriteFile(report_dir() / "style.css", "edited by hand");
  list.AddRow({"Serial", "S1"});
  EXPECT_TRUE(SaveAs(report_dir() / "second.html"));
  EXPECT_EQ(ReadFile(report_dir() / "second.html"), BuildHtmlReport(list));
  EXPECT_NE(ReadFile(report_dir() / "first.html"), ReadFile(report_dir() / "second.html"));
  EXPECT_EQ(ReadFile(report_dir() / "style.css"), kStyle);
}

TEST_F(SaveHtml, SavingIntoTheProgramsDirectoryKeepsItsStyleSheet) {
  // Also through a path that names the directory another way.
  for (const fs::path& report :
       {program_dir() / "report.html", program_dir() / ".." / "program" / "again.html"}) {
    EXPECT_TRUE(SaveAs(report));
    EXPECT_EQ(ReadFile(report), BuildHtmlReport(list));
    EXPECT_EQ(ReadFile(program_dir() / "style.css"), kStyle);
  }
  EXPECT_TRUE(app.messages.empty());
}

TEST_F(SaveHtml, WithoutAStyleSheetBesideTheProgramOnlyTheReportIsWritten) {
  fs::remove(program_dir() / "style.css");
  EXPECT_TRUE(SaveAs(report_dir() / "report.html"));
  EXPECT_TRUE(fs::exists(report_dir() / "report.html"));
  EXPECT_FALSE(fs::exists(report_dir() / "style.css"));
}

TEST_F(SaveHtml, ACancelledOrEmptyChoiceWritesNothing) {
  for (const std::optional<std::string>& choice :
       {std::optional<std::string>(), std::optional<std::string>("")}) {
    app.save_file_name = choice;
    EXPECT_FALSE(SaveListViewAsHtml(list, app));
  }
  EXPECT_EQ(app.dialogs.size(), 2u);
  EXPECT_TRUE(fs::is_empty(report_dir()));
  EXPECT_TRUE(app.messages.empty());
}

TEST_F(SaveHtml, AFileThatCannotBeCreatedIsReportedAndNoSheetIsCopied) {
  // Tests may run as root, for whom permissions do not stop a write: a parent that is a regular
  // file and a name that is a directory stop everyone.
  WriteFile(report_dir() / "plain-file", "x");
  fs::create_directories(report_dir() / "a-folder.html");
  struct Case {
    fs::path path;
    std::string error;
  };
#ifdef _WIN32
  // Windows tells a path through a file as a missing path.
  constexpr auto kThroughAFile = std::errc::no_such_file_or_directory;
  constexpr auto kAFolder = std::errc::is_a_directory;
#else
  constexpr auto kThroughAFile = std::errc::not_a_directory;
  constexpr auto kAFolder = std::errc::is_a_directory;
#endif
  const std::vector<Case> cases = {
      {report_dir() / "plain-file" / "report.html", std::make_error_code(kThroughAFile).message()},
      {report_dir() / "a-folder.html", std::make_error_code(kAFolder).message()},
      {report_dir() / "missing" / "report.html",
       std::make_error_code(std::errc::no_such_file_or_directory).message()},
  };
  for (const Case& c : cases) {
    app.messages.clear();
    app.save_file_name = c.path.string();
    RunGuarded(app, [&] { SaveListViewAsHtml(list, app); });
    ASSERT_EQ(app.messages.size(), 1u) << c.path;
    EXPECT_EQ(app.messages[0], "Cannot create file \"" + c.path.string() + "\". " + c.error);
  }
  EXPECT_FALSE(fs::exists(report_dir() / "style.css"));
  EXPECT_THROW(SaveAs(cases[0].path), EFCreateError);
}

TEST_F(SaveHtml, ARelativeNameIsShownWithItsFullPath) {
  const fs::path relative = fs::path("no-such-folder-for-kestrine") / "report.html";
  ASSERT_FALSE(fs::exists(relative.parent_path()));
  app.save_file_name = relative.string();
  RunGuarded(app, [&] { SaveListViewAsHtml(list, app); });
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0],
            "Cannot create file \"" + (fs::current_path() / relative).string() + "\". " +
                std::make_error_code(std::errc::no_such_file_or_directory).message());
}

#ifndef _WIN32
TEST_F(SaveHtml, AShortWriteIsToldToTheUserAndKeepsTheOldReport) {
  // The file size limit refuses the bytes past it, as a full disk does.
  const fs::path report = report_dir() / "report.html";
  WriteFile(report, "the old report");
  for (int i = 0; i < 200; ++i) list.AddRow({"Row", std::string(40, 'x')});
  bool written = true;
  ASSERT_TRUE(testing::WithFileSizeLimit(4096, [&] { written = SaveAs(report); }));
  EXPECT_FALSE(written);
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0], "Cannot write file \"" + report.string() + "\". " +
                                 std::make_error_code(std::errc::file_too_large).message());
  EXPECT_EQ(ReadFile(report), "the old report");
}

// A sheet nobody may write is kept, and that is told (a pipe, a folder or a device there:
// SavetoHTML1Click's test below).
TEST_F(SaveHtml, AReadOnlyStyleSheetIsToldAndTheReportKept) {
  const fs::path sheet = report_dir() / "style.css";
  WriteFile(sheet, "kept");
  fs::permissions(sheet, fs::perms::owner_read);
  EXPECT_FALSE(SaveAs(report_dir() / "report.html"));
  EXPECT_EQ(ReadFile(report_dir() / "report.html"), BuildHtmlReport(list));
  EXPECT_EQ(ReadFile(sheet), "kept");
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0],
            "The style sheet could not be copied to \"" + sheet.string() + "\". Read-only file");
}

TEST_F(SaveHtml, AReportNamedLikeTheStyleSheetIsNotReplacedByIt) {
  EXPECT_TRUE(SaveAs(report_dir() / "style.css"));
  EXPECT_EQ(ReadFile(report_dir() / "style.css"), BuildHtmlReport(list));
}
#endif

// "Save to HTML" exports the list view of the active page.
TEST(SavetoHTML1Click, ExportsTheActivePagesListView) {
  ScratchDir temp;
  FormFixture fixture;
  auto& ui = fixture.ui;
  ui.ListView2.AddRow({"Model", "identify page"});
  ui.ListView1.AddRow({"9", "Old", "100", "100", "0", "1234", "attributes page"});
  ui.ListView3.AddRow({"1", "2", "Short", "done", "-", "0%", "self-test page"});
  ui.ListView4.AddRow({"Status", "0", "general page"});
  ui.ListView5.AddRow({"Data written", "statistics page"});
  const MemoryListView* const by_page[] = {&ui.ListView2, &ui.ListView1, &ui.ListView3,
                                           &ui.ListView4, &ui.ListView5};
  for (int page = 0; page < 5; ++page) {
    const fs::path report = temp.Path() / ("page" + std::to_string(page) + ".html");
    ui.PageControl1.active = page;
    ui.App.save_file_name = report.string();
    fixture.Run([](TForm1& form) { form.SavetoHTML1Click(); });
    EXPECT_EQ(ReadFile(report), BuildHtmlReport(*by_page[page])) << "page " << page;
  }
  EXPECT_TRUE(ui.App.messages.empty());

  // The create error reaches the top-level handler.
  ui.PageControl1.active = 0;
  ui.App.save_file_name = (temp.Path() / "page0.html" / "x.html").string();
  fixture.Run([](TForm1& form) { form.SavetoHTML1Click(); });
  ASSERT_EQ(ui.App.messages.size(), 1u);
  EXPECT_EQ(ui.App.messages[0].rfind("Cannot create file \"", 0), 0u) << ui.App.messages[0];
}

#ifndef _WIN32
// "Save to HTML" run as root: a link at the chosen name or at "style.css" is replaced, the files
// they point to stay as they were; a pipe, a folder or a device there is refused and left alone.
TEST(SavetoHTML1Click, NeverWritesThroughALinkOrIntoASpecialFile) {
  using testing::Fingerprint;
  using testing::LinkedFileOf;
  using testing::SpecialKind;
  for (const testing::SpecialCase& c : testing::SpecialCases()) {
    for (const bool at_style_sheet : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (at_style_sheet ? " at style.css" : " at the report"));
      ScratchDir temp;
      fs::create_directories(temp.Path() / "program");
      WriteFile(temp.Path() / "program" / "style.css", "td { color: black; }\n");
      fs::create_directories(temp.Path() / "reports");
      const fs::path report = temp.Path() / "reports" / "report.html";
      const fs::path special = at_style_sheet ? report.parent_path() / "style.css" : report;
      if (!testing::MakeSpecial(c.kind, special)) continue;  // a device node needs root
      const std::string before = Fingerprint(special);
      const std::string linked_before = Fingerprint(LinkedFileOf(special));

      FormFixture fixture;
      fixture.ui.ListView2.AddRow({"Model", "ST2000"});
      fixture.ui.PageControl1.active = 0;
      fixture.ui.App.program_directory = (temp.Path() / "program").string();
      fixture.ui.App.save_file_name = report.string();
      fixture.Run([](TForm1& form) { form.SavetoHTML1Click(); });

      if (c.kind == SpecialKind::kLinkToFile) {
        EXPECT_TRUE(fixture.ui.App.messages.empty());
        EXPECT_FALSE(fs::is_symlink(special));
        EXPECT_EQ(Fingerprint(LinkedFileOf(special)), linked_before);
        EXPECT_EQ(ReadFile(LinkedFileOf(special)), testing::kLinkedFileText);
      } else {
        EXPECT_EQ(Fingerprint(special), before);
      }
      if (at_style_sheet) {
        // A sheet that could not be copied is told; the report is written all the same.
        if (c.kind == SpecialKind::kLinkToFile) {
          EXPECT_TRUE(fixture.ui.App.messages.empty());
        } else {
          ASSERT_EQ(fixture.ui.App.messages.size(), 1u);
          EXPECT_EQ(fixture.ui.App.messages[0].rfind("The style sheet could not be copied", 0), 0u);
        }
        EXPECT_EQ(ReadFile(report), BuildHtmlReport(fixture.ui.ListView2));
      } else if (c.kind != SpecialKind::kLinkToFile) {
        ASSERT_EQ(fixture.ui.App.messages.size(), 1u);
        EXPECT_EQ(
            fixture.ui.App.messages[0].rfind("Cannot create file \"" + report.string() + "\". ", 0),
            0u)
            << fixture.ui.App.messages[0];
        EXPECT_FALSE(fs::exists(report.parent_path() / "style.css"));
      }
      if (c.kind == SpecialKind::kLinkToFile || at_style_sheet) {
        EXPECT_EQ(ReadFile(report), BuildHtmlReport(fixture.ui.ListView2));
      }
    }
  }
}

TEST(SaveHtmlNames, ControlCharactersInTheNameAreEscapedInTheMessage) {
  ScratchDir temp;
  FakeApplication app;
  MemoryListView list{kIdentifyColumns};
  app.save_file_name = (temp.Path() / "no\nfolder\x1B[31m" / "r.html").string();
  RunGuarded(app, [&] { SaveListViewAsHtml(list, app); });
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0].find_first_of("\n\x1B"), std::string::npos) << app.messages[0];
  EXPECT_NE(app.messages[0].find("no\\x0Afolder\\x1B[31m"), std::string::npos) << app.messages[0];
}
#endif

// The four views of the demo bay's failing disk, exported through "Save to HTML", byte for byte
// against reports read through in a browser. A report that differs is left in the working
// directory under golden-actual/ for comparison.
TEST(SavetoHTML1Click, DemoDriveViewsMatchTheirGoldenReports) {
  ScratchDir temp;
  FormFixture fixture;
  AddDemoDrives(fixture.bay);
  fixture.Run([](TForm1& form) { form.FormShow(); });
  fixture.ui.ComboBox1.text = DriveDevicePath(kDemoFailingDisk);
  fixture.Run([](TForm1& form) { form.ComboBox1Change(); });
  ASSERT_TRUE(fixture.ui.App.messages.empty());

  const char* const golden_by_page[] = {
      "failing-disk-identify.html", "failing-disk-attributes.html",
      "failing-disk-self-test-logs.html", "failing-disk-general.html"};
  for (int page = 0; page < 4; ++page) {
    const std::string name = golden_by_page[page];
    fixture.ui.PageControl1.active = page;
    fixture.ui.App.save_file_name = (temp.Path() / name).string();
    fixture.Run([](TForm1& form) { form.SavetoHTML1Click(); });

    const std::string exported = ReadFile(temp.Path() / name);
    const std::string golden = ReadFile(SourceDir() / "tests" / "golden" / name);
    if (exported != golden) {
      fs::create_directories("golden-actual");
      WriteFile(fs::path("golden-actual") / name, exported);
    }
    EXPECT_EQ(exported, golden) << name << " differs; see golden-actual/" << name;
  }
  EXPECT_TRUE(fixture.ui.App.messages.empty());
}

}  // namespace
}  // namespace kestrine
