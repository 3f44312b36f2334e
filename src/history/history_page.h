// The history as one HTML page: a part per drive, each starting on a new printed page, with its
// identity, charts drawn as inline SVG (temperature over time on bands of the condition's
// colours, each watched counter as steps) and tables of the changes. Self-contained: its style
// is in the page, and it holds no script and refers to nothing outside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history_record.h"

namespace kestrine {

// `generated`: when the page was made, seconds since 1970 UTC.
std::string BuildHistoryPage(const std::vector<DriveHistory>& drives, std::int64_t generated);

// A drive's text (ISO-8859-1 bytes) as text of the page (UTF-8), with &, <, >, " and ' escaped
// and control characters shown as \xNN.
std::string PageText(std::string_view bytes);

}  // namespace kestrine
