// The window's layout at a display's pixel density. The layout is drawn for 96 dots per inch
// (100 % scaling); at any other density every position, size and column width grows by the same
// factor, so that the window is the same layout, larger, and at 96 exactly the layout itself.
#pragma once

#include "form_layout.h"

namespace kestrine::layout {

inline constexpr int kLayoutDpi = 96;

// `pixels` of the layout at `dpi`, rounded to the nearest pixel (halves away from zero).
constexpr int ScaleForDpi(int pixels, int dpi) {
  const long long product = static_cast<long long>(pixels) * dpi;
  const long long half = kLayoutDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kLayoutDpi
                                       : -((-product + half) / kLayoutDpi));
}

constexpr Place ScaleForDpi(const Place& place, int dpi) {
  return Place{ScaleForDpi(place.left, dpi), ScaleForDpi(place.top, dpi),
               ScaleForDpi(place.width, dpi), ScaleForDpi(place.height, dpi)};
}

static_assert(ScaleForDpi(611, 96) == 611 && ScaleForDpi(611, 192) == 1222);
static_assert(ScaleForDpi(611, 144) == 917 && ScaleForDpi(7, 144) == 11);

}  // namespace kestrine::layout
