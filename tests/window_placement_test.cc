// Where the main window opens: the layout's place when the window fits the screen's available
// area, otherwise the least move that makes it fit.
#include <gtest/gtest.h>

#include "window_placement.h"

namespace kestrine {

namespace layout {
void PrintTo(const Place& place, std::ostream* out) {
  *out << place.left << "," << place.top << " " << place.width << "x" << place.height;
}
}  // namespace layout

namespace {

using layout::Place;

TEST(FitWindowInto, KeepsAWindowThatFitsAndMovesOneThatDoesNotByTheLeastAmount) {
  // The window's frame at the layout's place: 611 x 469 plus a frame of 8 and a caption of 31.
  const Place frame{354, 165, 627, 508};
  const struct {
    const char* screen;
    Place area;
    Place fitted;
  } cases[] = {
      {"1920x1080, task bar below", {0, 0, 1920, 1040}, frame},
      {"exactly the room it needs", {354, 165, 627, 508}, frame},
      {"1920x1080 at scale 2 (960x540), panel above", {0, 27, 960, 513}, {333, 32, 627, 508}},
      {"800x600", {0, 0, 800, 600}, {173, 92, 627, 508}},
      {"narrow only", {0, 0, 900, 1000}, {273, 165, 627, 508}},
      {"a second screen to the left", {-1280, 0, 1280, 1024}, {-627, 165, 627, 508}},
      {"a screen below and right of it", {400, 200, 1024, 768}, {400, 200, 627, 508}},
      {"smaller than the window", {0, 24, 600, 400}, {0, 24, 627, 508}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitWindowInto(frame, c.area), c.fitted) << c.screen;
  }
}

}  // namespace
}  // namespace kestrine
