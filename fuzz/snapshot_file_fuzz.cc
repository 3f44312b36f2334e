// Arbitrary bytes as a snapshot file. A file is refused with a fault or read whole; what is read
// is written back to a file that reads the same, and the drive it stands for (an ATA or an NVMe
// drive) goes through the window's refresh in the simulated bay.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "drive_number.h"
#include "fake_toolkit.h"
#include "snapshot_drive.h"
#include "snapshot_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine;
  const FileResult<Snapshot> snapshot = ParseSnapshot(std::span(data, size));
  if (!snapshot) {
    if (snapshot.error().Reason().empty()) std::abort();
    return 0;
  }

  const FileResult<Snapshot> again = ParseSnapshot(SerializeSnapshot(*snapshot));
  if (!again || again->identify != snapshot->identify ||
      again->smart_data != snapshot->smart_data || again->thresholds != snapshot->thresholds ||
      again->self_test_log != snapshot->self_test_log || again->nvme != snapshot->nvme) {
    std::abort();
  }

  testing::FormFixture window;
  window.bay.SetRecording(false);
  AddSnapshotDrive(window.bay, 0, *snapshot);
  window.ui.ComboBox1.text = DriveDevicePath(0);
  window.Run([](TForm1& form) { form.ComboBox1Change(); });
  // The drive answers IDENTIFY (or Identify) whatever its blocks hold, so the refresh always
  // reaches the views; it is judged exactly when the file holds its health table.
  const bool health =
      snapshot->nvme ? snapshot->nvme->health.has_value() : snapshot->smart_data.has_value();
  if (window.ui.ListView2.ItemCount() == 0 || window.ui.StatusBar1.text.empty() ||
      window.ui.lblstatus.caption.empty() == health) {
    std::abort();
  }
  return 0;
}
