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

  // A health log that did not come shows no rows and decides nothing: its zeros would read as a
  // spare at its threshold.
  const NvmeHealthLog& health = tables.NvmeHealth[drive_number];
  const bool health_read = tables.HealthRead[drive_number];
  if (health_read) {
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
  } else {
    ShowHealthNotRead();
  }

  // The self-test log is read afresh, as for the other families, on a handle of its own. A
  // controller without the Device Self-test command has no such log (it refuses the read): its
  // view stays empty, without a message at every refresh.
  bool log_read = false;
  if (identity.SelfTestSupported) {
    const std::string selected = ui_.ComboBox1.Text();
    const OpenedDrive drive(drv_, selected);
    log_read = drv_.ReadSelfTestLogNvme(drive.Handle()) == 1;
    if (!log_read) {
      ui_.App.ShowMessage(texts::kFailed);
    } else {
      for (auto& row : NvmeSelfTestLogRows(tables.NvmeSelfTest)) {
        ui_.ListView3.AddRow(std::move(row));
      }
    }
  }

  // The General view shows nothing of a log that was not read.
  for (auto& row : NvmeGeneralViewRows(identity, health_read ? &health : nullptr,
                                       log_read ? &tables.NvmeSelfTest : nullptr)) {
    ui_.ListView4.AddRow(std::move(row));
  }
}

}  // namespace kestrine
