// Where the main window opens: at the layout's place whenever it fits the screen's available
// area, otherwise moved just enough to fit. Both front ends place their window through this.
#pragma once

#include "form_layout.h"

namespace kestrine {

// The window's frame (its outer rectangle) at `window`, moved by the least amount that puts it
// inside `area`. A frame larger than the area in one direction is put at the area's left or top
// edge, so that its caption stays in reach.
layout::Place FitWindowInto(const layout::Place& window, const layout::Place& area);

}  // namespace kestrine
