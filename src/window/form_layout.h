// The main window's layout in pixels of its client area, and the captions of its controls: the
// same for every front end, which maps them onto its own widgets. The pages and their list views'
// columns: form_pages.h.
#pragma once

namespace kestrine::layout {

struct Place {
  int left = 0;
  int top = 0;
  int width = 0;  // 0: sized to the control's text
  int height = 0;
  bool operator==(const Place&) const = default;
};

inline constexpr int kClientWidth = 611;
inline constexpr int kClientHeight = 469;
inline constexpr int kWindowLeft = 354;
inline constexpr int kWindowTop = 165;

inline constexpr Place kLabel1{7, 7, 0, 0};
inline constexpr Place kComboBox1{46, 7, 195, 0};  // the height is the control's own
inline constexpr Place kButton4{248, 7, 100, 25};
inline constexpr Place kButton2{360, 8, 100, 25};
inline constexpr Place kLblstatus{520, 8, 0, 0};
inline constexpr int kLblstatusFontPixels = 16;
inline constexpr Place kPageControl1{8, 40, 593, 401};
inline constexpr int kStatusBar1Height = 19;
// The window can be resized and maximized: the page control keeps its margins to the right and
// bottom edges and grows with the client area; the controls above it stay where they are. It is
// never made smaller than the row of controls above the pages and a few rows of a page.
inline constexpr int kMinimumClientWidth = 560;
inline constexpr int kMinimumClientHeight = 240;
inline constexpr int kPagesRightMargin = kClientWidth - kPageControl1.left - kPageControl1.width;
inline constexpr int kPagesBottomMargin = kClientHeight - kPageControl1.top - kPageControl1.height;
constexpr Place PagesFor(int client_width, int client_height) {
  const int width = client_width - kPageControl1.left - kPagesRightMargin;
  const int height = client_height - kPageControl1.top - kPagesBottomMargin;
  return Place{kPageControl1.left, kPageControl1.top, width > 0 ? width : 0,
               height > 0 ? height : 0};
}
static_assert(PagesFor(kClientWidth, kClientHeight) == kPageControl1);

inline constexpr char kLabel1Caption[] = "Drive";
inline constexpr char kButton4Caption[] = "Self Test (Short)";
inline constexpr char kButton2Caption[] = "Self Test (Ext.)";
inline constexpr char kRefreshCaption[] = "Refresh";
inline constexpr char kSaveToHtmlCaption[] = "Save to HTML";
inline constexpr char kQuitCaption[] = "Quit";

}  // namespace kestrine::layout
