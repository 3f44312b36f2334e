// Where "Save to HTML" finds the style sheet it copies beside a report: beside the program, else
// in the installed data folder (../share/kestrine).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "list_view_report.h"
#include "memory_list_view.h"
#include "scratch_dir.h"
#include "style_sheet.h"

namespace kestrine {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// An installed layout under a fresh temporary folder: prefix/bin and prefix/share/kestrine.
class InstalledLayout : public ::testing::Test {
 protected:
  InstalledLayout() { fs::create_directories(bin()); }
  fs::path bin() const { return prefix_.Path() / "bin"; }
  fs::path beside() const { return bin() / "style.css"; }
  fs::path shared() const { return prefix_.Path() / "share" / "kestrine" / "style.css"; }
  fs::path reports() const { return prefix_.Path() / "reports"; }

  testing::ScratchDir prefix_;
};

TEST_F(InstalledLayout, TakesTheSheetBesideTheProgramFirstThenTheDataFolder) {
  struct Case {
    const char* name;
    bool at_beside;
    bool at_shared;
    bool expect_beside;
    bool expect_shared;
  };
  const Case cases[] = {
      {"both", true, true, true, false},
      {"beside only", true, false, true, false},
      {"data folder only", false, true, false, true},
      {"neither", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(beside());
    fs::remove(shared());
    if (c.at_beside) WriteFile(beside(), "beside");
    if (c.at_shared) WriteFile(shared(), "shared");
    const fs::path found = FindStyleSheet(bin());
    if (c.expect_beside) {
      EXPECT_EQ(found, beside().lexically_normal());
    } else if (c.expect_shared) {
      EXPECT_EQ(found, shared().lexically_normal());
    } else {
      EXPECT_TRUE(found.empty()) << found;
    }
  }
}

TEST_F(InstalledLayout, OnlyARegularFileCounts) {
  // A folder named like the sheet beside the program does not hide the installed one.
  fs::create_directories(beside());
  WriteFile(shared(), "shared");
  EXPECT_EQ(FindStyleSheet(bin()), shared().lexically_normal());
  // A folder in the data folder is no sheet either.
  fs::remove(shared());
  fs::create_directories(shared());
  EXPECT_TRUE(FindStyleSheet(bin()).empty());
}

TEST_F(InstalledLayout, AnEmptyProgramFolderLooksNowhereElse) {
  // An unknown program folder names no data folder: "../share/kestrine" of the working folder
  // is not the program's.
  const fs::path working = fs::current_path();
  fs::current_path(bin());
  WriteFile(shared(), "shared");
  EXPECT_TRUE(FindStyleSheet({}).empty());
  fs::current_path(working);
}

TEST_F(InstalledLayout, SaveToHtmlCopiesTheInstalledSheet) {
  WriteFile(shared(), "td.sub { font-weight: bold; }\n");
  fs::create_directories(reports());
  testing::FakeApplication app;
  app.program_directory = bin().string();
  app.save_file_name = (reports() / "identify.html").string();
  MemoryListView list{{"Item", "Value"}};
  list.AddRow({"Model", "Disk"});
  EXPECT_TRUE(SaveListViewAsHtml(list, app));
  EXPECT_EQ(ReadFile(reports() / "style.css"), "td.sub { font-weight: bold; }\n");
  EXPECT_EQ(ReadFile(shared()), "td.sub { font-weight: bold; }\n");
  EXPECT_TRUE(app.messages.empty());
}

}  // namespace
}  // namespace kestrine
