// The pages of the main window, in page-index order: each page's tab caption, the list view it
// holds, and that list view's columns, each with its caption and its width. The front ends, the
// in-memory toolkit, kestrine-cli and the window's logic all read the pages from here.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <type_traits>

namespace kestrine {

// The width of a column the toolkit sizes itself: the width it gives a new column.
inline constexpr int kToolkitDefaultWidth = 0;

// A column of a list view. Its caption and its width in pixels at 96 dots per inch (or
// kToolkitDefaultWidth) are always written together.
struct Column {
  constexpr Column(const char* caption_text, int width_pixels)
      : caption(caption_text), width(width_pixels) {}
  const char* caption;
  int width;
};
static_assert(!std::is_constructible_v<Column, const char*>, "a column is written with its width");

inline constexpr Column kIdentifyColumns[] = {{"Item", 100}, {"Value", 450}};
inline constexpr Column kAttributeColumns[] = {{"AttrID", 49}, {"Type", 75},      {"Value", 49},
                                               {"Worse", 49},  {"Threshold", 75}, {"Raw", 49},
                                               {"Name", 203}};
inline constexpr Column kSelfTestLogColumns[] = {
    {"Num", kToolkitDefaultWidth}, {"Lifetime (hours)", 100}, {"Description", 150}, {"Status", 100},
    {"LBA of 1st error", 100},     {"Remaining", 75}};
inline constexpr Column kGeneralColumns[] = {
    {"Item", 200}, {"Value", kToolkitDefaultWidth}, {"Description", 300}};
inline constexpr Column kStatisticsColumns[] = {{"Item", 250}, {"Value", 300}};

struct Page {
  const char* caption;
  int list_view;  // the page holds the form's ListView<list_view>, 1 to 5
  std::span<const Column> columns;
};

inline constexpr std::array<Page, 5> kPages = {{
    {"Identify", 2, kIdentifyColumns},
    {"Attributes", 1, kAttributeColumns},
    {"Self Test Logs", 3, kSelfTestLogColumns},
    {"General", 4, kGeneralColumns},
    {"Statistics", 5, kStatisticsColumns},
}};

// The columns of the form's ListView<number>.
constexpr std::span<const Column> ListViewColumns(int number) {
  for (const Page& page : kPages) {
    if (page.list_view == number) return page.columns;
  }
  return {};
}

// The form's ListView<number> among any set of controls that names them ListView1 to ListView4
// and ListView5 (the form's controls, the in-memory toolkit, a front end's window handles).
template <typename Controls>
constexpr auto& ListViewNumber(Controls& controls, int number) {
  switch (number) {
    case 1:
      return controls.ListView1;
    case 2:
      return controls.ListView2;
    case 3:
      return controls.ListView3;
    case 5:
      return controls.ListView5;
    default:
      return controls.ListView4;
  }
}

// The list view that page `page` (0 to kPages.size() - 1) holds.
template <typename Controls>
constexpr auto& PageListView(Controls& controls, std::size_t page) {
  return ListViewNumber(controls, kPages[page].list_view);
}

// Each of the form's five list views is on exactly one page.
static_assert([] {
  int seen = 0;
  for (const Page& page : kPages) {
    if (page.list_view < 1 || page.list_view > 5) return false;
    seen |= 1 << page.list_view;
  }
  return seen == 0b111110;
}());

}  // namespace kestrine
