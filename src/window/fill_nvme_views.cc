// The four views of an NVMe drive: the same lists and columns as for an ATA drive, filled from
// the NVMe blocks; the condition judged from the health log, the tray hint's temperature from
// its composite temperature.
#include "drive_number.h"
#include "form_texts.h"
#include "nvme_view_rows.h"
#include "opened_drive.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillNvmeViews(Byte drive_number) {
  const SmartTables& tables = drv_.Tables();
  const NvmeIdentity identity =
      DecodeNvmeIdentity(tables.NvmeController[drive_number], tables.NvmeNamespace[drive_number]);
  for (IdentifyViewRow& row : NvmeIdentifyViewRows(identity)) {
    ui_.ListView2.AddRow({std::move(row.item), std::move(row.value)});
  }

  const NvmeHealthLog& health = tables.NvmeHealth[drive_number];
  for (auto& row : NvmeAttributeRows(health)) ui_.ListView1.AddRow(std::move(row));
  switch (JudgeNvmeHealth(health)) {
    case NvmeCondition::Critical:
      DriveCondition = texts::kConditionCritical;
      break;
    case NvmeCondition::Warning:
      DriveCondition = texts::kConditionWarning;
      break;
    case NvmeCondition::Ok:
      break;
  }
  ShowCondition(NvmeTemperatureText(health));

  // The self-test log is read afresh, as for the other families, on a handle of its own. A
  // controller without the Device Self-test command has no such log (it refuses the read): its
  // view stays empty, without a message at every refresh.
  const NvmeSelfTestLog no_log{};
  if (identity.SelfTestSupported) {
    const std::string selected = ui_.ComboBox1.Text();
    const OpenedDrive drive(drv_, selected);
    if (drv_.ReadSelfTestLogNvme(drive.Handle()) == 0) {
      ui_.App.ShowMessage(texts::kFailed);
    } else {
      for (auto& row : NvmeSelfTestLogRows(tables.NvmeSelfTest)) {
        ui_.ListView3.AddRow(std::move(row));
      }
    }
  }

  const NvmeSelfTestLog& log = identity.SelfTestSupported ? tables.NvmeSelfTest : no_log;
  for (auto& row : NvmeGeneralViewRows(identity, health, log)) {
    ui_.ListView4.AddRow(std::move(row));
  }
}

}  // namespace kestrine
