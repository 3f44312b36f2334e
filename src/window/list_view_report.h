// The window's side of the HTML report: the table a list view shows, in the form the report takes
// it, and "Save to HTML", which asks for the file and tells the user what went wrong.
#pragma once

#include <cstddef>
#include <string>

#include "drive_views.h"  // kCellTextBufferSize
#include "storage.h"
#include "toolkit.h"

namespace kestrine {

// The text of one cell, cut to the buffer and trimmed at both ends of 0x00-0x20 and 0x7F.
std::string GetListViewCellText(const ListView& list, int row, int column);

// The background the row is painted with, as six upper-case hexadecimal digits in blue, green,
// red order (white "FFFFFF", pure red "0000FF"). "FFFFFF" for a row the list does not hold.
std::string GetListViewRowColour(const ListView& list, int row);

// The number of columns of the list view's header.
int GetListViewColumnCount(const ListView& list);

// The table `list` shows: its column captions, and for each row its background and one cell per
// column of the header. The item's own text stands in the first column even when the header has
// none.
ReportTable ListViewTable(const ListView& list);

// The whole report of `list`.
std::string BuildHtmlReport(const ListView& list);

// Asks for the file, writes the report and copies "style.css" beside it (WriteHtmlReport). True
// when every byte of the report was written and the sheet copied. Throws EFCreateError when the
// file cannot be created or is refused; a write that falls short, or a sheet that could not be
// copied, is told to the user in a message box.
bool SaveListViewAsHtml(ListView& list, Application& app);

}  // namespace kestrine
