// The HTML report of one list view ("Save to HTML"). The report is built only from what the list
// view displays: its column captions, its cell texts and the background each row is painted with.
#pragma once

#include <string>
#include <string_view>

#include "toolkit.h"

namespace kestrine {

// The size of the buffer a cell's text is fetched into: texts keep at most one character less.
inline constexpr std::size_t kCellTextBufferSize = 1024;

// Asks for the file, writes the report and copies "style.css" beside it, each replacing a file
// already there only once written, and never through a link or into anything but a regular
// file. True when every byte of the report was written. Throws EFCreateError when the file
// cannot be created or is refused; a write that falls short is told to the user in a message box.
bool SaveListViewAsHtml(ListView& list, Application& app);

// The whole report of `list`: every line ends in CR LF, the last one included.
std::string BuildHtmlReport(const ListView& list);

// The text of one cell, cut to the buffer and trimmed at both ends of 0x00-0x20 and 0x7F.
std::string GetListViewCellText(const ListView& list, int row, int column);

// The background the row is painted with, as six upper-case hexadecimal digits in blue, green,
// red order (white "FFFFFF", pure red "0000FF"). "FFFFFF" for a row the list does not hold.
std::string GetListViewRowColour(const ListView& list, int row);

// The class written on every cell of a row of the given colour.
std::string RowClass(std::string_view colour);

// The number of columns of the list view's header.
int GetListViewColumnCount(const ListView& list);

// `text` with '&', '<', '>' and '"' written as HTML entities; every other character unchanged.
std::string EscapeHtml(std::string_view text);

}  // namespace kestrine
