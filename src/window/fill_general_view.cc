#include "general_view_rows.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillGeneralView() {
  if (!reading_.ata_status) return;
  for (auto& row : GeneralViewRows(*reading_.ata_status)) {
    ui_.ListView4.AddRow(std::move(row));
  }
}

}  // namespace kestrine
