// The texts the window shows, written once.
#pragma once

#include "condition_text.h"
#include "text_format.h"

namespace kestrine::texts {

inline constexpr char kCaptionPrefix[] = "Kestrine 0.7 by ";
inline constexpr char kContactAddress[] = "kestrine@example.org";
inline constexpr char kNotSmartDevice[] = "Not a S.M.A.R.T enabled device";
inline constexpr char kNeedsAdministratorRights[] =
    "Reading the drives needs administrator (root) rights.";
// The status bar and the tray hint when the start-up found no drive to list.
inline constexpr char kNoDiskFound[] = "No disk was found";
inline constexpr char kFailed[] = "failed";
inline constexpr char kMethodAta[] = "IOCTL_ATA_PASS_THROUGH";
inline constexpr char kMethodSat[] = "IOCTL_SCSI_PASS_THROUGH";
inline constexpr char kMethodNvme[] = "IOCTL_STORAGE_QUERY_PROPERTY";
// A SAS or SCSI disk's commands travel in the same block as SAT's.
inline constexpr const auto& kMethodScsi = kMethodSat;
// An NVMe drive behind a USB bridge, the bridge's name after it in brackets.
inline constexpr char kMethodUsbNvme[] = "USB NVMe";
// The bus an NVMe drive is on, whatever name the platform's descriptor gives its bus.
inline constexpr char kBusNvme[] = "Nvme";
inline constexpr const auto& kConditionOk = kConditionOkText;
inline constexpr const auto& kConditionWarning = kConditionWarningText;
inline constexpr const auto& kConditionCritical = kConditionCriticalText;
// Said where a drive answered IDENTIFY but its health table (S.M.A.R.T. data, the NVMe health
// log) did not come: its condition is not decided.
inline constexpr char kHealthNotRead[] = "health data could not be read";
inline constexpr char kConfirmCaption[] = "Kestrine";
// The tray icon's hint: the drive, its temperature and its condition on three lines.
inline constexpr const auto& kLineBreak = kLineEnd;
inline constexpr char kHintTemperature[] = "Temperature:";
inline constexpr char kDegreeSign[] = "\xB0";  // one byte, the degree sign of ISO-8859-1
inline constexpr char kHintCondition[] = "Condition:";
// The status bar after a timed re-read that found the drive asleep and left it so, after the
// bus and method of the last read.
inline constexpr char kAsleepStandby[] = "Standby at the last re-read: not read";
inline constexpr char kAsleepSuspended[] = "Suspended at the last re-read: not read";

// What is told of a drive: a notification titled with the drive, and log lines that begin with
// it. A timed re-read that cannot read the drive, or its self-test log, is told once.
inline constexpr char kNotReadAtTick[] = "The drive could not be read: %s";
inline constexpr char kSelfTestLogNotReadAtTick[] = "The self-test log could not be read";
inline constexpr char kToldDriveSeparator[] = ": ";

// The self-test buttons' confirmations.
inline constexpr char kConfirmShortSelfTest[] =
    "Do you want to perform a smart short selftest offline?\r\n"
    "Test will take about 120 seconds.";
inline constexpr char kConfirmExtendedSelfTest[] =
    "Do you want to perform a smart extented selftest offline?\r\n"
    "Test will take some time.";

}  // namespace kestrine::texts
