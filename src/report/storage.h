// The HTML report of one list view ("Save to HTML").
#pragma once

#include "toolkit.h"

namespace kestrine {

// Asks for the file, writes the report and copies "style.css" beside it. True when every byte
// of the report was written.
bool SaveListViewAsHtml(ListView& list, Application& app);

}  // namespace kestrine
