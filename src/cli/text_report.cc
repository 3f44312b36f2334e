#include "text_report.h"

#include <algorithm>
#include <string_view>

#include "form_texts.h"
#include "json_report.h"
#include "latin1_text.h"

namespace kestrine {

namespace {

constexpr std::string_view kColumnGap = "  ";
constexpr std::string_view kLineBreak = texts::kLineBreak;  // between the lines of the tray hint

void WriteRow(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths,
              std::ostream& out) {
  // Empty cells at the end of a line are left out, so no line ends in padding.
  std::size_t shown = cells.size();
  while (shown > 0 && cells[shown - 1].empty()) --shown;
  for (std::size_t column = 0; column < shown; ++column) {
    out << cells[column];
    if (column + 1 == shown) break;
    out << std::string(widths[column] - Utf8Length(cells[column]), ' ') << kColumnGap;
  }
  out << '\n';
}

// The value's lines after the first go under the first, behind the label's width.
void WriteField(std::string_view label, const std::optional<std::string>& value,
                std::ostream& out) {
  constexpr std::size_t kLabelWidth = 12;
  out << label << std::string(kLabelWidth - label.size(), ' ');
  if (!value) {
    out << "-\n";
    return;
  }
  std::string_view rest = *value;
  for (bool first = true;; first = false) {
    const std::size_t end = rest.find(kLineBreak);
    if (!first) out << std::string(kLabelWidth, ' ');
    out << TerminalText(rest.substr(0, end)) << '\n';
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + kLineBreak.size());
  }
}

}  // namespace

void RenderTable(const ViewReport& view, std::ostream& out) {
  const bool coloured =
      std::ranges::any_of(view.rows, [](const ViewRow& row) { return row.background.has_value(); });
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> header;
  for (const std::string& caption : view.columns) header.push_back(TerminalText(caption));
  if (coloured) header.emplace_back("Background");
  lines.push_back(std::move(header));
  for (const ViewRow& row : view.rows) {
    std::vector<std::string> cells;
    for (const std::string& cell : row.cells) cells.push_back(TerminalText(cell));
    cells.resize(lines.front().size() - (coloured ? 1 : 0));
    if (coloured) cells.push_back(row.background ? RgbText(*row.background) : "");
    lines.push_back(std::move(cells));
  }

  std::vector<std::size_t> widths(lines.front().size(), 1);
  for (const auto& cells : lines) {
    for (std::size_t column = 0; column < cells.size(); ++column)
      widths[column] = std::max(widths[column], Utf8Length(cells[column]));
  }
  std::vector<std::string> rules;
  for (const std::size_t width : widths) rules.emplace_back(width, '-');

  WriteRow(lines.front(), widths, out);
  WriteRow(rules, widths, out);
  for (std::size_t line = 1; line < lines.size(); ++line) WriteRow(lines[line], widths, out);
  if (view.rows.empty()) out << "(no rows)\n";
}

void RenderText(const DriveReport& drive, std::ostream& out) {
  out << "Drive " << TerminalText(drive.path);
  if (drive.snapshot) out << " (snapshot " << TerminalText(*drive.snapshot) << ")";
  out << '\n';
  if (drive.LeftAsleep() || !drive.Identified()) {
    if (drive.LeftAsleep()) {
      out << "Asleep (" << PowerModeName(drive.left_asleep)
          << "): not read, so as not to wake it.\n";
    } else {
      out << "Not read.\n";
    }
    for (const std::string& message : drive.messages) out << "  " << TerminalText(message) << '\n';
    return;
  }
  WriteField(
      "Condition:",
      drive.Read() ? drive.condition : std::string("not decided (") + texts::kHealthNotRead + ")",
      out);
  WriteField("Status bar:", drive.status_bar, out);
  WriteField("Tray hint:", drive.tray_hint, out);
  for (const DriveChange& change : drive.changes)
    out << "Changed: " << TerminalText(change.text) << '\n';
  for (const ViewReport& view : drive.views) {
    out << "\n[" << view.name << "]\n";
    RenderTable(view, out);
  }
}

}  // namespace kestrine
