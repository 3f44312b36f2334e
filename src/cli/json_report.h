// The JSON document of kestrine-cli --json. Its shape is documented in docs/file-formats.md and
// kept stable: keys are only ever added.
#pragma once

#include <string>
#include <vector>

#include "drive_report.h"

namespace kestrine {

inline constexpr int kJsonFormat = 1;

// Each drive text's bytes become the code points of the same numbers (ISO-8859-1), so the
// document is valid UTF-8 whatever a drive sent. Ends with a line break.
std::string RenderJson(const std::vector<DriveReport>& drives);

// A colour as "RRGGBB", upper-case hexadecimal, red first.
std::string RgbText(Rgb colour);

}  // namespace kestrine
