// What a change of a drive is told against, through the bay: a refused read hides nothing, two
// drives of one model with a blank serial are two drives, and a change is told once whichever
// program saw it. Each case runs with two command-line runs and with the window then a run.
#include <gtest/gtest.h>

#include <functional>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_number.h"
#include "history_recorder.h"
#include "identify_layout.h"
#include "window_history.h"

namespace kestrine {
namespace {

using testing::ScratchDir;

constexpr int kTwin = 4;  // a free slot of the demo bay

struct Step {
  char who = 'B';  // 'A': the window, in the window-and-run cases; 'B': always a run
  int drive = kDemoHealthyDisk;
  std::function<void(SimBay&)> change;
  std::vector<std::string> told;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
};

void SetPending(SimBay& bay, int drive, std::uint64_t raw) {
  ASSERT_TRUE(SetAttributeRaw(bay.FindDrive(drive)->image, 197, raw));
}

void RefuseHealth(SimBay& bay, bool refuse) {
  bay.FindDrive(kDemoHealthyDisk)->behaviour.refuses_health_data = refuse;
}

// The healthy disk and a twin of it, both with a serial of spaces and world wide names of
// their own.
void AddTwins(SimBay& bay) {
  DriveImage image = bay.FindDrive(kDemoHealthyDisk)->image;
  for (const int drive : {kDemoHealthyDisk, kTwin}) {
    SetIdentifyText(image.identify, identify_word::kSerialNumber, kSerialNumberWords, "");
    SetIdentifyWords(image.identify, {{identify_word::kWorldWideName, 0x5000},
                                      {identify_word::kWorldWideName + 3,
                                       static_cast<std::uint16_t>(0x100 + drive)}});
    SetIdentifyChecksum(image.identify);
    bay.AddDrive(drive, image);
  }
}

const std::string kRose8To12 = "Current Pending Sector Count rose from 8 to 12";

const Case kCases[] = {
    {"a refused read is not the previous reading",
     {{'A', kDemoHealthyDisk, [](SimBay&) {}, {}},
      {'A', kDemoHealthyDisk, [](SimBay& bay) { RefuseHealth(bay, true); }, {}},
      {'B',
       kDemoHealthyDisk,
       [](SimBay& bay) {
         RefuseHealth(bay, false);
         SetPending(bay, kDemoHealthyDisk, 8);
       },
       {"Condition went from OK to WARNING", "Current Pending Sector Count rose from 0 to 8"}}}},
    {"twins of one model with a blank serial are two drives",
     {{'A',
       kDemoHealthyDisk,
       [](SimBay& bay) {
         AddTwins(bay);
         SetPending(bay, kDemoHealthyDisk, 8);
       },
       {"Condition is WARNING at the first reading"}},
      {'B', kTwin, [](SimBay&) {}, {}},
      {'A', kDemoHealthyDisk, [](SimBay&) {}, {}},
      {'B', kTwin, [](SimBay&) {}, {}}}},
    {"a change is told once, and a counter that comes back has not risen",
     {{'A',
       kDemoHealthyDisk,
       [](SimBay& bay) { SetPending(bay, kDemoHealthyDisk, 8); },
       {"Condition is WARNING at the first reading"}},
      {'B',
       kDemoHealthyDisk,
       [](SimBay& bay) { SetPending(bay, kDemoHealthyDisk, 12); },
       {kRose8To12}},
      {'A', kDemoHealthyDisk, [](SimBay&) {}, {}},
      {'B',
       kDemoHealthyDisk,
       [](SimBay& bay) { SetPending(bay, kDemoHealthyDisk, 0); },
       {"Condition went from WARNING to OK"}},
      {'A',
       kDemoHealthyDisk,
       [](SimBay& bay) { SetPending(bay, kDemoHealthyDisk, 12); },
       {"Condition went from OK to WARNING"}}}},
};

std::vector<std::string> ToldByRun(SimBay& bay, const std::string& file, int drive) {
  const testing::CliResult run =
      testing::RunCliWith({"--history-file", file, "--drive", std::to_string(drive)}, &bay);
  std::vector<std::string> told;
  const std::string mark = "Changed: ";
  for (std::size_t at = run.out.find(mark); at != std::string::npos;
       at = run.out.find(mark, at + 1)) {
    const std::size_t end = run.out.find('\n', at);
    told.push_back(run.out.substr(at + mark.size(), end - at - mark.size()));
  }
  return told;
}

TEST(ToldOnce, AcrossRunsAndBetweenTheWindowAndARun) {
  for (const bool window_first : {false, true}) {
    for (const Case& test : kCases) {
      SCOPED_TRACE(std::string(test.name) + (window_first ? ", window and run" : ", two runs"));
      ScratchDir dir;
      const std::string file = (dir / "history.db").string();
      testing::FormFixture window;
      AddDemoDrives(window.bay);
      HistoryRecorder recorder({file, false}, kWindowProgramName);
      KeepReadingsIn(window.form, recorder);
      for (std::size_t i = 0; i < test.steps.size(); ++i) {
        const Step& step = test.steps[i];
        step.change(window.bay);
        std::vector<std::string> told;
        if (step.who == 'A' && window_first) {
          window.ui.ComboBox1.text = DriveDevicePath(step.drive);
          window.Run([](TForm1& form) { form.Refresh1Click(); });
          for (const DriveChange& change : window.form.Changes()) told.push_back(change.text);
        } else {
          told = ToldByRun(window.bay, file, step.drive);
        }
        EXPECT_EQ(told, step.told) << "step " << i;
      }
    }
  }
}

}  // namespace
}  // namespace kestrine
