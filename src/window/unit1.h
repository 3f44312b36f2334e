// TForm1: the main window's logic, free of any toolkit. Front ends forward their events to the
// handlers here (through RunGuarded) and draw what the handlers decide.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "drive_session.h"
#include "drive_watch.h"
#include "reading.h"
#include "smart_drv.h"
#include "tell.h"
#include "toolkit.h"

namespace kestrine {

struct DriveReading;  // reading.h

inline constexpr int kTimer2IntervalMs = 600000;        // the ten-minute re-read
inline constexpr int kSelfTestTimerIntervalMs = 60000;  // the re-read while a self-test runs

class TForm1 {
 public:
  // `system_log`, where given, gets a line for each change told of a drive.
  TForm1(SmartDrv& drive_layer, FormControls controls, SystemLog* system_log = nullptr);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Event handlers.
  // ListDrives, then the first drive's refresh; with no drive listed, an empty window that says
  // no disk was found.
  void FormShow();
  void ComboBox1Change();
  void Timer2Timer();
  // Once a minute: each drive running a self-test is read again (self_test_end.cc).
  void SelfTestTimer();
  void Refresh1Click();
  void SavetoHTML1Click();
  void Restore1Click();
  void Button4Click();  // "Self Test (Short)"
  void Button2Click();  // "Self Test (Ext.)"
  // What Save to HTML and the two self-test buttons do, with whether it was done, for a caller
  // that acts on the outcome (kestrine-cli); the handlers above call them. Saving is done when
  // the report and its style sheet were written; a self-test start when, after the user's Yes,
  // the drive took the command.
  bool SaveActivePageAsHtml();
  bool StartShortSelfTest();
  bool StartExtendedSelfTest();
  // Fills the drive selector with every drive that opens. A device the system holds suspended
  // is listed without being opened, which would resume it.
  void ListDrives();
  // A refresh nobody asked for (the timer's): the selected drive's power mode is asked first
  // without waking it, and a drive found asleep is not read. The window then keeps the views and
  // the verdict it shows and says so in the status bar. What it cannot read it tells once
  // instead of opening a box.
  void RefreshUnasked();
  // The same power check before a refresh a caller asked for (kestrine-cli --no-wake), whose
  // failures are shown as a user's refresh shows them.
  void RefreshUnlessAsleep();
  // The power mode that kept the last refresh from reading the drive; Unknown after a read.
  PowerMode LeftAsleep() const { return left_asleep_; }
  // A click on the tray icon's notification: the drive it told of is shown again (the front end
  // has brought the window back).
  void NotificationClick();
  // The background of a row of ListView1 when it is painted: the row's health item's verdict.
  std::optional<Rgb> ListView1CustomDrawItem(int row) const;

  // The reading of the drive shown: what the last refresh learned, built from the drive layer's
  // tables once they are filled, and what every view, the label and the tray hint show.
  const DriveReading& Reading() const { return reading_; }
  // What the last refresh that read a drive found changed since that drive's previous reading:
  // told in a notification (what got worse) and the system log (all of it).
  const std::vector<DriveChange>& Changes() const { return changes_; }
  // Where a drive's previous readings are remembered; the history connects here.
  DriveWatch& Watch() { return watch_; }
  // Takes a reading as the last refresh would have built it; tests then run a filler on it.
  void TakeReading(DriveReading reading) { reading_ = std::move(reading); }

  // The view fillers, for tests that run one on a prepared reading; each only appends to its
  // list view. RefreshDrive fills the views from the session's reading and touches no device
  // there; these two read the self-test log afresh, on a handle of their own, into the reading.
  void FillIdentifyView();
  void FillAttributeView();
  void FillSelfTestLogView();
  void FillGeneralView();
  // The four views of an NVMe drive, in the same order.
  void FillNvmeViews();

  // The condition of the drive shown: "OK", "WARNING" or "CRITICAL"; empty when the refresh
  // decided none (the drive or its health data could not be read).
  std::string DriveCondition;

  // Told of each refresh that read a drive, with the selector's text, once the views are filled;
  // `asked`: the user asked for the refresh (start-up, the selector, Refresh), not a timer.
  std::function<void(const DriveReading& reading, const std::string& path, bool asked)>
      AfterDriveRead;

  // The other drives the selector lists are read at start-up and at each tick, off the window's
  // thread, for the watch, the notifications, the system log and the history: the front end
  // hands `paths` to its round (drive_round.h) and each drive's session back to OtherDriveRead.
  // Unset, only the drive shown is read.
  std::function<void(std::vector<std::string> paths)> ReadOtherDrives;
  // What a session of another drive than the one shown found (other_drives.cc): its changes are
  // told and it is kept in the history as a timer's refresh is; a drive left asleep keeps what
  // was last known of it. A drive read before that can no longer be read is told once.
  void OtherDriveRead(const std::string& path, const SessionResult& read);

  SmartDrv& DriveLayer() { return drv_; }
  const FormControls& Controls() const { return ui_; }

 private:
  // Runs RefreshDrive, or, when a refresh is already running (a message box inside it keeps the
  // event loop going), holds the request and runs it once when the running refresh ends.
  // Who asked for a refresh: the user (start-up, the selector, Refresh) always gets a read.
  enum class Cause { User, Unasked, UnlessAsleep };
  void RequestRefresh(Cause cause = Cause::User);
  void RefreshDrive(Cause cause);
  // Empties the views and forgets the reading shown, before a refresh shows what it found.
  void ClearViews();
  // Fills the four views from the reading, in their order; the self-test log, when asked for,
  // is said to have come or not as it is shown.
  void FillViews(bool self_test_log_asked);
  // The Attributes view's rows, and the condition on the label and in the tray hint.
  void ShowAttributes(std::vector<std::vector<std::string>> rows);
  // What the window shows once a refresh has ended without reading the drive: no condition, no
  // bus or method, and a tray hint that names the selected drive and the failure, so that
  // nothing of the previous drive's verdict stays on show.
  void ShowDriveNotRead(const std::string& selected);
  // What the window shows of a drive that answered IDENTIFY but whose health table did not come:
  // no condition (the label cleared, in its normal colours) and a tray hint that says why. The
  // status bar and the other views show what was read.
  void ShowHealthNotRead();
  // A refresh nobody asked for has not read `selected`, for `reason`: told once, in a
  // notification and the log, rather than in a message box that would wait for a user who is
  // not there. Told again only after the drive has been read once more.
  void TellNotRead(const std::string& selected, const std::string& reason);
  // The fillers say here whether the selected drive's self-test log came. One that did not is
  // said in a message box at a refresh the user asked for; at one nobody asked for it is told
  // once, as TellNotRead tells, and again only after a log has been read once more.
  void SelfTestLogRead(bool read);
  // Tells `changes` of the drive at `path`, called `name`: one notification of the changes
  // that are worse (several lines, the icon of the worst), and each change as a log line.
  void Tell(const std::string& path, const std::string& name,
            const std::vector<DriveChange>& changes);
  bool RunSelfTest(Byte test_code, const char* confirmation);
  // The path or number the selector names, without the model its entry shows (selector_text.h).
  std::string SelectedPath() const;
  // The selector's entry of the drive at `path` shows the model of `identity` from now on.
  void NameInSelector(const std::string& path, const DriveIdentity& identity);
  // After each read of the drive at `path`: a self-test it runs is watched from now on, and one
  // that was running and has ended is told once, with its result from the self-test log.
  void WatchSelfTest(const std::string& path, const DriveReading& reading);
  // Hands the drives listed but the one shown to ReadOtherDrives.
  void RequestOtherDrives();
  // The tray hint of the drive shown is `hint`; the other drives that are not OK are added to it
  // and the icon marked with the worst condition (tray_hint.h).
  void SetTrayHint(std::string hint);
  void ShowTray();
  // The condition label in the condition's colour, and the tray hint with the temperature.
  void ShowCondition(const std::string& temperature);

  SmartDrv& drv_;
  FormControls ui_;
  SystemLog* system_log_;
  DriveReading reading_;
  DriveWatch watch_;
  std::vector<DriveChange> changes_;
  bool refreshing_ = false;
  bool refresh_held_ = false;
  Cause held_cause_ = Cause::Unasked;
  Cause refresh_cause_ = Cause::User;  // who asked for the refresh running
  PowerMode left_asleep_ = PowerMode::Unknown;
  std::string read_status_;  // the status bar's text after the last refresh that read
  std::string read_drive_;   // the drive that refresh read
  std::string told_drive_;   // the drive of the last notification, for its click
  std::optional<std::string> told_not_read_;      // the drive a timed re-read could not read, told
  std::optional<std::string> told_log_not_read_;  // the drive whose log a re-read missed, told
  std::vector<std::string> listed_;               // the paths ListDrives found
  std::set<std::string> self_tests_running_;  // the drives a self-test was last found running on
  std::vector<std::string> items_;  // the selector's entries of listed_, with their models
  // Each drive's condition at its last read ("" for none decided), by path; a drive absent was
  // not read in this run, or could not be read at its last refresh.
  std::map<std::string, std::string> conditions_;
  std::string shown_hint_;  // the tray hint of the drive shown, before the other drives' lines
};

}  // namespace kestrine
