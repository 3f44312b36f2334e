// The HTML report over arbitrary cell texts and captions: whatever a drive put in a text, the
// report keeps its shape (one row per list row, one cell per column, the fixed head and foot)
// and no text adds markup. Input: one byte of layout (low nibble: columns, 0 to 15; high nibble: the
// rows' colour), then texts split at 0x00: first the captions, then the cells row by row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "list_view_report.h"
#include "memory_list_view.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int columns = data[0] & 0x0F;
  const int colour = data[0] >> 4;
  std::vector<std::string> texts(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      texts.emplace_back();
    } else {
      texts.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::vector<std::string> captions;
  std::size_t next = 0;
  for (int c = 0; c < columns; ++c) captions.push_back(next < texts.size() ? texts[next++] : "");
  kestrine::MemoryListView list(captions);
  int rows = 0;
  while (next < texts.size()) {
    std::vector<std::string> cells;
    for (int c = 0; c < std::max(columns, 1) && next < texts.size(); ++c)
      cells.push_back(texts[next++]);
    list.AddRow(cells);
    ++rows;
  }
  static const kestrine::Rgb kColours[] = {
      {255, 128, 128}, {128, 255, 128}, {255, 128, 0}, {255, 0, 0}};
  if (colour < 4) list.SetCustomDraw([colour](int) { return kColours[colour]; });

  const std::string report = kestrine::BuildHtmlReport(list);
  const int cells_per_row = std::max(columns, 1);
  Check(Count(report, "<td ") == static_cast<std::size_t>(columns + rows * cells_per_row));
  Check(Count(report, "<tr>") == static_cast<std::size_t>(1 + rows));
  Check(Count(report, "</td>") == Count(report, "<td "));
  Check(report.size() >= 2 && report.ends_with("</html>\r\n"));
  Check(report.starts_with("<html>\r\n<body>\r\n<head>\r\n"));
  // Every text escaped: nothing of it can open or close an element or an attribute.
  for (const std::string& text : texts) {
    const std::string escaped = kestrine::EscapeHtml(text);
    Check(escaped.find_first_of("<>\"") == std::string::npos);
  }
  return 0;
}
