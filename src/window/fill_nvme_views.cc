// The four views of an NVMe drive: the same lists and columns as for an ATA drive, filled from
// the reading of its NVMe blocks.
#include "drive_number.h"
#include "nvme_view_rows.h"
#include "opened_drive.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillNvmeViews() {
  if (!reading_.identity.nvme || !reading_.nvme_blocks) return;
  const NvmeIdentity& identity = *reading_.identity.nvme;
  for (IdentifyViewRow& row : NvmeIdentifyViewRows(identity)) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }

  // A health log that did not come has no items: it shows no rows and decides nothing.
  FillAttributeView();

  // The self-test log is read afresh, as for the other families, on a handle of its own. A
  // controller without the Device Self-test command has no such log (it refuses the read): its
  // view stays empty, without a message at every refresh.
  bool log_read = false;
  if (identity.SelfTestSupported) {
    const std::string selected = ui_.ComboBox1.Text();
    const OpenedDrive drive(drv_, selected);
    log_read = drv_.ReadSelfTestLogNvme(drive.Handle()) == CommandResult::Success;
    SelfTestLogRead(log_read);
    if (log_read) {
      AddNvmeSelfTestLog(reading_, drv_.Tables().NvmeSelfTest);
      for (auto& row : NvmeSelfTestLogRows(reading_.self_test, reading_.self_test_log)) {
        ui_.ListView3.AddRow(std::move(row));
      }
    }
  }

  // The General view shows nothing of a log that was not read.
  for (auto& row : NvmeGeneralViewRows(identity, reading_)) {
    ui_.ListView4.AddRow(std::move(row));
  }
}

}  // namespace kestrine
