// The native window at the display's pixel density: at 96 dots per inch the layout itself, at
// any other the same layout scaled, positions, sizes, column widths and fonts alike, at start-up
// and when the density changes. scripts/test-windows.sh runs this program at 96, 144 and 192
// dots per inch (Wine's LogPixels) and names the density it set in KESTRINE_EXPECT_DPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "layout_scaling.h"
#include "win32_dpi.h"
#include "win32_main_window.h"
#include "window_placement.h"

namespace kestrine {
namespace {

using layout::ScaleForDpi;
using testing::FakeApplication;

// A control's place in the window's client area.
RECT ClientPlace(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

LONG FontHeight(HWND control) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font,
             &font);
  return font.lfHeight;
}

// The width of `text` in the control's font.
int TextWidth(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent.cx;
}

class DpiLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    BecomePerMonitorDpiAware();
    window_ = std::make_unique<Win32MainWindow>(GetModuleHandleA(nullptr), app_);
    if (window_->Handle() == nullptr) GTEST_SKIP() << "no display to create windows on";
  }

  const Win32Handles& H() const { return window_->Handles(); }

  // Tells the window that its density changed, suggesting a place as the system does.
  void ChangeDpi(int dpi, POINT at) {
    RECT suggested{at.x, at.y, at.x + ScaleForDpi(627, dpi), at.y + ScaleForDpi(508, dpi)};
    SendMessageA(H().Form1, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
  }

  // Everything of the layout at `dpi`; `font_at_96` is the controls' font height at 96 (0: not
  // compared).
  void ExpectLayoutAt(int dpi, LONG font_at_96) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
    EXPECT_EQ(window_->Dpi(), static_cast<UINT>(dpi));
    const auto s = [dpi](int pixels) { return ScaleForDpi(pixels, dpi); };
    RECT client{};
    GetClientRect(H().Form1, &client);
    EXPECT_EQ(client.right, s(611));
    EXPECT_EQ(client.bottom, s(469));

    const struct {
      HWND control;
      const char* name;
      RECT place;  // right or bottom 0: sized by its text or font
    } controls[] = {
        {H().Label1, "Label1", {s(7), s(7), 0, 0}},
        {H().Button4, "Button4", {s(248), s(7), s(248) + s(100), s(7) + s(25)}},
        {H().Button2, "Button2", {s(360), s(8), s(360) + s(100), s(8) + s(25)}},
        {H().lblstatus, "lblstatus", {s(520), s(8), 0, 0}},
        {H().PageControl1, "PageControl1", {s(8), s(40), s(8) + s(593), s(40) + s(401)}},
        {H().StatusBar1, "StatusBar1", {0, s(469) - s(19), s(611), s(469)}},
        {H().ComboBox1, "ComboBox1", {s(46), s(7), s(46) + s(195), 0}},
    };
    for (const auto& c : controls) {
      const RECT place = ClientPlace(c.control);
      EXPECT_EQ(place.left, c.place.left) << c.name;
      EXPECT_EQ(place.top, c.place.top) << c.name;
      if (c.place.right != 0) {
        EXPECT_EQ(place.right, c.place.right) << c.name;
      }
      if (c.place.bottom != 0) {
        EXPECT_EQ(place.bottom, c.place.bottom) << c.name;
      }
    }
    // Each list view fills its page, inside the tab control.
    const RECT tabs = ClientPlace(H().PageControl1);
    for (HWND list : {H().ListView1, H().ListView2, H().ListView3, H().ListView4, H().ListView5}) {
      const RECT place = ClientPlace(list);
      EXPECT_GT(place.left, tabs.left);
      EXPECT_GT(place.top, tabs.top);
      EXPECT_LT(place.right, tabs.right);
      EXPECT_LT(place.bottom, tabs.bottom);
    }

    const struct {
      HWND list;
      std::vector<int> widths;
    } lists[] = {
        {H().ListView2, {100, 450}},
        {H().ListView1, {49, 75, 49, 49, 75, 49, 203}},
        {H().ListView3, {50, 100, 150, 100, 100, 75}},
        {H().ListView4, {200, 50, 300}},
        {H().ListView5, {250, 300}},
    };
    for (const auto& list : lists) {
      for (std::size_t column = 0; column < list.widths.size(); ++column) {
        // Its width at the density, or wider where the caption needs it.
        EXPECT_GE(SendMessageA(list.list, LVM_GETCOLUMNWIDTH, column, 0), s(list.widths[column]))
            << "column " << column;
      }
    }

    // Fonts grow with the density, the captions still fit their buttons, and the labels are
    // sized to their larger texts.
    EXPECT_EQ(FontHeight(H().lblstatus), -s(16));
    if (font_at_96 != 0) {
      EXPECT_NEAR(FontHeight(H().Button4), static_cast<double>(font_at_96) * dpi / 96, 1.0);
    }
    for (HWND control :
         {H().Label1, H().ComboBox1, H().PageControl1, H().ListView1, H().StatusBar1}) {
      EXPECT_EQ(FontHeight(control), FontHeight(H().Button4));
    }
    EXPECT_LT(TextWidth(H().Button4, "Self Test (Short)"), s(100));
    EXPECT_LT(TextWidth(H().Button2, "Self Test (Ext.)"), s(100));
    const RECT label = ClientPlace(H().Label1);
    EXPECT_EQ(label.right - label.left, TextWidth(H().Label1, "Drive"));
  }

  FakeApplication app_;
  std::unique_ptr<Win32MainWindow> window_;
};

TEST_F(DpiLayout, LaidOutForTheDensityOfItsMonitorAtStartUp) {
  const int dpi = static_cast<int>(window_->Dpi());
  if (const char* expected = std::getenv("KESTRINE_EXPECT_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected)) << "the density the test run set";
  }
  // At the layout's place where it fits the monitor's work area, otherwise moved just enough.
  RECT frame{};
  GetWindowRect(H().Form1, &frame);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(H().Form1, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT& work = monitor.rcWork;
  const layout::Place expected =
      FitWindowInto({354, 165, frame.right - frame.left, frame.bottom - frame.top},
                    {work.left, work.top, work.right - work.left, work.bottom - work.top});
  EXPECT_EQ(frame.left, expected.left);
  EXPECT_EQ(frame.top, expected.top);

  ExpectLayoutAt(dpi, 0);

  // The controls' font against the one at 96.
  const LONG font = FontHeight(H().Button4);
  ChangeDpi(96, POINT{0, 0});
  const LONG font_at_96 = FontHeight(H().Button4);
  EXPECT_NEAR(font, static_cast<double>(font_at_96) * dpi / 96, 1.0);
}

TEST_F(DpiLayout, FollowsAChangeOfDensityAndComesBackToTheLayoutItself) {
  const int start = static_cast<int>(window_->Dpi());
  ChangeDpi(96, POINT{354, 165});
  const LONG font_at_96 = FontHeight(H().Button4);
  ExpectLayoutAt(96, font_at_96);
  for (const int dpi : {120, 144, 192, 96, start}) {
    ChangeDpi(dpi, POINT{20, 30});
    ExpectLayoutAt(dpi, font_at_96);
    RECT frame{};
    GetWindowRect(window_->Handle(), &frame);
    EXPECT_EQ(frame.left, 20);
    EXPECT_EQ(frame.top, 30);
  }
}

}  // namespace
}  // namespace kestrine
