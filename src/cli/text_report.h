// The drives as text for a terminal: per drive its condition, status bar and tray hint, then the
// four views as aligned tables in the window's page order.
#pragma once

#include <ostream>

#include "drive_report.h"

namespace kestrine {

void RenderText(const DriveReport& drive, std::ostream& out);

// One view as an aligned table: captions, a rule, the rows. A view whose rows are painted in a
// colour of their own gets a last column "Background" with the colour as RRGGBB.
void RenderTable(const ViewReport& view, std::ostream& out);

}  // namespace kestrine
