#include "window_placement.h"

#include <algorithm>

namespace kestrine {

namespace {

// One direction: the start of a span of `size` kept within [area_start, area_start + area_size).
int FitSpan(int start, int size, int area_start, int area_size) {
  if (size >= area_size) return area_start;
  return std::clamp(start, area_start, area_start + area_size - size);
}

}  // namespace

layout::Place FitWindowInto(const layout::Place& window, const layout::Place& area) {
  layout::Place fitted = window;
  fitted.left = FitSpan(window.left, window.width, area.left, area.width);
  fitted.top = FitSpan(window.top, window.height, area.top, area.height);
  return fitted;
}

}  // namespace kestrine
