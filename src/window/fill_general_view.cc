#include "general_view_rows.h"
#include "unit1.h"

namespace kestrine {

void TForm1::FillGeneralView() {
  for (auto& row : GeneralViewRows(drv_.Tables().SmartDataSector)) {
    ui_.ListView4.AddRow(std::move(row));
  }
}

}  // namespace kestrine
